#include "sync/ActionListProcessing.h"

#include <exception>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include <fmt/format.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "sync/SyncListEditor.h"

namespace korvi {

const char* ActionCodeName(int32_t code) {
    switch (code) {
        case eAddInPBX:
            return "eAddInPBX";
        case eDelInPBX:
            return "eDelInPBX";
        case eAmendInPBX:
            return "eAmendInPBX";
        case eAddInPartner:
            return "eAddInPartner";
        case eDelInPartner:
            return "eDelInPartner";
        case eAmendInPartner:
            return "eAmendInPartner";
        default:
            return "invalid";
    }
}

void CountChangesInActionList(Tctrl& ctrl) {
    for (std::size_t i = 0; i < ctrl.actionList.size(); ++i) {
        const TContact* a = ctrl.actionList[i].get();
        if (a == nullptr) {
            WriteLog("ERR: CountChangesInActionList(%d): Null contact ", static_cast<int>(i));
            continue;
        }
        switch (a->action) {
            case eAddInPBX:
                ++ctrl.pbxAdds;
                break;
            case eDelInPBX:
                ++ctrl.pbxDeletes;
                break;
            case eAmendInPBX:
                ++ctrl.pbxAmends;
                break;
            case eAddInPartner:
                ++ctrl.partnerAdds;
                break;
            case eDelInPartner:
                ++ctrl.partnerDeletes;
                break;
            case eAmendInPartner:
                ++ctrl.partnerAmends;
                break;
            default:
                break;
        }
    }
    ctrl.pbxUpdates = ctrl.pbxAdds + ctrl.pbxAmends + ctrl.pbxDeletes;
    ctrl.partnerUpdates = ctrl.partnerAdds + ctrl.partnerAmends + ctrl.partnerDeletes;
}

namespace {

struct Failure {
    int code = 0;
    std::string text;
};

std::string ExceptionMessage(std::exception_ptr e) {
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& ex) {
        return ex.what();
    } catch (...) {
        return "Unknown exception";
    }
}

enum class Side { kPbx, kPartner };
enum class Kind { kAdd, kDelete, kAmend };

// What each action code does: where it writes, how, and the history line of a success (its
// one "%s" is the partner's name).
struct ActionRule {
    int32_t code;
    Side side;
    Kind kind;
    const char* history;
};

constexpr ActionRule kRules[] = {
    {eAddInPBX, Side::kPbx, Kind::kAdd, "New Contact found in %s => added to PBX:"},
    {eDelInPBX, Side::kPbx, Kind::kDelete, "Contact deleted in %s => delete in PBX:"},
    {eAmendInPBX, Side::kPbx, Kind::kAmend, "Contact amended in %s => amend in PBX:"},
    {eAddInPartner, Side::kPartner, Kind::kAdd, "New Contact found in PBX => added to %s:"},
    {eDelInPartner, Side::kPartner, Kind::kDelete, "Contact deleted in PBX => delete from %s:"},
    {eAmendInPartner, Side::kPartner, Kind::kAmend, "Contact amended in PBX => amend in %s:"},
};

// An amendment whose contact the other side has deleted meanwhile, written as a new contact.
constexpr const char* kReaddedHistory[] = {
    "Contact amended in %s => added again to PBX, where it had been deleted:",
    "Contact amended in PBX => added again to %s, where it had been deleted:",
};

const ActionRule* FindRule(int32_t code) {
    for (const auto& rule : kRules) {
        if (rule.code == code) return &rule;
    }
    return nullptr;
}

// Applies the actions one by one. The target of a delete or an amendment may be gone from its
// side: the user deleted it there while the conflict rule kept the other side's edit, or it
// went after the load. A delete of what is gone is done; an amendment of what is gone adds the
// amended contact, so that the edit survives and no later sync fails the same way again.
class ActionApplier {
public:
    ActionApplier(Tctrl& ctrl, PbxPhonebook& pbx, PartnerStore& partner)
        : m_ctrl(ctrl), m_pbx(pbx), m_partner(partner), m_partnerName(ctrl.partnerName) {}

