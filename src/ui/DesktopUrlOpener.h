// Opens URLs and files with the desktop's own programs (QDesktopServices: the browser, the
// text editor, the file manager). Callable from any thread: off the GUI thread the request is
// handed to it.
#pragma once

#include <string>

#include "pbx/UrlOpener.h"

namespace korvi::ui {

class GuiBridge;

class DesktopUrlOpener final : public UrlOpener {
public:
    explicit DesktopUrlOpener(GuiBridge& bridge) : m_bridge(bridge) {}
    Result OpenUrl(const std::string& url) override;

private:
    GuiBridge& m_bridge;
};

}  // namespace korvi::ui
