#include "GdataCommandLine.h"

#include <charconv>
#include <limits>
#include <string_view>

namespace korvi::gdatasim {

namespace {

template <class T>
bool ParseNumber(std::string_view text, T& value, T min, T max) {
    T parsed{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

}  // namespace

const char* GdataUsage() {
    return "Usage: korvi-gdata-sim [options]\n"
           "An emulator of the cloud contacts service (account login, groups and contacts\n"
           "feeds) on 127.0.0.1, for tests and demos.\n"
           "\n"
           "  --port N                  port (0, the default: any free port)\n"
           "  --account EMAIL:PASSWORD  an account (repeatable; default\n"
           "                            korvi.test@gmail.com:korvi-secret)\n"
           "  --seed N[:GROUP]          N generated contacts of the first account in the group\n"
           "                            titled GROUP (made when missing; default My Contacts);\n"
           "                            repeatable; ignored when the state file exists\n"
           "  --state FILE              the store as an Atom feed: loaded at start, written\n"
           "                            after every change\n"
           "  --tls-cert FILE           serve HTTPS with this certificate (PEM) ...\n"
           "  --tls-key FILE            ... and this key (PEM)\n"
           "  --tls-generate DIR        serve HTTPS with a throw-away authority made at start:\n"
           "                            DIR/ca.pem is what clients must trust\n"
           "  --page-cap N              a feed page holds at most N entries\n"
           "  --login-no-final-newline  the login answer ends without a line end\n"
           "  --fail-request K          the K-th request gets HTTP 500\n"
           "  --drop-request K          the K-th request's connection is closed unanswered\n"
           "  --expire-tokens-at K      every login token is invalid from the K-th request on\n"
           "  --max-request-bytes N     larger requests are refused (default 8388608)\n"
           "  --help                    this text\n"
           "\n"
           "Prints \"listening on https://127.0.0.1:PORT\" (http without TLS) when ready;\n"
           "SIGINT or SIGTERM stops it.\n";
}

bool ParseGdataCommandLine(const std::vector<std::string>& args, GdataCommandLine& out,
                           std::string& error) {
    GdataSimOptions& o = out.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const std::size_t eq = name.find('=');
            name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            out.help = true;
            continue;
        }
        if (name == "--login-no-final-newline") {
            o.loginFinalNewline = false;
            continue;
        }
        if (!name.starts_with("--")) {
            error = "Unexpected argument '" + name + "'";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = "Option " + name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        const std::string bad = "Invalid value '" + value + "' for " + name;
        constexpr int64_t kMaxK = std::numeric_limits<int64_t>::max();
        if (name == "--port") {
            if (!ParseNumber(value, o.port, 0, 65535)) return error = bad, false;
        } else if (name == "--account") {
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos || colon == 0 || colon + 1 == value.size()) {
                error = "Invalid value for --account (EMAIL:PASSWORD expected)";
                return false;
            }
            o.accounts.push_back({value.substr(0, colon), value.substr(colon + 1)});
        } else if (name == "--seed") {
            const std::size_t colon = value.find(':');
            SimSeed seed;
            if (!ParseNumber(std::string_view(value).substr(0, colon), seed.count, 0, 10'000'000)) {
                return error = bad, false;
            }
            if (colon != std::string::npos) seed.groupTitle = value.substr(colon + 1);
            o.seeds.push_back(std::move(seed));
        } else if (name == "--state" || name == "--tls-cert" || name == "--tls-key" ||
                   name == "--tls-generate") {
            if (value.empty()) return error = bad, false;
            (name == "--state"      ? o.stateFile
             : name == "--tls-cert" ? o.tlsCert
             : name == "--tls-key"  ? o.tlsKey
                                    : out.tlsGenerateDir) = value;
        } else if (name == "--page-cap") {
            if (!ParseNumber(value, o.pageCap, 1, 1'000'000)) return error = bad, false;
        } else if (name == "--fail-request") {
            if (!ParseNumber<int64_t>(value, o.failRequest, 0, kMaxK)) return error = bad, false;
        } else if (name == "--drop-request") {
            if (!ParseNumber<int64_t>(value, o.dropRequest, 0, kMaxK)) return error = bad, false;
        } else if (name == "--expire-tokens-at") {
            if (!ParseNumber<int64_t>(value, o.expireTokensAt, 0, kMaxK)) {
                return error = bad, false;
            }
        } else if (name == "--max-request-bytes") {
            if (!ParseNumber<std::size_t>(value, o.maxRequestBytes, 1, std::size_t{1} << 32)) {
                return error = bad, false;
            }
        } else {
            error = "Unknown option " + name;
            return false;
        }
    }
    if (o.tlsCert.empty() != o.tlsKey.empty()) {
        error = "--tls-cert and --tls-key go together";
        return false;
    }
    if (!out.tlsGenerateDir.empty() && !o.tlsCert.empty()) {
        error = "--tls-generate replaces --tls-cert and --tls-key";
        return false;
    }
    return true;
}

}  // namespace korvi::gdatasim
