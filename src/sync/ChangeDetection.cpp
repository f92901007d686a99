#include "sync/ChangeDetection.h"

#include "app/Log.h"
#include "app/Texts.h"
#include "model/ContactCompare.h"

namespace korvi {

namespace {

void ResetProgress(Tctrl& ctrl, const std::string& text) {
    ctrl.WithProgressLock([&](ProgressState& p) {
        p.progressText = text;
        p.progressBarVisible = 0;
        p.progressBarEnabled = 0;
        p.progressPosition = 0;
        p.cancelVisible = 0;
        p.cancelEnabled = 0;
    });
}

std::unique_ptr<TContact> Queued(const TContact& c, int32_t action) {
    auto copy = CopyContact(&c);
    copy->action = action;
    return copy;
}

}  // namespace

void SyncPbxToPartner(Tctrl& ctrl, MatchStrategy strategy) {
    WriteLog("LOG: Start SyncPbxToPartner");
    ResetProgress(ctrl, Text(172));
    WriteLog("LOG: Searching for new / amended contacts in PBX ...");
    {
        const ListLookup inSyncList(eMatch_ContactId, ctrl.syncContactList, strategy);
        for (auto& p : ctrl.pbxContactList) {
            if (!p) continue;
            int i = -1;
            const int r = inSyncList.Find(*p, i, true);
            if (r == -1) {
                WriteLog("LOG: [%s] [%s] new contact detected in PBX", p->firstName, p->lastName);
                ctrl.actionList.push_back(Queued(*p, eAddInPartner));
            } else if (r > 0) {
                const TContact& s = *ctrl.syncContactList[static_cast<std::size_t>(i)];
                WriteLog("LOG: [%s] [%s] amended contact detected in PBX (%d)", s.firstName,
                         s.lastName, r);
                auto c = Queued(*p, eAmendInPartner);
                c->entryId = s.entryId;
                ctrl.actionList.push_back(std::move(c));
            }
        }
    }
    WriteLog("LOG: Searching for contacts removed from PBX ...");
    {
        const ListLookup inPbx(eMatch_ContactId, ctrl.pbxContactList, strategy);
        for (auto& s : ctrl.syncContactList) {
            if (!s) continue;
            int i = -1;
            if (inPbx.Find(*s, i, false) == -1) {
                WriteLog("LOG: [%s] [%s] contact detected as removed from PBX", s->firstName,
                         s->lastName);
                ctrl.actionList.push_back(Queued(*s, eDelInPartner));
            }
        }
    }
    WriteLog("LOG: Action Count: %d", static_cast<int>(ctrl.actionList.size()));
    WriteLog("LOG: End SyncPbxToPartner");
}

namespace {

bool PartnerCanList(const TContact& c, const NumberTypeFilter& partnerKeeps) {
    if (!partnerKeeps) return true;
    if (!c.numbers) return false;
    for (const auto& n : *c.numbers) {
        if (n.state != kDeleted && partnerKeeps(n.numberType)) return true;
    }
    return false;
}

}  // namespace

void SyncPartnerToPbx(Tctrl& ctrl, int32_t contactType, MatchStrategy strategy,
                      const NumberTypeFilter& partnerKeeps) {
    const std::string& partnerName = ctrl.partnerName;
    const int32_t barring = contactType == kContactTypeCentral ? 0 : 1;
    WriteLog("LOG: Start SyncPartnerToPbx");
    ResetProgress(ctrl, Text(173, partnerName));
    WriteLog("LOG: Searching for new / amended contacts in %s ...", partnerName);
    {
        const ListLookup inSyncList(eMatch_EntryId, ctrl.syncContactList, strategy);
        for (auto& p : ctrl.partnerContactList) {
            if (!p) continue;
            int i = -1;
            const int r = inSyncList.Find(*p, i, true);
            if (r == -1) {
                WriteLog("LOG: [%s] [%s] new contact detected in %s", p->firstName, p->lastName,
                         partnerName);
                auto c = Queued(*p, eAddInPBX);
                SetContactBarring(*c, barring);
                ctrl.actionList.push_back(std::move(c));
            } else if (r > 0) {
                const TContact& s = *ctrl.syncContactList[static_cast<std::size_t>(i)];
                WriteLog("LOG: [%s] [%s] amended contact detected in %s (%d - %s)", s.firstName,
                         s.lastName, partnerName, r, CompareResultName(r));
                auto c = Queued(*p, eAmendInPBX);
                c->contactId = s.contactId;
                SetContactBarring(*c, barring);
                ctrl.actionList.push_back(std::move(c));
            }
        }
    }
    WriteLog("LOG: Searching for contacts removed from %s ...", partnerName);
    {
        const ListLookup inPartner(eMatch_EntryId, ctrl.partnerContactList, strategy);
        for (auto& s : ctrl.syncContactList) {
            if (!s) continue;
            int i = -1;
            if (inPartner.Find(*s, i, false) == -1) {
                if (!PartnerCanList(*s, partnerKeeps)) {
                    WriteLog("LOG: [%s] [%s] has no number that %s can hold - not a deletion",
                             s->firstName, s->lastName, partnerName);
                    continue;
                }
                WriteLog("[%s] [%s] contact detected as removed from %s", s->firstName, s->lastName,
                         partnerName);
                ctrl.actionList.push_back(Queued(*s, eDelInPBX));
            }
        }
    }
    WriteLog("LOG: Action Count: %d", static_cast<int>(ctrl.actionList.size()));
    WriteLog("LOG: End SyncPartnerToPbx");
}

}  // namespace korvi
