#include "cli/CliPrompt.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

#include "cli/ArgParser.h"
#include "cli/CliIo.h"

namespace korvi::cli {

namespace {

constexpr int kMaxAttempts = 3;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

const char* SimilarAnswerName(int answer) {
    switch (answer) {
        case kUsePbx:
            return "use the PBX contact";
        case kUsePartner:
            return "use the partner contact";
        case kRetainBoth:
            return "retain both";
        default:
            return "cancel";
    }
}

// The four button texts come in the order of the choices 1, 2, 3, 0.
std::string ButtonText(const Question& q, std::size_t index, const char* fallback) {
    return index < q.buttons.size() && !q.buttons[index].empty() ? q.buttons[index] : fallback;
}

}  // namespace

CliPrompt::CliPrompt(CliIo& io) : m_io(io) {}

void CliPrompt::SetSimilarAnswer(std::optional<int> answer) {
    std::lock_guard lock(m_mutex);
    m_similarAnswer = answer;
}

int CliPrompt::Ask(const Question& question) {
    std::lock_guard lock(m_mutex);
    m_io.BeginQuestion();
    const int answer = question.kind == Question::Kind::SimilarContact ? AskSimilar(question)
                                                                       : AskConfirm(question);
    m_io.err().flush();
    m_io.EndQuestion();
    return answer;
}

bool CliPrompt::ReadLine(std::string& line) {
    line.clear();
    if (!std::getline(m_io.in(), line)) return false;
    line = Trim(line);
    return true;
}

int CliPrompt::AskConfirm(const Question& q) {
    auto& err = m_io.err();
    err << '\n';
    if (!q.caption.empty()) err << q.caption << '\n';
    err << q.text << '\n';
    if (m_io.globals().yes) {
        err << "Answered OK (--yes).\n";
        return kOk;
    }
    if (!m_io.inIsTerminal()) {
        err << "Answered Cancel: no terminal to ask (use --yes to answer OK).\n";
        return kCancel;
    }
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        err << "Go ahead? [y/N] ";
        err.flush();
        std::string line;
        if (!ReadLine(line)) break;
        const std::string answer = Lower(line);
        if (answer == "y" || answer == "yes" || answer == "ok") return kOk;
        if (answer.empty() || answer == "n" || answer == "no" || answer == "cancel") {
            return kCancel;
        }
    }
    err << "\nAnswered Cancel.\n";
    return kCancel;
}

int CliPrompt::AskSimilar(const Question& q) {
    auto& err = m_io.err();
    err << '\n';
    if (!q.caption.empty()) err << q.caption << '\n';
    if (!q.heading.empty()) err << q.heading << '\n';
    err << "  " << q.pbxCaption << '\n';
    for (const auto& line : q.pbxLines) err << "    " << line << '\n';
    err << "  " << q.partnerCaption << '\n';
    for (const auto& line : q.partnerLines) err << "    " << line << '\n';

    if (m_similarAnswer) {
        const int answer = *m_similarAnswer;
        err << "Answered: " << SimilarAnswerName(answer) << " (set by option).\n";
        return answer;
    }
    if (!m_io.inIsTerminal()) {
        err << "Answered Cancel: no terminal to ask (choose an answer with the command's "
               "option).\n";
        return kCancel;
    }
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        err << "  1) " << ButtonText(q, 0, "Use PBX Contact") << "  2) "
            << ButtonText(q, 1, "Use Partner Contact") << "  3) " << ButtonText(q, 2, "Retain Both")
            << "  0) " << ButtonText(q, 3, "Cancel") << "\nChoice [0-3]: ";
        err.flush();
        std::string line;
        if (!ReadLine(line)) break;
        int choice = -1;
        if (ParseInt(line, choice) && choice >= kCancel && choice <= kRetainBoth) return choice;
    }
    err << "\nAnswered Cancel.\n";
    return kCancel;
}

}  // namespace korvi::cli
