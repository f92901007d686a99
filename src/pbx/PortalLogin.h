// The PBX user portal opened already logged in: a response computed from the user name, the
// PIN and the PBX's browser challenge, carried in the login URL instead of the PIN.
#pragma once

#include <string>
#include <string_view>

namespace korvi {

// response = md5hex(userName + ":" + md5hex(pin) + ":" + challenge). 0, or -1 when the digest
// could not be computed (response is then empty).
[[nodiscard]] int CalcResponseFromChallenge(std::string_view challenge, std::string_view userName,
                                            std::string_view pin, std::string& response);

// The user name as it goes into the query: a blank becomes "+", every byte other than a
// letter, a digit or one of "-._~" is percent-encoded, so that "&" or "#" in a user name
// cannot add or cut query fields.
std::string EncodePortalUserName(std::string_view userName);

struct PortalLoginInputs {
    std::string pbxUrlField;  // the PBX URL as typed, scheme included
    std::string userName;     // as typed
    std::string platform;     // from the last CheckService
    int browserPort = 0;
    int cIdx = 0;
    std::string response;  // from CalcResponseFromChallenge
};

// Platforms whose name holds "FC" serve the portal over HTTPS under a path named after the
// host's first label; the others serve it over plain HTTP on browserPort.
std::string BuildPortalLoginUrl(const PortalLoginInputs& inputs);

}  // namespace korvi
