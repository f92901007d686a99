#include "sync/SyncRun.h"

#include <exception>

#include <fmt/format.h>

#include "app/Log.h"
#include "app/Texts.h"
#include "sync/ActionListProcessing.h"
#include "sync/ChangeDetection.h"
#include "sync/ConflictResolution.h"
#include "sync/DeletionWarning.h"
#include "sync/FirstTimeSync.h"
#include "sync/SyncGuards.h"
#include "sync/WholeSideCopy.h"

namespace korvi {

namespace {

class SyncRun {
public:
    SyncRun(SyncContext& ctx, const StopFlag& stop)
        : m_ctx(ctx), m_ctrl(ctx.ctrl), m_stop(stop), m_contactType(ctx.pbx.CurrentContactType()) {}

    void Run() {
        m_ctx.run.Clear();
        m_ctrl.partnerName = PartnerName(m_ctrl.partner);
        if (!SelectPartner()) return;

        ClearContactList(m_ctrl.pbxContactList);
        ClearContactList(m_ctrl.partnerContactList);
        ClearContactList(m_ctrl.syncContactList);
        ClearContactList(m_ctrl.actionList);
        m_ctrl.pbxUpdates = m_ctrl.pbxAdds = m_ctrl.pbxAmends = m_ctrl.pbxDeletes = 0;
        m_ctrl.partnerUpdates = m_ctrl.partnerAdds = m_ctrl.partnerAmends = m_ctrl.partnerDeletes =
            0;

        const int direction = m_ctrl.syncDirection;
        if (direction != eSyncDir_ReplacePartner) {
            if (!Stored(m_ctx.partner->LoadContacts(m_ctrl.partnerContactList, m_stop))) return;
        }
        if (direction != eSyncDir_ReplacePbx) {
            if (!Stored(m_ctx.pbx.GetContactIdsForCurContactType())) return;
            if (!Stored(m_ctx.pbx.LoadContacts(&m_ctrl.pbxContactList, m_stop))) return;
        }
        const int p = static_cast<int>(m_ctrl.pbxContactList.size());
        const int q = static_cast<int>(m_ctrl.partnerContactList.size());

        if (p == 0 && q == 0) {
            m_ctrl.SetResult(kResultNothingToDo, Text(kTextNothingToSync, m_ctrl.partnerName));
        } else if (q >= 1 && (p == 0 || direction == eSyncDir_ReplacePbx)) {
            if (direction == eSyncDir_ReplacePbx || EmptySideAccepted(true)) FillPbx(p, q);
        } else if (p >= 1 && q >= 1 && direction != eSyncDir_ReplacePartner) {
            SyncProper(p, q);
        } else {
            if (direction == eSyncDir_ReplacePartner || EmptySideAccepted(false)) {
                FillPartner(p, q);
            }
        }
    }

private:
    bool Stored(Result step) {
        const bool ok = step.ok();
        m_ctrl.StoreStep(std::move(step));
        return ok;
    }

    bool SelectPartner() {
        Result whyNot;
        m_ctx.partner = m_ctx.selectPartner ? m_ctx.selectPartner(m_ctrl, whyNot) : nullptr;
        if (m_ctx.partner != nullptr) return true;
        if (whyNot.ok()) whyNot.code = kResultActionNotAvailable;
        if (whyNot.text.empty()) {
            whyNot.text = fmt::format("Sync with {} is not available", m_ctrl.partnerName);
        }
        WriteLog("ERR: CTRL: DoSync: %s", whyNot.text);
        m_ctrl.SetResult(std::move(whyNot));
        return false;
    }

    // A side that reads empty is filled from the other, unless the pair's sync list says the
    // last sync left contacts there: then it is more likely unreachable or cleared by someone
    // else than emptied by the user, and filling it would have the next sync, once the old
    // contacts are back, read each of them as new and every entry of the list as deleted. A
    // silent sync stops; a manual one asks first.
    bool EmptySideAccepted(bool pbxEmpty) {
        if (m_ctx.dryRun) return true;
        const std::string storeId = m_ctx.partner->contactStoreID();
        if (!m_ctx.files.CheckIfSyncFileExists(m_contactType, storeId).ok()) return true;
        TContactList list;
        if (!Stored(m_ctx.files.LoadSyncFile(m_contactType, storeId, list))) return false;
        int entries = 0;
        for (const auto& c : list) entries += c ? 1 : 0;
        if (entries == 0) return true;
        const std::string warning = EmptySideWarning(pbxEmpty, entries, m_ctrl.partnerName,
                                                     m_ctx.pbx.CurrentContactTypeName());
        WriteLog("LOG: CTRL: DoSync: %s", warning);
        if (m_ctrl.silent == 1) {
            m_ctrl.SetResult(kResultEmptySide, warning + "\n" + Text(kTextSilentSyncDoesNotFill));
            return false;
        }
        if (!ConfirmEmptySide(m_ctrl.prompt(), warning)) {
            m_ctrl.CancelAction();
            return false;
        }
        return true;
    }