    // Returns false when the loop must stop at once (a PBX failure).
    bool Apply(int i, TContact& a, bool& applied) {
        applied = false;
        const ActionRule* rule = FindRule(a.action);
        if (rule == nullptr) {
            WriteLog("ERR: ProcessActionList(%d): invalid action : %d", i, a.action);
            return true;
        }
        const char* name = ActionCodeName(a.action);
        WriteLog("LOG: ProcessActionList(%d): %s : [%s] [%s]", i, name, a.firstName, a.lastName);
        const Side side = rule->side;
        if (side == Side::kPbx && rule->kind != Kind::kAdd && a.contactId == kContactIdNew) {
            WriteLog(
                "ERR: ProcessActionList(%d): %s : [%s] [%s] - could not find in pbxContactList", i,
                name, a.firstName, a.lastName);
            return true;
        }
        Result r = Write(side, rule->kind, a);
        // The partner store failed as a whole: every update after this one would fail the same
        // way, so the processing ends here, as after an exception inside the store.
        if (side == Side::kPartner && r.code == kResultNoSyncFile) {
            m_storeFailure = Failure{r.code, std::move(r.text)};
            return false;
        }
        const char* history = rule->history;
        if (!r.ok() && rule->kind != Kind::kAdd && !Holds(side, a)) {
            if (rule->kind == Kind::kDelete) {
                WriteLog("LOG: ProcessActionList(%d): %s : [%s] [%s] - already gone from %s", i,
                         name, a.firstName, a.lastName, SideName(side));
                applied = true;
                return true;
            }
            WriteLog("LOG: ProcessActionList(%d): %s : [%s] [%s] - gone from %s, added instead", i,
                     name, a.firstName, a.lastName, SideName(side));
            r = Write(side, Kind::kAdd, a);
            history = kReaddedHistory[side == Side::kPbx ? 0 : 1];
        }
        if (!r.ok()) {
            return side == Side::kPbx ? PbxFailed(r.code, r.text) : PartnerFailed(r.code, r.text);
        }
        WriteHistory(history, m_partnerName);
        WriteContactToHistory(&a, rule->kind == Kind::kAmend);
        applied = true;
        return true;
    }

    const std::optional<Failure>& pbxFailure() const { return m_pbxFailure; }
    const std::optional<Failure>& storeFailure() const { return m_storeFailure; }
    const std::optional<Failure>& firstPartnerFailure() const { return m_firstPartnerFailure; }
    int partnerFailures() const { return m_partnerFailures; }

private:
    Result Write(Side side, Kind kind, TContact& a) {
        if (side == Side::kPbx) {
            switch (kind) {
                case Kind::kAdd:
                    a.contactId = kContactIdNew;
                    return m_pbx.WriteContact(a);
                case Kind::kDelete:
                    return m_pbx.DeleteContact("BY_CONTACT_ID", a.contactId);
                case Kind::kAmend:
                    return m_pbx.WriteContact(a);
            }
        }
        switch (kind) {
            case Kind::kAdd:
                return m_partner.UpdateContact(PartnerStore::kUpdateAdd, a);
            case Kind::kDelete:
                return m_partner.UpdateContact(PartnerStore::kUpdateDelete, a);
            case Kind::kAmend:
                return m_partner.UpdateContact(PartnerStore::kUpdateAmend, a);
        }
        return kResultInvalidAction;
    }
    const std::string& SideName(Side side) const {
        static const std::string kPbxName = "PBX";
        return side == Side::kPbx ? kPbxName : m_partnerName;
    }
    bool PbxFailed(int code, std::string text) {
        m_pbxFailure = Failure{code, std::move(text)};
        return false;
    }
    bool PartnerFailed(int code, std::string text) {
        if (!m_firstPartnerFailure) m_firstPartnerFailure = Failure{code, std::move(text)};
        ++m_partnerFailures;
        return true;
    }
    // Whether the side's loaded list holds the action's target.
    bool Holds(Side side, const TContact& a) {
        if (side == Side::kPbx) {
            if (!m_pbxIds) {
                m_pbxIds.emplace();
                for (const auto& c : m_ctrl.pbxContactList) {
                    if (c) m_pbxIds->insert(c->contactId);
                }
            }
            return m_pbxIds->count(a.contactId) != 0;
        }
        if (!m_partnerIds) {
            m_partnerIds.emplace();
            for (const auto& c : m_ctrl.partnerContactList) {
                if (c) m_partnerIds->insert(c->entryId);
            }
        }
        return m_partnerIds->count(a.entryId) != 0;
    }

