// A PBX for tests, demos and benchmarks: both SOAP port types at "/" on 127.0.0.1 (or another
// loopback address), the service description at "/?wsdl", an optional user-portal login check
// on a second port, optionally SSDP answers with a UPnP device description, and fault
// injection. Usable in-process (tests) and as the korvi-pbx-sim program.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "SimOptions.h"
#include "SimService.h"
#include "pbx/soap/SoapTypes.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace korvi::sim {

class SimSsdp;

class PbxSimulator {
public:
    explicit PbxSimulator(SimOptions options = {});
    ~PbxSimulator();
    PbxSimulator(const PbxSimulator&) = delete;
    PbxSimulator& operator=(const PbxSimulator&) = delete;

    // Loads or seeds the phonebook, binds 127.0.0.1 (port 0: a free one) and serves on its own
    // threads. Returns once it accepts connections.
    [[nodiscard]] bool Start(std::string& error);
    // Stops serving; waits for the answers in progress (a delayed answer is cut short).
    void Stop();

    int Port() const { return m_port; }
    std::string Url() const;                         // "http://HOST:PORT"
    int PortalPort() const { return m_portalPort; }  // -1 without a portal
    std::string PortalUrl() const;

    // The phonebook as the PBX holds it, for tests (ascending contact id).
    std::vector<soap::TContactStruct> PbxState() const { return m_service.Contacts(); }
    std::vector<soap::TContactStruct> PbxState(int32_t contactType) const {
        return m_service.Contacts(contactType);
    }
    // Stores a contact under the next id and returns the id (0 when it could not be stored).
    [[nodiscard]] int32_t SeedContact(soap::TContactStruct contact) {
        return m_service.AddContact(std::move(contact));
    }
    // Adds count generated contacts (seed indexes firstIndex...); returns how many were stored.
    [[nodiscard]] int SeedContacts(int count, int32_t contactType, int firstIndex = 0);
    [[nodiscard]] bool ClearPbx() { return m_service.ClearContacts(); }
    int32_t NextContactId() const { return m_service.NextContactId(); }
    SimService& Service() { return m_service; }

    // Faults, switched at run time; the same meaning as in SimOptions (0 = off).
    void SetFailRequest(int64_t k) { m_failRequest = k; }
    void SetDropRequest(int64_t k) { m_dropRequest = k; }
    void SetFaultAfter(int64_t k) { m_faultAfter = k; }
    void SetDelayMs(int ms) { m_delayMs = ms; }
    void AddFailingName(std::string marker) { m_service.AddFailingName(std::move(marker)); }
    void ClearFaults();

    // SOAP requests (POSTs) received, and TCP connections they came on (distinct client
    // ports). Resetting also restarts the request numbers the faults refer to.
    uint64_t RequestCount() const { return m_requests; }
    uint64_t ConnectionCount() const;
    uint64_t OperationCount(soap::Operation operation) const;
    void ResetCounters();

private:
    void HandleSoap(const httplib::Request& req, httplib::Response& res);
    void HandleGet(const httplib::Request& req, httplib::Response& res);
    void HandlePortal(const httplib::Request& req, httplib::Response& res);
    void Delay();

    SimOptions m_options;
    SimService m_service;
    std::unique_ptr<httplib::Server> m_server;
    std::unique_ptr<httplib::Server> m_portal;
    std::unique_ptr<SimSsdp> m_ssdp;
    std::thread m_serverThread;
    std::thread m_portalThread;
    int m_port = -1;
    int m_portalPort = -1;
    bool m_loaded = false;

    std::atomic<int64_t> m_failRequest{0};
    std::atomic<int64_t> m_dropRequest{0};
    std::atomic<int64_t> m_faultAfter{0};
    std::atomic<int> m_delayMs{0};

    std::atomic<uint64_t> m_requests{0};
    std::atomic<uint64_t> m_operations[6] = {};
    mutable std::mutex m_countMutex;
    std::set<int> m_clientPorts;

    std::mutex m_stopMutex;
    std::condition_variable m_stopSignal;
    bool m_stopping = false;
};

}  // namespace korvi::sim
