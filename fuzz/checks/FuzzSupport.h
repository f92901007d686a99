// What the fuzz targets share: a sink that keeps what is written, and list comparison.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/AtomicFile.h"
#include "model/Contact.h"

namespace korvi::fuzz {

class StringSink final : public ByteSink {
public:
    bool Write(std::string_view data) override {
        bytes.append(data);
        return true;
    }
    std::string bytes;
};

inline bool SameLists(const TContactList& a, const TContactList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!a[i] || !b[i] || !(*a[i] == *b[i])) return false;
    return true;
}

}  // namespace korvi::fuzz
