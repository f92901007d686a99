// Helpers of the window's tests: a process set up for Qt without a display, a fresh home per
// test function, and the modal dialogs found and answered the way a user would.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

namespace korvi::test {

// Bound for every wait of these tests; the window needs milliseconds.
inline constexpr int kUiDeadlineMs = 10000;

// Environment of the test process: temporary home and XDG folders, the offscreen platform
// unless the caller chose another.
void PrepareUiTestProcess();
void EndUiTestProcess();

// Drops the offscreen platform's warnings about what it cannot do (size hints, raise, a tray);
// call from initTestCase(), after the test library has installed its own message handler.
void QuietOffscreenWarnings();

// New XDG_CONFIG_HOME and XDG_DATA_HOME for one test function; returns the folder holding
// both ("config", "data").
std::filesystem::path FreshHome(const std::string& name);

// A program on PATH, and its exit code when run with these arguments (no shell; -1 when it
// could not run).
bool ToolAvailable(const std::string& name);
int RunTool(const std::vector<std::string>& argv);

// Spins the event loop until pred() holds or the deadline passes.
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = kUiDeadlineMs);

// The modal widget of type T once it is the active one, or null after the deadline.
template <typename T>
T* WaitForModal(int timeoutMs = kUiDeadlineMs) {
    T* found = nullptr;
    WaitFor(
        [&found] {
            found = qobject_cast<T*>(QApplication::activeModalWidget());
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

}  // namespace korvi::test

// main() of a QTest class: the process is prepared before the application object exists.
#define KORVI_UI_TEST_MAIN(TestClass)                       \
    int main(int argc, char** argv) {                       \
        korvi::test::PrepareUiTestProcess();                \
        int rc = 0;                                         \
        {                                                   \
            QApplication app(argc, argv);                   \
            QApplication::setQuitOnLastWindowClosed(false); \
            TestClass test;                                 \
            rc = QTest::qExec(&test, argc, argv);           \
        }                                                   \
        korvi::test::EndUiTestProcess();                    \
        return rc;                                          \
    }
