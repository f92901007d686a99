#include "cli/PbxSession.h"

#include <algorithm>
#include <cctype>

#include "app/SettingsRegistry.h"
#include "app/Texts.h"
#include "cli/ArgParser.h"
#include "cli/CliFrontEnd.h"
#include "cli/CliIo.h"
#include "cli/SecretInput.h"
#include "flows/CarryOutAction.h"
#include "flows/FlowContext.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"

namespace korvi::cli {

namespace {

constexpr char kCentral[] = "central";

bool IsCentral(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text == kCentral;
}

}  // namespace

std::vector<OptionSpec> PbxConnectionOptions(bool withContactType) {
    std::vector<OptionSpec> specs = {
        {"url", "URL", "PBX address, scheme and host (default: the PbxUrl setting)"},
        {"port", "PORT", "PBX web-service port (default: the PbxPort setting)"},
        {"user", "NAME", "PBX user name (default: the UserName setting)"},
        {"pin-stdin", "", "read the PIN from standard input (default: the stored Pin)"},
        {"timeout", "SECONDS", "connection timeout, 2 to 60 (default: the ConnTimeout setting)"},
    };
    if (withContactType) {
        specs.push_back({"contact-type", "central|DEVID",
                         "the phonebook: the central store or an extension's device id "
                         "(default: the SyncContactType setting)"});
    }
    return specs;
}

PbxSession::PbxSession(const ParsedArgs& args, CliIo& io) : m_args(args), m_io(io) {}

bool PbxSession::CheckUsage(std::string& error) const {
    if (const auto type = m_args.Value("contact-type")) {
        long long id = 0;
        if (!IsCentral(*type) && (!ParseInt(*type, id) || id < 0 || id > 65535)) {
            error = "--contact-type takes 'central' or a device id, not '" + *type + "'";
            return false;
        }
    }
    return true;
}

const KorviSettings& PbxSession::Settings() {
    if (m_settings) return *m_settings;
    KorviSettings settings;
    GetFormSettingsFromRegistry(settings);
    settings.pbxUrl = m_args.ValueOr("url", settings.pbxUrl);
    settings.pbxPort = m_args.ValueOr("port", settings.pbxPort);
    settings.userName = m_args.ValueOr("user", settings.userName);
    settings.connTimeout = m_args.ValueOr("timeout", settings.connTimeout);
    if (m_args.Has("pin-stdin") && !ReadSecretLine(m_io, "PIN: ", settings.pin)) {
        settings.pin.clear();
    }
    m_settings = std::move(settings);
    return *m_settings;
}

Result PbxSession::ChooseContactType(flows::FlowContext& ctx) {
    m_contactTypeMissing = false;
    Tpbx& client = ctx.services.pbx;
    const KorviSettings& s = ctx.settings;
    static_cast<void>(
        client.SetConnectionParams(s.pbxUrl + ":" + s.pbxPort, s.userName, s.connTimeout, s.pin));
    if (Result connection = client.ValidateConnectionParams(); !connection.ok()) {
        return connection;
    }

    const std::optional<std::string> option = m_args.Value("contact-type");
    long long id = 0;
    if (!option) {
        client.contactType = s.syncContactType;
        client.contactTypeName = s.syncContactTypeName;
    } else if (IsCentral(*option) || (ParseInt(*option, id) && id == kContactTypeCentral)) {
        client.contactType = kContactTypeCentral;
        client.contactTypeName = Text(kTextCentralStore);
    } else {
        if (!ParseInt(*option, id)) {
            return {kResultLocalFailure, "Invalid contact type '" + *option + "'"};
        }
        // The window takes the name from the extension list it shows; so does the tool.
        if (client.extnInfoList.empty() &&
            flows::CarryOutAction(ctx, kActGetExtnInfo) != kResultOk) {
            return flows::LastResult(ctx);
        }
        const std::string devID = std::to_string(id);
        const auto it = std::find_if(client.extnInfoList.begin(), client.extnInfoList.end(),
                                     [&devID](const TExtnInfo& e) { return e.devID == devID; });
        if (it == client.extnInfoList.end()) {
            return {kResultLocalFailure,
                    "No extension with device id " + devID + " for user " + client.userName};
        }
        client.contactType = static_cast<int32_t>(id);
        client.contactTypeName = it->extnName;
    }
    Result checked = client.ValidateContactType();
    m_contactTypeMissing = !checked.ok() && client.contactTypeName.empty();
    return checked;
}

void PbxSession::Attach(CliFrontEnd& frontEnd, flows::FlowContext& ctx) {
    frontEnd.SetContactTypeChoice([this, &ctx](Tpbx&) { return ChooseContactType(ctx); });
    frontEnd.SetContactTypeMissing([this] { return m_contactTypeMissing; });
}

}  // namespace korvi::cli
