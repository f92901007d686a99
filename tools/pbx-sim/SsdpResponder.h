// Answers SSDP searches: joins the SSDP multicast group on the loopback interface, and sends
// each search's answers back to the searcher by unicast. What is answered is up to the
// answerer (a simulated PBX, or a test's router or broken device). Refuses to start where any
// interface other than lo exists (see NetworkInterfaces.h).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SsdpMessages.h"

namespace korvi::sim {

class SsdpResponder {
public:
    // The datagrams to send back for one search (none: stay silent).
    using Answerer = std::function<std::vector<std::string>(const SsdpSearch&)>;

    explicit SsdpResponder(Answerer answerer);
    ~SsdpResponder();
    SsdpResponder(const SsdpResponder&) = delete;
    SsdpResponder& operator=(const SsdpResponder&) = delete;

    // Returns once searches are received.
    [[nodiscard]] bool Start(std::string& error);
    // Stops receiving; a delayed answer not yet sent is dropped.
    void Stop();

    // Every answer this late (a device that answers after the searcher stopped waiting).
    void SetDelay(std::chrono::milliseconds delay) { m_delayMs = delay.count(); }
    // Searches received so far, answered or not.
    uint64_t SearchCount() const { return m_searches; }

private:
    void Serve();
    bool WaitDelay();

    Answerer m_answerer;
    int m_socket = -1;
    int m_wakeup = -1;  // eventfd that ends Serve()
    std::thread m_thread;
    std::atomic<int64_t> m_delayMs{0};
    std::atomic<uint64_t> m_searches{0};
    std::mutex m_stopMutex;
    std::condition_variable m_stopSignal;
    bool m_stopping = false;
};

}  // namespace korvi::sim
