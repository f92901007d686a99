// The commands of the `korvi` tool, in the order `korvi help` lists them.
#pragma once

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/Command.h"

namespace korvi::cli {

class CommandRegistry {
public:
    // Every command of the tool (the list is in CommandRegistry.cpp).
    static CommandRegistry Default();

    template <typename T, typename... Args>
    void Add(Args&&... args) {
        m_commands.push_back(std::make_unique<T>(std::forward<Args>(args)...));
    }

    Command* Find(std::string_view name) const;
    const std::vector<std::unique_ptr<Command>>& commands() const { return m_commands; }

private:
    std::vector<std::unique_ptr<Command>> m_commands;
};

}  // namespace korvi::cli
