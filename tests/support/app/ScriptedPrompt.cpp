#include "app/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace korvi::test {

void ScriptedPrompt::Expect(const std::string& id, int answer) {
    std::lock_guard lock(m_mutex);
    m_answers[id].push_back(answer);
}

void ScriptedPrompt::AnswerWhenAsked(const std::string& id, int answer) {
    std::lock_guard lock(m_mutex);
    m_standing[id] = answer;
}

int ScriptedPrompt::Ask(const Question& question) {
    std::lock_guard lock(m_mutex);
    m_asked.push_back(question);
    auto it = m_answers.find(question.id);
    if (it == m_answers.end() || it->second.empty()) {
        if (auto standing = m_standing.find(question.id); standing != m_standing.end())
            return standing->second;
        ADD_FAILURE() << "unexpected question '" << question.id << "': " << question.text;
        return kCancel;
    }
    const int answer = it->second.front();
    it->second.pop_front();
    return answer;
}

std::vector<Question> ScriptedPrompt::asked() const {
    std::lock_guard lock(m_mutex);
    return m_asked;
}

std::vector<std::string> ScriptedPrompt::askedIds() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> ids;
    ids.reserve(m_asked.size());
    for (const auto& q : m_asked) ids.push_back(q.id);
    return ids;
}

std::size_t ScriptedPrompt::unusedAnswers() const {
    std::lock_guard lock(m_mutex);
    std::size_t count = 0;
    for (const auto& [id, answers] : m_answers) count += answers.size();
    return count;
}

}  // namespace korvi::test
