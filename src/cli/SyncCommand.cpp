#include "cli/SyncCommand.h"

#include <optional>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "app/KorviSettings.h"
#include "app/Prompt.h"
#include "app/Texts.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "flows/GmailFlows.h"
#include "flows/SyncFlows.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"
#include "sync/ActionListProcessing.h"
#include "sync/SyncActions.h"

namespace korvi::cli {

namespace {

// The options; an option not given leaves the stored setting.
struct SyncChoices {
    std::optional<int> partner;
    std::optional<std::string> folder;
    std::optional<std::string> group;
    std::optional<int> direction;
    std::optional<int> conflict;
    std::optional<int> similar;
    bool silent = false;
    bool dryRun = false;
    bool reset = false;
};

std::optional<int> ParseDirection(const std::string& text) {
    if (text == "both") return eSyncDir_Both;
    if (text == "pbx-to-partner") return eSyncDir_PbxToPartner;
    if (text == "partner-to-pbx") return eSyncDir_PartnerToPbx;
    if (text == "replace-partner") return eSyncDir_ReplacePartner;
    if (text == "replace-pbx") return eSyncDir_ReplacePbx;
    int n = -1;
    if (ParseInt(text, n) && n >= eSyncDir_Both && n <= eSyncDir_ReplacePbx) return n;
    return std::nullopt;
}

// The options; false with a message for a usage error.
bool ReadChoices(const ParsedArgs& args, SyncChoices& c, std::string& error) {
    if (auto p = args.Value("partner")) {
        if (*p == "outlook") {
            c.partner = ePartner_Outlook;
        } else if (*p == "gmail") {
            c.partner = ePartner_Gmail;
        } else if (*p == "carddav") {
            c.partner = ePartner_CardDav;
        } else {
            error = "--partner takes outlook, gmail or carddav, not '" + *p + "'";
            return false;
        }
    }
    c.folder = args.Value("folder");
    c.group = args.Value("group");
    if (auto d = args.Value("direction")) {
        const auto parsed = ParseDirection(*d);
        if (!parsed) {
            error =
                "--direction takes 0-4, both, pbx-to-partner, partner-to-pbx, "
                "replace-partner or replace-pbx, not '" +
                *d + "'";
            return false;
        }
        c.direction = *parsed;
    }
    if (auto r = args.Value("conflict")) {
        if (*r == "pbx") {
            c.conflict = eSync_PBX_wins;
        } else if (*r == "partner") {
            c.conflict = eSync_PC_wins;
        } else {
            error = "--conflict takes pbx or partner, not '" + *r + "'";
            return false;
        }
    }
    if (auto s = args.Value("similar")) {
        if (*s == "pbx") {
            c.similar = kUsePbx;
        } else if (*s == "partner") {
            c.similar = kUsePartner;
        } else if (*s == "both") {
            c.similar = kRetainBoth;
        } else if (*s == "cancel") {
            c.similar = kCancel;
        } else if (*s != "ask") {
            error = "--similar takes pbx, partner, both, cancel or ask, not '" + *s + "'";
            return false;
        }
    }
    c.silent = args.Has("silent");
    c.dryRun = args.Has("dry-run");
    c.reset = args.Has("reset");
    if (c.reset && c.dryRun) {
        error = "--reset and --dry-run do not go together";
        return false;
    }
    return true;
}

std::string NumbersText(const TContact& c, bool withStates) {
    std::string out;
    if (!c.numbers) return out;
    for (const auto& n : *c.numbers) {
        if (!out.empty()) out += ", ";
        out += std::string(NumberTypeName(n.numberType)) + "=" + n.number;
        if (withStates && n.state != kNoChange)
            out += std::string(" (") + NumberStateName(n.state) + ")";
    }
    return out;
}

void PrintActionList(CliIo& io, const Tctrl& ctrl, const std::string& plan) {
    auto& out = io.out();
    if (!plan.empty()) out << plan << ":\n";
    if (ctrl.actionList.empty()) out << "Nothing to do.\n";
    for (const auto& a : ctrl.actionList) {
        if (!a) continue;
        const bool amend = a->action == eAmendInPBX || a->action == eAmendInPartner;
        out << fmt::format("{:<16} [{}] [{}] [{}]  {}\n", ActionCodeName(a->action), a->firstName,
                           a->lastName, a->displayName, NumbersText(*a, amend));
    }
}

void PrintCounts(CliIo& io, const Tctrl& ctrl, const std::string& partnerName) {
    io.out() << fmt::format(
        "PBX: {} added, {} deleted, {} amended. {}: {} added, {} deleted, {} amended.\n",
        ctrl.pbxAdds, ctrl.pbxDeletes, ctrl.pbxAmends, partnerName, ctrl.partnerAdds,
        ctrl.partnerDeletes, ctrl.partnerAmends);
}

int PrintReset(CliIo& io, const flows::ResetOutcome& reset) {
    using Kind = flows::ResetOutcome::Kind;
    if (reset.kind == Kind::kNoList) {
        io.out() << "No sync list for this pair (" << reset.file.string()
                 << "): the next sync is a first-time sync.\n";
        return kExitOk;
    }
    if (reset.kind != Kind::kDeleted) return kExitFailure;
    io.out() << "Deleted " << reset.file.string() << "\n";
    return kExitOk;
}

void PrintDryRun(CliIo& io, const flows::SyncOutcome& outcome, const std::string& plan,
                 const std::string& partnerName) {
    const Tctrl& ctrl = io.services().ctrl;
    if (outcome.firstTime && plan.empty()) {
        io.out() << "No sync list yet: a first-time sync, contacts matched by name.\n";
    }
    PrintActionList(io, ctrl, plan);
    PrintCounts(io, ctrl, partnerName);
    io.out() << "Dry run: nothing was changed.\n";
}

}  // namespace

std::string SyncCommand::Usage() const {
    return "korvi sync [--partner outlook|gmail|carddav] [--folder PATH] [--group NAME] "
           "[--direction 0-4|both|pbx-to-partner|partner-to-pbx|replace-partner|replace-pbx] "
           "[--conflict pbx|partner] "
           "[--contact-type central|DEVID] [--yes] [--similar pbx|partner|both|cancel|ask] "
           "[--silent] [--dry-run] [--reset]";
}

std::vector<OptionSpec> SyncCommand::OwnOptions() const {
    return {
        {"partner", "outlook|gmail|carddav",
         "the partner store (default: the SyncPartner setting)"},
        {"folder", "PATH",
         "the address book folder, e.g. \"\\\\Personal Folders\\Contacts\" (default: the "
         "syncOutlookFolder setting)"},
        {"group", "NAME",
         "the cloud account's contact group to sync with (default: the syncGmailFolderTitle and "
         "syncGmailFolderID settings)"},
        {"direction", "0-4|NAME",
         "both, pbx-to-partner, partner-to-pbx, replace-partner or replace-pbx (default: the "
         "SyncDir setting)"},
        {"conflict", "pbx|partner",
         "a contact changed on both sides: pbx keeps the update written into the PBX (which "
         "carries the address book's version), partner the update written into the address "
         "book (the PBX's version) (default: the ConflictRes setting)"},
        {"similar", "pbx|partner|both|cancel|ask",
         "the answer to every similar-contact question of a first-time sync (default: ask)"},
        {"silent", "",
         "run as the automatic sync does: no questions, no first-time sync, nothing applied "
         "when it would delete more than the SilentDeleteMax and SilentDeletePercent settings "
         "allow, no filling of a side that reads empty"},
        {"dry-run", "", "load and compare only: print the actions, change nothing"},
        {"reset", "", "delete the sync list of this pair (asks first); then stop"},
    };
}

bool SyncCommand::CheckOptions(const ParsedArgs& args, std::string& error) const {
    SyncChoices unused;
    return ReadChoices(args, unused, error);
}

int SyncCommand::RunFlow(const ParsedArgs& args, CliIo& io, PbxSession& session, CliFlow& flow) {
    SyncChoices choices;
    std::string unused;
    static_cast<void>(ReadChoices(args, choices, unused));
    flows::FlowContext& ctx = flow.ctx();
    KorviSettings& settings = ctx.settings;
    if (choices.partner) settings.syncPartner = *choices.partner;
    if (choices.folder) settings.syncOutlookFolder = *choices.folder;
    if (choices.direction) settings.syncDir = *choices.direction;
    if (choices.conflict) settings.conflictRes = *choices.conflict;
    if (!flows::CheckSyncPartner(ctx).ok()) return kExitFailure;
    if (choices.group) {
        if (settings.syncPartner != ePartner_Gmail)
            return UsageError(io, *this, "--group goes with --partner gmail");
        // As the sync tab's account button chooses it, for this run.
        flow.frontEnd().SetGmailGroup(choices.group, std::nullopt, {});
        if (!flows::ChangeSyncGmailGroup(ctx).ok()) return kExitFailure;
    }

    // The phonebook of the options, as the sync tab's selection gives it.
    if (Result chosen = session.ChooseContactType(ctx); !chosen.ok()) {
        flow.frontEnd().Failure(chosen);
        return kExitFailure;
    }
    Services& services = io.services();
    settings.syncContactType = services.pbx.contactType;
    settings.syncContactTypeName = services.pbx.contactTypeName;
    if (choices.reset) return PrintReset(io, flows::ResetSyncList(ctx));

    std::string plan;
    if (choices.dryRun) {
        SyncActionOptions options;
        options.dryRun = true;
        options.plan = &plan;
        services.RegisterSyncActions(options);
    }
    io.prompt().SetSimilarAnswer(choices.similar);
    flows::SyncRequest request;
    request.automatic = choices.silent;
    request.dryRun = choices.dryRun;
    const flows::SyncOutcome outcome = flows::SyncNow(ctx, request);
    const Result& result = outcome.result;
    if (!result.ok() && result.code != kResultGmailNumbersSkipped) return kExitFailure;
    const std::string partnerName = services.ctrl.partnerName;
    if (choices.dryRun) {
        PrintDryRun(io, outcome, plan, partnerName);
        return kExitOk;
    }
    io.out() << flow.frontEnd().InformationText();
    // A whole side copied onto the other counts as updates, not as queued actions.
    const Tctrl& ctrl = services.ctrl;
    const bool replace =
        settings.syncDir == eSyncDir_ReplacePartner || settings.syncDir == eSyncDir_ReplacePbx;
    const int queued = ctrl.pbxAdds + ctrl.pbxDeletes + ctrl.pbxAmends + ctrl.partnerAdds +
                       ctrl.partnerDeletes + ctrl.partnerAmends;
    if (!replace && queued == ctrl.pbxUpdates + ctrl.partnerUpdates && queued > 0) {
        PrintCounts(io, ctrl, partnerName);
    }
    return kExitOk;
}

}  // namespace korvi::cli
