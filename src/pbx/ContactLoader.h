// Reads the contacts of a phonebook's id list with one GetContact call each, over several
// kept-alive connections at once: a PBX on the LAN answers in about a millisecond, and waiting
// for every answer before sending the next request leaves the line idle most of the time.
//
// The outcome is the one a load over a single connection would have: the contacts in id-list
// order up to the first id whose call failed (or at which the user cancelled), and that
// failure. Calls are never made past a failure or a cancel that the load already knows of, and
// each connection notices a cancel before its next request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/Progress.h"
#include "model/Contact.h"
#include "pbx/HttpClient.h"
#include "pbx/ProxySettings.h"
#include "pbx/soap/SoapTypes.h"

namespace korvi {

struct ContactLoadOutcome {
    enum class Kind {
        kDone,         // every id was read
        kPbxFailure,   // the PBX answered an id with a non-zero errCode
        kCallFailure,  // a call could not complete (transport, HTTP, SOAP Fault, bad answer)
        kCancelled,    // the cancel flag was set before the call of stopIndex
    };
    Kind kind = Kind::kDone;
    // The id-list index of the failure or the cancel; the list's size when done.
    std::size_t stopIndex = 0;
    int32_t errCode = 0;
    // errDesc of the failing answer, or (done) of the last answer.
    std::string errDesc;
    // kCallFailure: what went wrong; empty when the failure gave no message.
    std::string message;
    // The contacts read, in id-list order, for the indexes before stopIndex.
    std::vector<std::unique_ptr<TContact>> contacts;
};

class ContactLoader {
public:
    // Makes the HTTP client of one connection; called one at a time.
    using ClientMaker = std::function<std::unique_ptr<HttpClient>()>;
    // Told the index of each call about to be made: one at a time, and never an index below
    // one already told, so a progress display built on it never moves backwards.
    using ProgressReport = std::function<void(std::size_t index)>;

    ContactLoader(ClientMaker makeClient, ProxySettings settings,
                  soap::TUserDetailsStruct userDetails, bool cleanNames);

    // connections below 1 count as 1; never more connections than ids. Does not throw.
    [[nodiscard]] ContactLoadOutcome Load(std::span<const int32_t> ids, int connections,
                                          const StopFlag& cancel, const ProgressReport& progress);

    // TCP connections opened by the loads so far.
    long connectionsOpened() const { return m_connectionsOpened; }

private:
    class Run;

    ClientMaker m_makeClient;
    ProxySettings m_settings;
    soap::TUserDetailsStruct m_userDetails;
    bool m_cleanNames;
    long m_connectionsOpened = 0;
};

}  // namespace korvi