    Tctrl& m_ctrl;
    PbxPhonebook& m_pbx;
    PartnerStore& m_partner;
    const std::string m_partnerName;
    std::optional<Failure> m_pbxFailure;
    std::optional<Failure> m_storeFailure;
    std::optional<Failure> m_firstPartnerFailure;
    int m_partnerFailures = 0;
    std::optional<std::unordered_set<int32_t>> m_pbxIds;
    std::optional<std::unordered_set<std::string>> m_partnerIds;
};

// Records the applied actions in the sync list; the others leave their entries as they were.
void RecordInSyncList(Tctrl& ctrl, SyncRunState& run, const std::vector<char>& applied) {
    TContactList& actions = ctrl.actionList;
    if (!run.fallbacks.empty()) {
        std::unordered_map<const TContact*, std::size_t> position;
        for (std::size_t i = 0; i < actions.size(); ++i) position[actions[i].get()] = i;
        for (auto& f : run.fallbacks) {
            auto it = position.find(f.action);
            const bool done = it != position.end() && applied[it->second];
            if (!done && f.syncEntry != nullptr && f.ifNotApplied) {
                AssignContact(f.syncEntry, f.ifNotApplied.get());
            }
        }
    }

    WriteLog("LOG: ProcessActionList: Applying %d updates to Sync List",
             static_cast<int>(actions.size()));
    SyncListEditor sync(ctrl.syncContactList);
    for (std::size_t i = 0; i < actions.size(); ++i) {
        ctrl.SetProgressText("Updating Sync list... ", 0);
        const TContact* a = actions[i].get();
        if (a == nullptr) {
            WriteLog("ERR: ProcessActionList(%d): Null contact ", static_cast<int>(i));
            continue;
        }
        if (!applied[i]) {
            WriteLog("LOG: ProcessActionList: Not applied, sync list unchanged : [%s] [%s]",
                     a->firstName, a->lastName);
            continue;
        }
        switch (a->action) {
            case eAddInPBX:
            case eAddInPartner:
                WriteLog("LOG: ProcessActionList: Add to syncList : [%s] [%s]", a->firstName,
                         a->lastName);
                sync.Append(CopyContact(a));
                break;
            case eDelInPBX:
            case eDelInPartner: {
                WriteLog("LOG: ProcessActionList: Del from syncList : [%s] [%s]", a->firstName,
                         a->lastName);
                const long pos = sync.FindByEntryId(a->entryId);
                if (pos < 0) {
                    WriteLog(
                        "ERR: ProcessActionList: eDel : [%s] [%s] - could not find in "
                        "syncContactList",
                        a->firstName, a->lastName);
                } else {
                    sync.Remove(pos);
                }
                break;
            }
            case eAmendInPBX:
            case eAmendInPartner: {
                WriteLog("LOG: ProcessActionList: Amend in syncList : [%s] [%s]", a->firstName,
                         a->lastName);
                const long pos = a->action == eAmendInPBX ? sync.FindByEntryId(a->entryId)
                                                          : sync.FindByContactId(a->contactId);
                if (pos < 0) {
                    WriteLog(
                        "ERR: ProcessActionList: eAmend : [%s] [%s] - could not find in "
                        "syncContactList",
                        a->firstName, a->lastName);
                } else {
                    sync.Assign(pos, *a);
                }
                break;
            }
            default:
                break;
        }
    }
    sync.Finish();
}

}  // namespace

