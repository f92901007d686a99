#include "pbx/ContactLoader.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "pbx/PbxContactMapping.h"
#include "pbx/ServiceProxy.h"

namespace korvi {

// The state the connections of one load share. Each connection is a worker that takes the next
// index, makes its call and files the answer under that index; the caller's thread is one of
// them.
//
// A PBX may serve one connection at a time and leave the others waiting in its queue. So a
// connection with nothing left to do hangs up before it waits for the others (the PBX can then
// serve the next one), and a connection that the PBX never answered within the timeout, while
// another connection is being served, hands its index back instead of failing the load: the
// call only reads, so asking it again on a connection that works is harmless. Every other
// failure is the load's failure, as it would be over one connection.
class ContactLoader::Run {
public:
    Run(ContactLoader& loader, std::span<const int32_t> ids, const StopFlag& cancel,
        const ProgressReport& progress)
        : m_loader(loader),
          m_ids(ids),
          m_cancel(cancel),
          m_progress(progress),
          m_stopAt(ids.size()),
          m_contacts(ids.size()) {}

    // Runs one connection until no work is left. Never throws.
    void Work() noexcept;

    ContactLoadOutcome TakeOutcome();

private:
    // One connection and the worker that drives it.
    struct Worker {
        std::unique_ptr<HttpClient> client;
        std::unique_ptr<ServiceProxy> proxy;
        soap::Request_SPG_GetContact request;
        bool served = false;  // has had an answer; counted in m_servedWorkers
    };

    enum class Step { kContinue, kRetire };

    // Waits for an index to work on; false when the load has nothing more for this worker.
    bool NextIndex(std::unique_lock<std::mutex>& lock, Worker& worker, std::size_t& index);
    Step Perform(Worker& worker, std::size_t index);
    void Report(std::size_t index);
    // Under m_mutex.
    void HangUp(Worker& worker);
    void Fail(std::size_t index, ContactLoadOutcome::Kind kind, int32_t errCode,
              std::string errDesc, std::string message);

    ContactLoader& m_loader;
    const std::span<const int32_t> m_ids;
    const StopFlag& m_cancel;
    const ProgressReport& m_progress;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_next = 0;                 // the next index nobody has taken yet
    std::vector<std::size_t> m_handedBack;  // indexes given back, to be taken first
    std::size_t m_inFlight = 0;             // indexes taken and not yet settled
    int m_servedWorkers = 0;                // workers that have had an answer and still run
    std::size_t m_stopAt;                   // no call at or past this index
    ContactLoadOutcome m_failure;           // the failure or cancel at m_stopAt, if any
    std::string m_lastErrDesc;

    std::mutex m_progressMutex;
    bool m_reported = false;
    std::size_t m_highestReported = 0;

