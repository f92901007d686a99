#include "UiTestSupport.h"

#include <stdlib.h>

#include <system_error>

#include <QProcess>
#include <QStandardPaths>

#include "common/TestEnv.h"

namespace korvi::test {

namespace {

// The offscreen platform cannot size windows for a window manager; it says so for every
// dialog. Everything else is passed on.
QtMessageHandler g_previousHandler = nullptr;

void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains("propagateSizeHints") || message.contains("does not support raise") ||
        message.contains("systemTrayWindowChanged")) {
        return;
    }
    if (g_previousHandler != nullptr) g_previousHandler(type, context, message);
}

}  // namespace

bool ToolAvailable(const std::string& name) {
    return !QStandardPaths::findExecutable(QString::fromStdString(name)).isEmpty();
}

int RunTool(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i) arguments << QString::fromStdString(argv[i]);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QString::fromStdString(argv[0]), arguments);
    if (!process.waitForFinished(kUiDeadlineMs)) return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void QuietOffscreenWarnings() { g_previousHandler = qInstallMessageHandler(FilterMessages); }

void PrepareUiTestProcess() {
    const auto& root = TempRoot();
    std::filesystem::create_directories(root / "config");
    std::filesystem::create_directories(root / "data");
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    ::setenv("HOME", root.c_str(), 1);
    std::filesystem::create_directories(root / "runtime");
    std::filesystem::permissions(root / "runtime", std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

void EndUiTestProcess() {
    std::error_code ec;
    if (::getenv("KORVI_KEEP_TEST_DIRS") == nullptr) std::filesystem::remove_all(TempRoot(), ec);
}

std::filesystem::path FreshHome(const std::string& name) {
    const auto home = MakeTempDir(name);
    std::filesystem::create_directories(home / "config");
    std::filesystem::create_directories(home / "data");
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    return home;
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs) return false;
        QTest::qWait(2);
    }
    return true;
}

}  // namespace korvi::test
