#include "cli/ArgParser.h"

#include <charconv>
#include <limits>

namespace korvi::cli {

bool ParsedArgs::Has(std::string_view name) const {
    for (const auto& [key, value] : m_options) {
        if (key == name) return true;
    }
    return false;
}

std::optional<std::string> ParsedArgs::Value(std::string_view name) const {
    std::optional<std::string> found;
    for (const auto& [key, value] : m_options) {
        if (key == name) found = value;
    }
    return found;
}

std::string ParsedArgs::ValueOr(std::string_view name, std::string fallback) const {
    auto value = Value(name);
    return value ? *value : std::move(fallback);
}

std::vector<std::string> ParsedArgs::Values(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [key, value] : m_options) {
        if (key == name) values.push_back(value);
    }
    return values;
}

void ParsedArgs::AddOption(std::string name, std::string value) {
    m_options.emplace_back(std::move(name), std::move(value));
}

void ParsedArgs::AddPositional(std::string value) { m_positionals.push_back(std::move(value)); }

namespace {

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, std::string_view name) {
    for (const auto& spec : specs) {
        if (spec.name == name) return &spec;
    }
    return nullptr;
}

}  // namespace

bool ParseArgs(const std::vector<OptionSpec>& specs, const std::vector<std::string>& args,
               ParsedArgs& out, std::string& error) {
    error.clear();
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            out.AddPositional(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h") {
            out.AddOption("help", {});
            continue;
        }
        if (arg.size() < 3 || arg[1] != '-') {
            error = "unknown option '" + arg + "'";
            return false;
        }
        std::string_view body = std::string_view(arg).substr(2);
        std::optional<std::string> inlineValue;
        if (const auto eq = body.find('='); eq != std::string_view::npos) {
            inlineValue = std::string(body.substr(eq + 1));
            body = body.substr(0, eq);
        }
        const OptionSpec* spec = FindSpec(specs, body);
        if (spec == nullptr) {
            error = "unknown option '--" + std::string(body) + "'";
            return false;
        }
        if (spec->valueName.empty()) {
            if (inlineValue) {
                error = "option '--" + spec->name + "' takes no value";
                return false;
            }
            out.AddOption(spec->name, {});
            continue;
        }
        if (inlineValue) {
            out.AddOption(spec->name, std::move(*inlineValue));
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "option '--" + spec->name + "' needs a value (" + spec->valueName + ")";
            return false;
        }
        out.AddOption(spec->name, args[++i]);
    }
    return true;
}

bool ParseInt(std::string_view text, long long& out) {
    if (text.empty()) return false;
    long long value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) return false;
    out = value;
    return true;
}

bool ParseInt(std::string_view text, int& out) {
    long long value = 0;
    if (!ParseInt(text, value)) return false;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

}  // namespace korvi::cli
