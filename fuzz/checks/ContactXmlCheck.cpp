// Whatever the bytes, the reader loads or fails with a text; what it loads, written again,
// reads back the same (or is refused with a reason before anything is written).
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "ReaderChecks.h"
#include "app/XmlDocument.h"
#include "files/ContactXml.h"

namespace korvi::fuzz {

std::string CheckContactXml(std::string_view input) {
    pugi::xml_document doc;
    TContactList list;
    int count = 0;
    XmlResult r = LoadXmlText(input, doc, "input.xml");
    if (r.ok()) r = ReadContactsXml(doc, "input.xml", list, count);
    if (!r.ok()) return r.text.empty() ? "a failed load without a text" : "";
    StringSink sink;
    int written = 0;
    r = WriteContactsXml(list, sink, written);
    if (!r.ok()) return r.text.empty() ? "a refused write without a text" : "";
    if (written != static_cast<int>(list.size())) return "not every contact was written";
    pugi::xml_document again;
    TContactList reread;
    XmlResult back = LoadXmlText(sink.bytes, again, "written.xml");
    if (back.ok()) back = ReadContactsXml(again, "written.xml", reread, count);
    if (!back.ok()) return "what was written does not read: " + back.text + "\n" + sink.bytes;
    if (!SameLists(list, reread)) return "what was written reads back otherwise:\n" + sink.bytes;
    return {};
}

}  // namespace korvi::fuzz