    // One slot per index; each is written by the one worker that settled its index.
    std::vector<std::unique_ptr<TContact>> m_contacts;
};

void ContactLoader::Run::Work() noexcept {
    Worker worker;
    worker.request.userDetails = m_loader.m_userDetails;
    std::unique_lock lock(m_mutex);
    std::size_t index = 0;
    while (NextIndex(lock, worker, index)) {
        lock.unlock();
        const Step step = Perform(worker, index);
        lock.lock();
        if (step == Step::kRetire) break;
    }
    if (worker.served) --m_servedWorkers;
    HangUp(worker);
    m_changed.notify_all();
}

bool ContactLoader::Run::NextIndex(std::unique_lock<std::mutex>& lock, Worker& worker,
                                   std::size_t& index) {
    for (;;) {
        if (!m_handedBack.empty()) {
            const auto smallest = std::min_element(m_handedBack.begin(), m_handedBack.end());
            if (*smallest < m_stopAt) {
                index = *smallest;
                m_handedBack.erase(smallest);
                ++m_inFlight;
                return true;
            }
        }
        if (m_next < m_stopAt) {
            index = m_next++;
            ++m_inFlight;
            return true;
        }
        // Only an index handed back can still come, and only while calls are in flight.
        if (m_inFlight == 0) return false;
        if (worker.client) {
            HangUp(worker);
            continue;
        }
        m_changed.wait(lock);
    }
}

ContactLoader::Run::Step ContactLoader::Run::Perform(Worker& worker, std::size_t index) {
    using Kind = ContactLoadOutcome::Kind;
    if (m_cancel.load()) {
        std::lock_guard lock(m_mutex);
        --m_inFlight;
        Fail(index, Kind::kCancelled, 0, {}, {});
        m_changed.notify_all();
        return Step::kContinue;
    }

    std::string message;
    bool completed = false;
    bool answered = false;
    bool timedOut = false;
    soap::Response_SPG_GetContact response;
    std::unique_ptr<TContact> contact;
    try {
        Report(index);
        if (!worker.client) {
            std::lock_guard lock(m_mutex);
            worker.client = m_loader.m_makeClient();
        }
        if (!worker.proxy) {
            worker.proxy = std::make_unique<ServiceProxy>(*worker.client, m_loader.m_settings);
        }
        worker.request.contactId = m_ids[index];
        completed = worker.proxy->Call(worker.request, response, message);
        answered = worker.proxy->answered();
        timedOut = worker.proxy->timedOut();
        if (completed && response.returnData.errCode == 0) {
            contact = ContactFromPbx(std::move(response.contact).value_or(soap::TContactStruct{}),
                                     m_loader.m_cleanNames);
        }
    } catch (const std::exception& e) {
        completed = false;
        message = e.what();
    } catch (...) {
        completed = false;
        message.clear();
    }

    std::lock_guard lock(m_mutex);
    --m_inFlight;
    if (answered && !worker.served) {
        worker.served = true;
        ++m_servedWorkers;
    }
    Step step = Step::kContinue;
    if (completed && response.returnData.errCode != 0) {
        Fail(index, Kind::kPbxFailure, response.returnData.errCode,
             std::move(response.returnData.errDesc), {});
    } else if (completed) {
        m_contacts[index] = std::move(contact);
        if (index + 1 == m_ids.size()) m_lastErrDesc = std::move(response.returnData.errDesc);
    } else if (timedOut && !worker.served && m_servedWorkers > 0) {
        // Served workers never retire, so one of them takes this index before it stops.
        m_handedBack.push_back(index);
        step = Step::kRetire;
    } else {
        Fail(index, Kind::kCallFailure, 0, {}, std::move(message));
    }
    m_changed.notify_all();
    return step;
}

void ContactLoader::Run::Report(std::size_t index) {
    if (!m_progress) return;
    std::lock_guard lock(m_progressMutex);
    if (m_reported && index <= m_highestReported) return;
    m_reported = true;
    m_highestReported = index;
    m_progress(index);
}

void ContactLoader::Run::HangUp(Worker& worker) {
    if (!worker.client) return;
    m_loader.m_connectionsOpened += worker.client->ConnectionsOpened();
    worker.proxy.reset();
    worker.client.reset();
}

void ContactLoader::Run::Fail(std::size_t index, ContactLoadOutcome::Kind kind, int32_t errCode,
                              std::string errDesc, std::string message) {
    if (index >= m_stopAt) return;
    m_stopAt = index;
    m_failure.kind = kind;
    m_failure.errCode = errCode;
    m_failure.errDesc = std::move(errDesc);
    m_failure.message = std::move(message);
}

ContactLoadOutcome ContactLoader::Run::TakeOutcome() {
    ContactLoadOutcome outcome;
    if (m_stopAt < m_ids.size()) {
        outcome = std::move(m_failure);
    } else {
        outcome.errDesc = std::move(m_lastErrDesc);
    }
    outcome.stopIndex = m_stopAt;
    m_contacts.resize(m_stopAt);
    outcome.contacts = std::move(m_contacts);
    return outcome;
}

ContactLoader::ContactLoader(ClientMaker makeClient, ProxySettings settings,
                             soap::TUserDetailsStruct userDetails, bool cleanNames)
    : m_makeClient(std::move(makeClient)),
      m_settings(std::move(settings)),
      m_userDetails(std::move(userDetails)),
      m_cleanNames(cleanNames) {}

ContactLoadOutcome ContactLoader::Load(std::span<const int32_t> ids, int connections,
                                       const StopFlag& cancel, const ProgressReport& progress) {
    Run run(*this, ids, cancel, progress);
    const std::size_t wanted =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(connections, 1)), ids.size());
    std::vector<std::thread> helpers;
    for (std::size_t k = 1; k < wanted; ++k) {
        try {
            helpers.emplace_back([&run] { run.Work(); });
        } catch (const std::system_error&) {
            break;  // fewer connections than asked for still load everything
        }
    }
    run.Work();
    for (auto& helper : helpers) helper.join();
    return run.TakeOutcome();
}

}  // namespace korvi
