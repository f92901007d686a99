// One process's services against the PBX simulator (in process, on 127.0.0.1) and an address
// book folder, with a front end that records what a flow shows instead of showing it, and the
// scripted prompt for the flow's questions.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PbxSimulator.h"
#include "app/ScriptedPrompt.h"
#include "flows/FlowContext.h"
#include "flows/FrontEnd.h"
#include "services/Services.h"

namespace korvi::test {

inline constexpr int32_t kDesk = 101;
inline constexpr char kDeskName[] = "Front Desk";
inline constexpr char kUser[] = "demo";
inline constexpr char kPin[] = "4711";

// Each message as "information: ...", "warning: ...", "error: ...", "cancelled: ...",
// "declined: ..." or "unshown: ..."; a failure is the error box's text with its code.
class RecordingFrontEnd final : public flows::FrontEnd {
public:
    Prompt& prompt() override { return answers; }
    void Information(const std::string& text) override { shown.push_back("information: " + text); }
    void Warning(const std::string& text) override { shown.push_back("warning: " + text); }
    void Error(const std::string& text) override { shown.push_back("error: " + text); }
    void Cancelled(const Result& result) override { shown.push_back("cancelled: " + result.text); }
    void Declined(const std::string& text) override { shown.push_back("declined: " + text); }
    void Unshown(const std::string& text) override { shown.push_back("unshown: " + text); }

    // The user presses Cancel in the progress at once when cancelAction is set (of the action
    // numbered cancelOnly alone, when that is not -1); like the window, the flow goes on
    // without waiting for the worker.
    bool WaitForAction(Tctrl& ctrl, int silent) override;

    // The extension box holds contactTypeName (contactType its number).
    Result SelectContactType(Tpbx& pbx) override;
    std::optional<std::string> ChooseFile(flows::FileDialog dialog) override;
    // OK on folder (the default contacts folder when empty); dismissed when nullopt.
    Result ChooseOutlookFolder(Toutlook& store) override;
    std::optional<std::string> ChooseServer(const std::vector<std::string>& urls) override;

    ScriptedPrompt answers;
    std::vector<std::string> shown;
    bool cancelAction = false;
    int cancelOnly = -1;
    int32_t contactType = kDesk;
    std::string contactTypeName = kDeskName;
    std::optional<std::string> file;
    std::optional<std::string> folder = std::string();
    std::optional<std::size_t> serverChoice;
    std::vector<std::string> serversOffered;
};

class FlowWorld {
public:
    FlowWorld();
    ~FlowWorld();

    // The settings as the window's controls hold them (URL, port, user, PIN, timeout, the
    // address book folder, the desk extension as the sync's), handed to the partners.
    KorviSettings& settings() { return m_ctx->settings; }
    flows::FlowContext& ctx();
    Services& services() { return *m_services; }
    sim::PbxSimulator& sim() { return *m_sim; }
    RecordingFrontEnd& front() { return m_front; }

    // The folder the address book's default contacts folder is.
    std::filesystem::path Contacts() const;
    void Card(const std::string& file, const std::string& given, const std::string& family,
              const std::string& tel);
    int CardCount() const;
    std::size_t PbxCount(int32_t contactType = kDesk) const;

    // The sync history and the detailed log as written so far ("" when none).
    static std::string History();
    static std::string Log();
    // After a cancel the worker may still wait for a slow PBX: the simulator stops (which cuts
    // a delayed answer short) and the worker is waited for. The PBX's state stays readable.
    void EndPbx();

private:
    std::filesystem::path m_home;
    std::unique_ptr<sim::PbxSimulator> m_sim;
    std::unique_ptr<Services> m_services;
    RecordingFrontEnd m_front;
    std::unique_ptr<flows::FlowContext> m_ctx;
    bool m_pbxEnded = false;
};

}  // namespace korvi::test
