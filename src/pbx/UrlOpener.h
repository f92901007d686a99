// Hands a URL to the user's browser. The portal launch goes through this interface so that
// tests can see the URL without starting anything.
#pragma once

#include <string>

#include "app/Result.h"

namespace korvi {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Success, or -1 with the reason.
    virtual Result OpenUrl(const std::string& url) = 0;
};

// Runs "xdg-open URL" from an argument vector (never through a shell) and waits a bounded
// time for the launcher to report.
class XdgUrlOpener final : public UrlOpener {
public:
    Result OpenUrl(const std::string& url) override;
};

}  // namespace korvi
