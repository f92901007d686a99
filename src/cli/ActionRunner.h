// Runs one numbered action from a command that has no flow of its own (a test's command, for
// instance): CarryOutAction with the stored settings and the command line's front end.
//
//   ActionRunner runner(io);
//   if (runner.Run(kActGetOutlookFolderInfo) != 0) return runner.ReportFailure();
#pragma once

#include "cli/CliFlow.h"

namespace korvi::cli {

class CliIo;

class ActionRunner {
public:
    explicit ActionRunner(CliIo& io);

    // The controller's result code once the worker has finished. Silent: no progress line.
    [[nodiscard]] int Run(int action, int silent = 0);

    // The controller's result as a failure on the error stream: its text and " (Error Code N)"
    // (a cancel: the text alone); the exit code, 0 and nothing printed for success.
    [[nodiscard]] int ReportFailure();

private:
    CliFlow m_flow;
};

}  // namespace korvi::cli