void ProcessActionList(Tctrl& ctrl, PbxPhonebook& pbx, PartnerStore& partner, SyncRunState& run,
                       const StopFlag& stop) {
    TContactList& actions = ctrl.actionList;
    ctrl.SetResultCode(kResultOk);
    run.appliedCount = 0;
    run.syncListNeedsWrite = false;
    if (actions.empty()) {
        WriteLog("LOG: ProcessActionList: Nothing to do!");
        return;
    }

    std::optional<std::string> exception;
    Result begun;
    try {
        begun = partner.BeginUpdates();
    } catch (...) {
        exception = ExceptionMessage(std::current_exception());
        begun.code = kResultNoSyncFile;
    }
    if (!begun.ok()) {
        if (exception) {
            WriteLog("ERR: ProcessActionList: Exception: %s", *exception);
            begun.text = *exception;
        }
        ctrl.SetResult(std::move(begun));
        return;
    }

    const int n = static_cast<int>(actions.size());
    ctrl.WithProgressLock([](ProgressState& p) {
        p.progressText = Text(kTextApplyingUpdates);
        p.progressBarVisible = 1;
        p.progressBarEnabled = 1;
        p.progressPosition = 0;
        p.cancelVisible = 1;
        p.cancelEnabled = 1;
    });
    WriteLog("LOG: ProcessActionList: Applying %d updates", n);

    std::vector<char> applied(actions.size(), 0);
    ActionApplier applier(ctrl, pbx, partner);
    int i = 0;
    try {
        for (; i < n && !stop.load(); ++i) {
            ctrl.SetProgressText(
                Text(kTextApplyingUpdate, {}, {}, std::to_string(i + 1), std::to_string(n)),
                LoopPosition(i, n));
            TContact* a = actions[static_cast<std::size_t>(i)].get();
            if (a == nullptr) {
                WriteLog("ERR: ProcessActionList(%d): Null contact ", i);
                continue;
            }
            bool done = false;
            const bool goOn = applier.Apply(i, *a, done);
            applied[static_cast<std::size_t>(i)] = done ? 1 : 0;
            if (!goOn) break;
        }
    } catch (...) {
        exception = ExceptionMessage(std::current_exception());
    }
    for (char a : applied) run.appliedCount += a;
    try {
        RecordInSyncList(ctrl, run, applied);
    } catch (...) {
        if (!exception) exception = ExceptionMessage(std::current_exception());
    }
    try {
        partner.EndUpdates();
    } catch (...) {
        if (!exception) exception = ExceptionMessage(std::current_exception());
    }
    run.syncListNeedsWrite = run.appliedCount > 0;

    if (const auto& f = applier.pbxFailure()) {
        ctrl.SetResult(f->code, f->text);
    } else if (const auto& f = applier.storeFailure()) {
        WriteLog("ERR: ProcessActionList: Exception: %s", f->text);
        ctrl.SetResult(kResultNoSyncFile, f->text);
    } else if (exception) {
        WriteLog("ERR: ProcessActionList: Exception: %s", *exception);
        ctrl.SetResult(kResultNoSyncFile, *exception);
    } else if (stop.load()) {
        // A cancel outranks the codes that the updates after it stored.
        ctrl.SetResult(kResultCancelled, Text(kTextActionCancelled));
    } else if (const auto& f = applier.firstPartnerFailure()) {
        const int failed = applier.partnerFailures();
        std::string message = f->text;
        if (!message.empty()) message += " ";
        message += fmt::format("({} {} in {} failed)", failed, failed == 1 ? "update" : "updates",
                               ctrl.partnerName);
        ctrl.SetResult(f->code, message);
    }
}

}  // namespace korvi
