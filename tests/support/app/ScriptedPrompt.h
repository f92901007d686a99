// A Prompt for tests: answers come from a queue per question id; a question with no queued
// answer fails the test and is answered Cancel. Every question asked is recorded.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/Prompt.h"

namespace korvi::test {

class ScriptedPrompt final : public Prompt {
public:
    // Queues `answer` for the next question with this id (several queue in order).
    void Expect(const std::string& id, int answer);
    // Answers every question with this id that has no queued answer, asked or not (for a
    // question that depends on where an earlier run was interrupted).
    void AnswerWhenAsked(const std::string& id, int answer);

    // Thread-safe: the worker asks while the test thread waits.
    int Ask(const Question& question) override;

    std::vector<Question> asked() const;
    std::vector<std::string> askedIds() const;
    // Answers queued but never asked for.
    std::size_t unusedAnswers() const;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::deque<int>> m_answers;
    std::map<std::string, int> m_standing;
    std::vector<Question> m_asked;
};

}  // namespace korvi::test
