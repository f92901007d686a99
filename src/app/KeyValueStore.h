// The few calls the password helpers need from a settings store, without naming its kind
// (QSettings in the program, a map in tests).
#pragma once

#include <string>
#include <string_view>

namespace korvi {

class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    virtual bool Contains(std::string_view name) const = 0;
    // A value of another kind reads as defaultValue.
    virtual std::string ReadString(std::string_view name, std::string_view defaultValue) const = 0;
    virtual void WriteString(std::string_view name, std::string_view value) = 0;
    virtual int ReadInt(std::string_view name, int defaultValue) const = 0;
    virtual void WriteInt(std::string_view name, int value) = 0;
};

}  // namespace korvi