    // A silent sync applies nothing when it would delete more of a side than it may on its own
    // (a folder half gone, a phonebook half cleared by someone else); a manual sync asks
    // before any deletion of more than one contact anyway.
    bool DeletionsHeldBack(int p, int q) {
        const DeletionLimits limits{m_ctrl.silentDeleteMax, m_ctrl.silentDeletePercent};
        const bool inPbx = ExceedsDeletionLimits(m_ctrl.pbxDeletes, p, limits);
        const bool inPartner = ExceedsDeletionLimits(m_ctrl.partnerDeletes, q, limits);
        if (!inPbx && !inPartner) return false;
        std::string text;
        if (inPbx) {
            text = Text(kTextSilentPbxDeletesHeldBack, {}, {}, std::to_string(m_ctrl.pbxDeletes),
                        std::to_string(p));
        }
        if (inPartner) {
            if (!text.empty()) text += "\n";
            text += Text(kTextSilentPartnerDeletesHeldBack, m_ctrl.partnerName, {},
                         std::to_string(m_ctrl.partnerDeletes), std::to_string(q));
        }
        WriteLog("ERR: CTRL: DoSync: %s", text);
        WriteHistory("Deletions wait for a manual Sync: %d in PBX, %d in %s", m_ctrl.pbxDeletes,
                     m_ctrl.partnerDeletes, m_ctrl.partnerName);
        m_ctrl.SetResult(kResultDeletionsHeldBack, text);
        return true;
    }

    // The PBX side is empty, or the partner replaces it.
    void FillPbx(int p, int q) {
        if (m_ctx.dryRun) {
            m_ctx.run.plan =
                m_ctrl.syncDirection == eSyncDir_ReplacePbx
                    ? fmt::format("Replace all PBX contacts of {} with the {} {} contacts",
                                  m_ctx.pbx.CurrentContactTypeName(), q, m_ctrl.partnerName)
                    : fmt::format("Write the {} {} contacts to the empty PBX phonebook of {}", q,
                                  m_ctrl.partnerName, m_ctx.pbx.CurrentContactTypeName());
            QueueAll(m_ctrl.partnerContactList, eAddInPBX);
            m_ctrl.pbxUpdates = m_ctrl.pbxAdds = q;
            m_ctrl.SetResult(kResultOk, {});
            return;
        }
        std::string note;
        if (m_ctx.backupPbx) {
            // Whatever the PBX holds of this contact type is about to go (also what a load
            // leaves out, such as contacts without numbers): keep a copy first.
            if (!Stored(m_ctx.backupPbx(note))) return;
        }
        Result replaced = ForgetPbxSyncLists(m_ctx.files, m_contactType);
        if (replaced.ok()) {
            replaced = m_ctx.pbx.SaveContacts(&m_ctrl.partnerContactList, m_stop);
            if (!replaced.ok()) replaced.text += note;
        }
        const int rc = replaced.code;
        m_ctrl.StoreStep(std::move(replaced));
        WriteHistory("Writing %d %s Contacts to PBX. PBX Currently has %d Contacts", q,
                     m_ctrl.partnerName, p);
        if (rc != 0) return;
        WriteSyncFile(m_ctrl.partnerContactList);
        m_ctrl.pbxUpdates = q;
    }

    // The partner side is empty, or the PBX replaces it.
    void FillPartner(int p, int q) {
        if (m_ctx.dryRun) {
            m_ctx.run.plan =
                m_ctrl.syncDirection == eSyncDir_ReplacePartner
                    ? fmt::format("Replace all {} contacts with the {} PBX contacts of {}",
                                  m_ctrl.partnerName, p, m_ctx.pbx.CurrentContactTypeName())
                    : fmt::format("Write the {} PBX contacts of {} to the empty {} folder", p,
                                  m_ctx.pbx.CurrentContactTypeName(), m_ctrl.partnerName);
            QueueAll(m_ctrl.pbxContactList, eAddInPartner);
            m_ctrl.partnerUpdates = m_ctrl.partnerAdds = p;
            m_ctrl.SetResult(kResultOk, {});
            return;
        }
        WriteHistory("Writing %d PBX Contacts to %s. %s currenlty has %d contacts", p,
                     m_ctrl.partnerName, m_ctrl.partnerName, q);
        if (!Stored(ReplacePartnerContacts(*m_ctx.partner, m_ctx.files, m_contactType,
                                           m_ctrl.pbxContactList, m_stop))) {
            return;
        }
        WriteSyncFile(m_ctrl.pbxContactList);
        m_ctrl.partnerUpdates = p;
    }

