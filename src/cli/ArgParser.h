// The one argument parser of all commands: long options "--name value", "--name=value" and
// flags "--name", positional arguments, and "--" before arguments that begin with a dash.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/Command.h"

namespace korvi::cli {

class ParsedArgs {
public:
    bool Has(std::string_view name) const;
    // The last value given for the option.
    std::optional<std::string> Value(std::string_view name) const;
    std::string ValueOr(std::string_view name, std::string fallback) const;
    // Every value of a repeated option, in the order given.
    std::vector<std::string> Values(std::string_view name) const;
    const std::vector<std::string>& Positionals() const { return m_positionals; }

    void AddOption(std::string name, std::string value);
    void AddPositional(std::string value);

private:
    std::vector<std::pair<std::string, std::string>> m_options;
    std::vector<std::string> m_positionals;
};

// Parses args against specs. An unknown option, a flag given a value or an option without
// its value fails with a message naming the option.
[[nodiscard]] bool ParseArgs(const std::vector<OptionSpec>& specs,
                             const std::vector<std::string>& args, ParsedArgs& out,
                             std::string& error);

// The whole text as a decimal integer (leading '-' allowed); false on anything else.
[[nodiscard]] bool ParseInt(std::string_view text, long long& out);
[[nodiscard]] bool ParseInt(std::string_view text, int& out);

}  // namespace korvi::cli
