// Whatever the body, the reader gives the responses or fails with a text that names the source.
#include <string>
#include <string_view>

#include "ReaderChecks.h"
#include "stores/carddav/Multistatus.h"

namespace korvi::fuzz {

std::string CheckDavMultistatus(std::string_view input) {
    carddav::Multistatus out;
    const XmlResult r = carddav::ParseMultistatus(input, "answer", out);
    if (!r.ok() && r.text.find("answer") == std::string::npos)
        return "a failure that does not name its source: " + r.text;
    const int code = carddav::StatusLineCode(input);
    if (code < 0 || code > 999) return "a status code out of range";
    return {};
}

}  // namespace korvi::fuzz
