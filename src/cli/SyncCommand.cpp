#include "cli/SyncCommand.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>

#include <fmt/format.h>

#include "app/KorviSettings.h"
#include "app/Log.h"
#include "app/Prompt.h"
#include "app/SettingsRegistry.h"
#include "app/Texts.h"
#include "cli/ActionRunner.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "pbx/Tpbx.h"
#include "services/OutlookPartner.h"
#include "services/Services.h"
#include "stores/outlook/Toutlook.h"
#include "sync/ActionListProcessing.h"
#include "sync/SyncActions.h"

namespace korvi::cli {

namespace {

struct SyncChoices {
    int partner = ePartner_Outlook;
    std::string folder;
    int direction = eSyncDir_Both;
    int conflict = eSync_PBX_wins;
    std::optional<int> similar;
    bool silent = false;
    bool dryRun = false;
    bool reset = false;
    KorviSettings settings;
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

// The options over the stored settings; false with a message for a usage error.
bool ReadChoices(const ParsedArgs& args, SyncChoices& c, std::string& error) {
    KorviSettings settings;
    GetAllSettingsFromRegistry(settings);
    c.partner = settings.syncPartner;
    c.folder = settings.syncOutlookFolder;
    c.direction = settings.syncDir;
    c.conflict = settings.conflictRes;
    c.settings = settings;
    if (auto p = args.Value("partner")) {
        if (*p == "outlook") {
            c.partner = ePartner_Outlook;
        } else if (*p == "gmail") {
            c.partner = ePartner_Gmail;
        } else {
            error = "--partner takes outlook, not '" + *p + "'";
            return false;
        }
    }
    if (auto f = args.Value("folder")) c.folder = *f;
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

bool Confirm(CliIo& io, const std::string& id, const std::string& text) {
    Question q;
    q.kind = Question::Kind::Confirm;
    q.id = id;
    q.caption = Text(kTextConfirm);
    q.text = text;
    return io.prompt().Ask(q) == kOk;
}

// The pair's key: the folder's entry id, known once the folder is open.
int FolderStoreId(Toutlook& outlook, const std::string& folder, std::string& storeId,
                  std::string& text) {
    outlook.folderPath = folder;
    Result opened = outlook.OpenFolder();
    if (!opened.ok()) {
        text = std::move(opened.text);
        return opened.code;
    }
    storeId = outlook.contactStoreID();
    outlook.CloseFolder();
    return 0;
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

int ResetSyncList(CliIo& io, const SyncChoices& choices) {
    Services& services = io.services();
    std::string storeId, text;
    const int rc = FolderStoreId(OutlookStore(services), choices.folder, storeId, text);
    if (rc != 0) {
        io.err() << FailureMessage(rc, text) << '\n';
        return kExitFailure;
    }
    const auto file = services.contactFile.SyncFilePath(services.pbx.contactType, storeId);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        io.out() << "No sync list for this pair (" << file.string()
                 << "): the next sync is a first-time sync.\n";
        return kExitOk;
    }
    if (!Confirm(io, "reset-sync-list",
                 "The sync list " + file.string() + " of " + services.pbx.contactTypeName +
                     " and Outlook folder [" + choices.folder +
                     "] will be deleted; the next sync is a first-time sync.\n\n" +
                     Text(kTextDoYouWantToContinue) + "\n")) {
        WriteLog("LOG: Cancelled");
        io.Error(Text(kTextActionCancelled));
        return kExitFailure;
    }
    if (!std::filesystem::remove(file, ec) || ec) {
        io.Error(file.string() + ": " + (ec ? ec.message() : "not deleted"));
        return kExitFailure;
    }
    WriteLog("LOG: Sync list deleted: %s", file.string());
    io.out() << "Deleted " << file.string() << "\n";
    return kExitOk;
}

}  // namespace

std::string SyncCommand::Usage() const {
    return "korvi sync [--partner outlook] [--folder PATH] [--direction 0-4|both|pbx-to-partner|"
           "partner-to-pbx|replace-partner|replace-pbx] [--conflict pbx|partner] "
           "[--contact-type central|DEVID] [--yes] [--similar pbx|partner|both|cancel|ask] "
           "[--silent] [--dry-run] [--reset]";
}

std::vector<OptionSpec> SyncCommand::Options() const {
    std::vector<OptionSpec> specs = {
        {"partner", "outlook", "the partner store (default: the SyncPartner setting)"},
        {"folder", "PATH",
         "the address book folder, e.g. \"\\\\Personal Folders\\Contacts\" (default: the "
         "syncOutlookFolder setting)"},
        {"direction", "0-4|NAME",
         "both, pbx-to-partner, partner-to-pbx, replace-partner or replace-pbx (default: the "
         "SyncDir setting)"},
        {"conflict", "pbx|partner",
         "a contact changed on both sides: pbx keeps the update written into the PBX (which "
         "carries the address book's version), partner the update written into the address "
         "book (the PBX's version) (default: the ConflictRes setting)"},
        {"similar", "pbx|partner|both|cancel|ask",
         "the answer to every similar-contact question of a first-time sync (default: ask)"},
        {"silent", "", "run as the automatic sync does: no questions, no first-time sync"},
        {"dry-run", "", "load and compare only: print the actions, change nothing"},
        {"reset", "", "delete the sync list of this pair (asks first); then stop"},
    };
    const auto connection = PbxConnectionOptions(true);
    specs.insert(specs.end(), connection.begin(), connection.end());
    return specs;
}

int SyncCommand::Run(const ParsedArgs& args, CliIo& io) {
    if (!args.Positionals().empty()) return UsageError(io, *this, "unexpected argument");
    SyncChoices choices;
    std::string usage;
    if (!ReadChoices(args, choices, usage)) return UsageError(io, *this, usage);
    PbxSession session(args, io);
    if (!session.CheckUsage(usage)) return UsageError(io, *this, usage);

    if (choices.partner != ePartner_Outlook) {
        const std::string notAvailable = PartnerNotAvailableText(choices.partner);
        WriteLog("ERR: %s", notAvailable);
        io.err() << FailureMessage(kResultActionNotAvailable, notAvailable) << '\n';
        return kExitFailure;
    }
    Services& services = io.services();
    services.Configure(choices.settings);
    Tctrl& ctrl = services.ctrl;
    Tpbx& pbx = services.pbx;
    Toutlook& outlook = OutlookStore(services);

    Result connected = session.Connect();
    if (connected.ok()) connected = session.ChooseContactType();
    auto [code, text] = std::move(connected);
    if (code != 0) {
        io.err() << FailureMessage(code, text) << '\n';
        HintContactType(io, session);
        return kExitFailure;
    }
    if (pbx.contactTypeName.empty()) {
        io.Error(Text(kTextCannotSync));
        WriteLog("ERR: Cannot Sync. Invalid ContactType Name");
        return kExitFailure;
    }
    if (choices.reset) return ResetSyncList(io, choices);

    std::string plan;
    if (choices.dryRun) {
        SyncActionOptions options;
        options.dryRun = true;
        options.plan = &plan;
        services.RegisterSyncActions(options);
    }
    io.prompt().SetSimilarAnswer(choices.similar);
    const std::string partnerName = PartnerName(choices.partner);
    const std::string label = SyncDirectionLabel(choices.partner, choices.direction);
    const char* how = choices.silent ? "Automatically" : "Manually";
    // A dry run changes nothing, so it leaves no trace in the sync history either.
    const bool history = !choices.dryRun;

    WriteLog("");
    if (history) WriteHistory("");
    ActionRunner runner(io);
    if (runner.Run(kActGetOutlookVersion, choices.silent ? 1 : 0) != 0) {
        return runner.ReportFailure();
    }
    WriteLog(choices.silent ? "LOG: -----> AutoSync: %s (%d - %s)"
                            : "LOG: -----> Synchronize: %s (%d - %s)",
             label, outlook.versionCode, outlook.versionName);
    if (outlook.versionCode < 3) {
        WriteLog("ERR: Outlook Version (%d) not supported!", outlook.versionCode);
        if (history) {
            WriteHistory("Sync started [%s] - Fail: Outlook Version (%d) not supported!", how,
                         outlook.versionCode);
        }
        io.Error(Text(kTextOutlookTooOld, {}, kAppName));
        return kExitFailure;
    }
    if (history) {
        WriteHistory("Sync started [%s] - Direction [%s] - Outlook Folder [%s] - Device [%s]", how,
                     label, choices.folder, pbx.contactTypeName);
    }

    ctrl.partner = choices.partner;
    ctrl.outlookFolder = choices.folder;
    ctrl.syncDirection = choices.direction;
    ctrl.conflictResolution = choices.conflict;

    bool firstTimeSync = false;
    if (choices.direction != eSyncDir_ReplacePartner && choices.direction != eSyncDir_ReplacePbx) {
        std::string storeId;
        code = FolderStoreId(outlook, choices.folder, storeId, text);
        if (code != 0) {
            if (history) WriteHistory("Sync Fail - %s (Error Code %d)", text, code);
            io.err() << FailureMessage(code, text) << '\n';
            return kExitFailure;
        }
        const bool firstTime =
            !services.contactFile.CheckIfSyncFileExists(pbx.contactType, storeId).ok();
        firstTimeSync = firstTime;
        if (firstTime && !choices.silent && !choices.dryRun) {
            const std::string warning =
                Text(kTextFirstSyncOutlook, choices.folder, pbx.contactTypeName) + "\n\n" +
                Text(kTextFirstSyncDuplicates) + "\n\n" + Text(kTextFirstSyncBackup, partnerName) +
                "\n" + Text(kTextDoYouWantToContinue) + "\n";
            if (!Confirm(io, "first-time-sync", warning)) {
                WriteLog("LOG: Cancelled");
                io.Error(Text(kTextActionCancelled));
                return kExitFailure;
            }
        }
    }

    code = runner.Run(kActSyncContacts, choices.silent ? 1 : 0);
    text = ctrl.resultText();
    if (choices.dryRun) {
        if (code != 0) return runner.ReportFailure();
        if (firstTimeSync && plan.empty()) {
            io.out() << "No sync list yet: a first-time sync, contacts matched by name.\n";
        }
        PrintActionList(io, ctrl, plan);
        PrintCounts(io, ctrl, partnerName);
        io.out() << "Dry run: nothing was changed.\n";
        return kExitOk;
    }
    const bool replace =
        choices.direction == eSyncDir_ReplacePartner || choices.direction == eSyncDir_ReplacePbx;
    if (code == 0 || code == kResultGmailNumbersSkipped) {
        if (ctrl.pbxUpdates != 0 || ctrl.partnerUpdates != 0) {
            io.out() << (code == 0
                             ? Text(kTextSyncDone, partnerName, {}, std::to_string(ctrl.pbxUpdates),
                                    std::to_string(ctrl.partnerUpdates))
                             : Text(kTextSyncGmailNumbersSkipped))
                     << '\n';
            if (replace) {
                WriteHistory("Successful Sync.");
            } else {
                WriteHistory(
                    "Successful Sync - [PBX: %d added %d deleted %d amended] [%s: %d added %d "
                    "deleted %d amended]",
                    ctrl.pbxAdds, ctrl.pbxDeletes, ctrl.pbxAmends, partnerName, ctrl.partnerAdds,
                    ctrl.partnerDeletes, ctrl.partnerAmends);
            }
        } else {
            io.out() << (code == 0 ? Text(kTextSyncNoUpdates) : Text(kTextSyncGmailNumbersSkipped))
                     << '\n';
            WriteHistory("No updates since last Sync.");
        }
        // A whole side copied onto the other counts as updates, not as queued actions.
        const int queued = ctrl.pbxAdds + ctrl.pbxDeletes + ctrl.pbxAmends + ctrl.partnerAdds +
                           ctrl.partnerDeletes + ctrl.partnerAmends;
        if (!replace && queued == ctrl.pbxUpdates + ctrl.partnerUpdates && queued > 0) {
            PrintCounts(io, ctrl, partnerName);
        }
        return kExitOk;
    }
    // A cancel has its history line already ("Fail: Action cancelled"); an automatic sync
    // records it once more as a failure, as the timer does.
    if (code != kResultCancelled || choices.silent) {
        WriteHistory("Sync Fail - %s (Error Code %d)", text, code);
    }
    return runner.ReportFailure();
}

}  // namespace korvi::cli