    void SyncProper(int p, int q) {
        const std::string storeId = m_ctx.partner->contactStoreID();
        const int exists = m_ctx.files.CheckIfSyncFileExists(m_contactType, storeId).code;
        m_ctrl.SetResultCode(exists);
        if (exists != 0) {
            if (m_ctrl.silent == 1) {
                WriteLog("Cannot run First time Sync automatically...");
                WriteHistory(
                    "Cannot run First time Sync automatically... user intervention may "
                    "be required!");
                WriteHistory("Run Sync manually first!");
                m_ctrl.SetResultCode(kResultNoSyncFile);
                return;
            }
            if (!m_ctx.dryRun) {
                WriteHistory("First time Sync. Num PBX Contacts[%d]. Num Partner Contacts[%d]", p,
                             q);
            }
            if (FirstTimeSync(m_ctrl, m_ctx.run, m_ctx.matchStrategy, m_ctx.partnerSlots) != 0)
                return;
            CountChangesInActionList(m_ctrl);
            if (m_ctx.dryRun) return;
            ProcessActionList(m_ctrl, m_ctx.pbx, *m_ctx.partner, m_ctx.run, m_stop);
            FinishWithSyncFile();
            return;
        }

        if (!Stored(m_ctx.files.LoadSyncFile(m_contactType, storeId, m_ctrl.syncContactList))) {
            return;
        }
        switch (m_ctrl.syncDirection) {
            case eSyncDir_Both:
                SyncPbxToPartner(m_ctrl, m_ctx.matchStrategy);
                SyncPartnerToPbx(m_ctrl, m_contactType, m_ctx.matchStrategy, m_ctx.partnerSlots);
                if (m_ctrl.actionList.size() > 1) ResolveConflicts(m_ctrl);
                break;
            case eSyncDir_PbxToPartner:
                SyncPbxToPartner(m_ctrl, m_ctx.matchStrategy);
                break;
            case eSyncDir_PartnerToPbx:
                SyncPartnerToPbx(m_ctrl, m_contactType, m_ctx.matchStrategy, m_ctx.partnerSlots);
                break;
            default:
                break;
        }
        CountChangesInActionList(m_ctrl);
        if (m_ctx.dryRun) {
            m_ctrl.SetResultCode(kResultOk);
            return;
        }
        if (m_ctrl.silent == 1 && DeletionsHeldBack(p, q)) return;
        if (m_ctrl.silent == 0) {
            if (m_ctrl.pbxDeletes > 1 &&
                !ConfirmDeletions(m_ctrl.prompt(), true, m_ctrl.pbxDeletes, m_ctrl.partnerName)) {
                m_ctrl.CancelAction();
                return;
            }
            if (m_ctrl.partnerDeletes > 1 &&
                !ConfirmDeletions(m_ctrl.prompt(), false, m_ctrl.partnerDeletes,
                                  m_ctrl.partnerName)) {
                m_ctrl.CancelAction();
                return;
            }
        }
        ProcessActionList(m_ctrl, m_ctx.pbx, *m_ctx.partner, m_ctx.run, m_stop);
        FinishWithSyncFile();
    }

    // A clean run writes the sync list; so does a run that stopped after applying changes,
    // because the list then records exactly what reached each side. The failure stays the
    // result in that case.
    void FinishWithSyncFile() {
        const int rc = m_ctrl.resultCode();
        if (rc == 0) {
            WriteSyncFile(m_ctrl.syncContactList);
            return;
        }
        if (!m_ctx.run.syncListNeedsWrite) return;
        const std::string failure = m_ctrl.resultText();
        const Result written = m_ctx.files.WriteSyncFile(
            m_contactType, m_ctx.partner->contactStoreID(), m_ctrl.syncContactList);
        if (!written.ok()) {
            m_ctrl.SetResult(rc, failure.empty() ? written.text : failure + "\n" + written.text);
        } else {
            m_ctrl.SetResult(rc, failure);
        }
    }

    // The end of every run that succeeded: the sync list, then the store's last word on it.
    void WriteSyncFile(const TContactList& list) {
        if (!Stored(
                m_ctx.files.WriteSyncFile(m_contactType, m_ctx.partner->contactStoreID(), list)))
            return;
        if (m_ctx.finishPartner) {
            m_ctrl.SetResult(m_ctx.finishPartner(Result(kResultOk, m_ctrl.resultText())));
        }
    }

    void QueueAll(const TContactList& list, int32_t action) {
        for (const auto& c : list) {
            if (!c) continue;
            auto copy = CopyContact(c.get());
            copy->action = action;
            m_ctrl.actionList.push_back(std::move(copy));
        }
    }

    SyncContext& m_ctx;
    Tctrl& m_ctrl;
    const StopFlag& m_stop;
    const int32_t m_contactType;
};

}  // namespace

void DoSync(SyncContext& ctx, const StopFlag& stop) {
    try {
        SyncRun(ctx, stop).Run();
    } catch (const std::exception& e) {
        WriteLog("ERR: CTRL: DoSync: Exception: %s", e.what());
        ctx.ctrl.SetResult(kResultActionException, e.what());
    } catch (...) {
        WriteLog("ERR: CTRL: DoSync: Exception: Unknown");
        ctx.ctrl.SetResult(kResultActionException, "Unknown exception during the sync");
    }
}

}  // namespace korvi
