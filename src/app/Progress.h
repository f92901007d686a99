// What a long operation reports while it runs, and how it learns that it must stop.
// Declared here so that the stores, the PBX client and the file module can report
// progress without depending on the controller that shows it.
#pragma once

#include <atomic>
#include <string>

namespace korvi {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void SetProgress(int showBar, int position, int showCancel) = 0;
    virtual void SetProgressText(const std::string& text, int position) = 0;
};

// For callers that run an operation outside any action (tests, conversions).
class NullProgress final : public Progress {
public:
    void SetProgress(int, int, int) override {}
    void SetProgressText(const std::string&, int) override {}
};

// The worker's termination flag: set by a cancel on another thread, read between items.
using StopFlag = std::atomic<bool>;

// Loops report position (i * 100 + 100) / n after item i of n.
inline int LoopPosition(long long i, long long n) {
    return n <= 0 ? 0 : static_cast<int>((i * 100 + 100) / n);
}

}  // namespace korvi
