// Runs one numbered action the way the window's CarryOutAction does, for every command:
// the log line, the checks before the start (Services' pre-start checks), silent, action and
// busy set, StartAction, then a wait that draws the progress line and turns Ctrl-C into
// CancelAction. The command fills the controller's inputs first and reads the lists after.
//
//   auto& ctrl = io.services().ctrl;
//   ctrl.fileName = file;
//   ActionRunner runner(io);
//   const int code = runner.Run(kActExportContactsToXMLFile);
//   if (code != 0) return runner.ReportFailure();
#pragma once

#include <string>

namespace korvi::cli {

class CliIo;

class ActionRunner {
public:
    explicit ActionRunner(CliIo& io);

    // Returns the controller's result code once the worker has finished. Silent actions draw
    // no progress line.
    [[nodiscard]] int Run(int action, int silent = 0);

    // True when the user cancelled this run (Ctrl-C, or the io's cancel check).
    bool cancelled() const { return m_cancelled; }

    // Prints the controller's result as a failure and returns the exit code: the result text
    // + " (Error Code N)" (a cancel: the text alone) on the error stream, exit 1; nothing
    // and 0 for a code of 0.
    [[nodiscard]] int ReportFailure() const;

    // The failure line for a code and text.
    static std::string FailureLine(int code, const std::string& text);

private:
    CliIo& m_io;
    bool m_cancelled = false;
};

}  // namespace korvi::cli
