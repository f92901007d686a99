#include "ui/DesktopUrlOpener.h"

#include <QDesktopServices>
#include <QThread>
#include <QUrl>

#include "ui/GuiBridge.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

int OpenHere(const std::string& url, std::string& error) {
    if (QDesktopServices::openUrl(QUrl(Q(url)))) return 0;
    error = "No program of the desktop could open " + url;
    return -1;
}

}  // namespace

Result DesktopUrlOpener::OpenUrl(const std::string& url) {
    std::string error;
    if (QThread::currentThread() == m_bridge.thread()) {
        const int code = OpenHere(url, error);
        return {code, std::move(error)};
    }
    const GuiAnswer answer = m_bridge.Call(
        [url](GuiBridge::Answer done) {
            std::string text;
            const int code = OpenHere(url, text);
            done(GuiAnswer{code, text});
        },
        GuiAnswer{-1, "The window has closed"});
    return {answer.code, answer.text};
}

}  // namespace korvi::ui
