// Hands a URL to the user's browser. The portal launch goes through this interface so that
// tests can see the URL without starting anything.
#pragma once

#include <string>

namespace korvi {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // 0, or -1 with error set.
    [[nodiscard]] virtual int OpenUrl(const std::string& url, std::string& error) = 0;
};

// Runs "xdg-open URL" from an argument vector (never through a shell) and waits a bounded
// time for the launcher to report.
class XdgUrlOpener final : public UrlOpener {
public:
    [[nodiscard]] int OpenUrl(const std::string& url, std::string& error) override;
};

}  // namespace korvi
