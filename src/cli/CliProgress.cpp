#include "cli/CliProgress.h"

#include <algorithm>

#include <fmt/format.h>

#include "app/Utf8.h"
#include "cli/CliIo.h"

namespace korvi::cli {

CliProgress::CliProgress(CliIo& io) : m_io(io) {}

CliProgress::~CliProgress() { Finish(); }

std::string CliProgress::FormatLine(const ProgressState& state, std::size_t width) {
    std::string suffix;
    if (state.progressBarVisible != 0) {
        suffix = fmt::format(" {:3d}%", std::clamp(state.progressPosition, 0, 100));
    }
    std::string text = state.progressText;
    // The progress texts may end in a line break or dots and blanks; one line is shown.
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    const std::size_t room = width > suffix.size() ? width - suffix.size() : 0;
    text.resize(Utf8PrefixLength(text, room));
    return text + suffix;
}

void CliProgress::Update(const ProgressState& state) {
    if (!m_io.errIsTerminal()) return;
    std::string line = FormatLine(state);
    // A question in between has cleared the line: draw it again even when unchanged.
    if (line == m_lastLine && m_io.StatusShown()) return;
    m_io.ShowStatus(line);
    m_lastLine = std::move(line);
}

void CliProgress::Finish() {
    m_io.ClearStatus();
    m_lastLine.clear();
}

}  // namespace korvi::cli
