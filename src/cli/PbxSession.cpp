#include "cli/PbxSession.h"

#include <algorithm>
#include <cctype>

#include "app/KorviSettings.h"
#include "app/Log.h"
#include "app/SettingsRegistry.h"
#include "app/Texts.h"
#include "cli/ActionRunner.h"
#include "cli/ArgParser.h"
#include "cli/CliIo.h"
#include "cli/SecretInput.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"
#include "sync/Tctrl.h"

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

Tpbx& PbxSession::pbx() { return m_io.services().pbx; }

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

Result PbxSession::Connect() {
    KorviSettings settings;
    GetFormSettingsFromRegistry(settings);
    m_fields.url = m_args.ValueOr("url", settings.pbxUrl);
    m_fields.port = m_args.ValueOr("port", settings.pbxPort);
    m_fields.userName = m_args.ValueOr("user", settings.userName);
    m_fields.timeout = m_args.ValueOr("timeout", settings.connTimeout);
    m_fields.pin = settings.pin;
    m_storedType = settings.syncContactType;
    m_storedTypeName = settings.syncContactTypeName;
    if (m_args.Has("pin-stdin") && !ReadSecretLine(m_io, "PIN: ", m_fields.pin)) {
        m_fields.pin.clear();
    }

    Tpbx& client = pbx();
    static_cast<void>(client.SetConnectionParams(
        m_fields.url + ":" + m_fields.port, m_fields.userName, m_fields.timeout, m_fields.pin));
    return client.ValidateConnectionParams();
}

Result PbxSession::ChooseContactType() {
    m_contactTypeMissing = false;
    Tpbx& client = pbx();
    const std::optional<std::string> option = m_args.Value("contact-type");
    long long id = 0;
    if (!option) {
        client.contactType = m_storedType;
        client.contactTypeName = m_storedTypeName;
    } else if (IsCentral(*option) || (ParseInt(*option, id) && id == kContactTypeCentral)) {
        client.contactType = kContactTypeCentral;
        client.contactTypeName = Text(kTextCentralStore);
    } else {
        if (!ParseInt(*option, id)) {
            return {kResultLocalFailure, "Invalid contact type '" + *option + "'"};
        }
        // The window takes the name from the extension list it shows; so does the tool.
        if (client.extnInfoList.empty()) {
            ActionRunner runner(m_io);
            if (runner.Run(kActGetExtnInfo) != 0) return m_io.services().ctrl.result();
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

void HintContactType(CliIo& io, const PbxSession& session) {
    if (!session.contactTypeMissing()) return;
    io.Error(
        "choose the phonebook with --contact-type central|DEVID ('korvi extensions' lists "
        "them)");
}

std::string FailureMessage(int code, const std::string& text) {
    return text + " (Error Code " + std::to_string(code) + ")";
}

bool ReportFileTransferStop(CliIo& io, const PbxSession& session, int code, const std::string& text,
                            std::string_view failedHistory) {
    if (code == kResultCancelled) {
        WriteLog("LOG: Cancelled");
        WriteHistory("Fail: Action cancelled");
        io.ClearStatus();
        io.err() << Text(kTextActionCancelled) << '\n';
        return true;
    }
    if (code == 0) return false;
    WriteHistory(failedHistory, text);
    io.ClearStatus();
    io.err() << FailureMessage(code, text) << '\n';
    HintContactType(io, session);
    return true;
}

}  // namespace korvi::cli
