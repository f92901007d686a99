// The progress line of a running action on the error stream, redrawn from the controller's
// progress state when it changes. Drawn only when the error stream is a terminal.
#pragma once

#include <string>

#include "sync/Tctrl.h"

namespace korvi::cli {

class CliIo;

class CliProgress {
public:
    explicit CliProgress(CliIo& io);
    ~CliProgress();
    CliProgress(const CliProgress&) = delete;
    CliProgress& operator=(const CliProgress&) = delete;

    void Update(const ProgressState& state);
    void Finish();

    // The line for a state: the text, and the position while the bar is shown; cut to
    // `width` bytes without splitting a UTF-8 sequence.
    static std::string FormatLine(const ProgressState& state, std::size_t width = 79);

private:
    CliIo& m_io;
    std::string m_lastLine;
};

}  // namespace korvi::cli
