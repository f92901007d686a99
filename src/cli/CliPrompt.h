// Questions of a running action put to the user of the command line. With --yes a
// confirmation is answered OK; the similar-contact choice takes the answer set for it.
// Without such an answer the terminal is asked; without a terminal the answer is Cancel.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "app/Prompt.h"

namespace korvi::cli {

class CliIo;

class CliPrompt final : public Prompt {
public:
    explicit CliPrompt(CliIo& io);

    // Called on the worker thread; blocks until the answer is read.
    int Ask(const Question& question) override;

    // The answer to every similar-contact question (kCancel, kUsePbx, kUsePartner or
    // kRetainBoth) without asking; nullopt asks the terminal. Unset, --yes does not choose
    // for the user: without a terminal such a question is answered Cancel.
    void SetSimilarAnswer(std::optional<int> answer);

private:
    int AskConfirm(const Question& question);
    int AskSimilar(const Question& question);
    bool ReadLine(std::string& line);

    CliIo& m_io;
    std::mutex m_mutex;  // one question at a time
    std::optional<int> m_similarAnswer;
};

}  // namespace korvi::cli
