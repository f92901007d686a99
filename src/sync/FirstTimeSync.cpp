#include "sync/FirstTimeSync.h"

#include "app/Log.h"
#include "app/Texts.h"
#include "model/ContactCompare.h"
#include "sync/ChangeDetection.h"
#include "sync/SimilarContactQuestion.h"

namespace korvi {

namespace {

std::unique_ptr<TContact> Queued(const TContact& c, int32_t action) {
    auto copy = CopyContact(&c);
    copy->action = action;
    return copy;
}

}  // namespace

int FirstTimeSync(Tctrl& ctrl, SyncRunState& run, MatchStrategy strategy,
                  const PartnerSlots& slots) {
    const std::string& partnerName = ctrl.partnerName;
    ctrl.SetResultCode(kResultOk);
    WriteLog("LOG: Start FirstTimeSync");
    WriteLog("LOG: Searching for %d PBX contacts in %s ...",
             static_cast<int>(ctrl.pbxContactList.size()), partnerName);
    {
        const ListLookup inPartner(eMatch_Name, ctrl.partnerContactList, strategy);
        TContact held;
        TNumberList dropped;
        for (auto& p : ctrl.pbxContactList) {
            if (!p) continue;
            int i = -1;
            int r = inPartner.Find(*p, i, !slots.Limited());
            if (slots.Limited() && r == 0) {
                // Names alike: the numbers decide, as the partner would hold the PBX's.
                const TContact& q = *ctrl.partnerContactList[static_cast<std::size_t>(i)];
                SplitForPartner(*p, slots, held, dropped);
                r = UnlessSameNumbers(CompareMatchedContacts(held, q, true), held, q);
                r = UnlessNumbersDiffer(r, held, q);
            } else if (r >= 0) {
                const TContact& q = *ctrl.partnerContactList[static_cast<std::size_t>(i)];
                r = UnlessNumbersDiffer(UnlessSameNumbers(r, *p, q), *p, q);
            }
            if (r == -1) {
                WriteLog("LOG: [%s] [%s] in PBX - adding to %s", p->firstName, p->lastName,
                         partnerName);
                ctrl.actionList.push_back(Queued(*p, eAddInPartner));
                continue;
            }
            const TContact& q = *ctrl.partnerContactList[static_cast<std::size_t>(i)];
            if (r == 0) {
                WriteLog("LOG: [%s] [%s] identical in PBX and %s - add to sync list", p->firstName,
                         p->lastName, partnerName);
                auto s = CopyContact(p.get());
                s->entryId = q.entryId;
                ctrl.syncContactList.push_back(std::move(s));
                continue;
            }
            WriteLog("LOG: [%s] [%s] partial match in PBX and partner - prompt user", p->firstName,
                     p->lastName);
            const int choice = AskSimilarContact(ctrl.prompt(), *p, q, partnerName);
            if (choice == kCancel) {
                ctrl.SetResult(kResultCancelled, Text(kTextActionCancelled));
                return kResultCancelled;
            }
            if (choice == kUsePbx) {
                auto a = Queued(*p, eAmendInPartner);
                a->entryId = q.entryId;
                // The card becomes the PBX contact, without numbers of its own that would
                // otherwise flow into the PBX with the next sync.
                MarkNumberChanges(*a, q);
                auto s = CopyContact(a.get());
                // Not applied, the partner still holds q: q is then the agreed state, and the
                // next sync sees the PBX's version as the change to carry across.
                auto keep = CopyContact(&q);
                keep->contactId = p->contactId;
                run.fallbacks.push_back({a.get(), s.get(), std::move(keep)});
                ctrl.actionList.push_back(std::move(a));
                ctrl.syncContactList.push_back(std::move(s));
            } else if (choice == kUsePartner) {
                auto a = Queued(q, eAmendInPBX);
                a->contactId = p->contactId;
                KeepPbxOnlyNumbers(*a, *p, slots);
                auto s = CopyContact(a.get());
                auto keep = CopyContact(p.get());
                keep->entryId = q.entryId;
                run.fallbacks.push_back({a.get(), s.get(), std::move(keep)});
                ctrl.actionList.push_back(std::move(a));
                ctrl.syncContactList.push_back(std::move(s));
            } else {
                ctrl.actionList.push_back(Queued(*p, eAddInPartner));
                ctrl.actionList.push_back(Queued(q, eAddInPBX));
            }
        }
    }
    WriteLog("LOG: Searching for %d Partner contacts in PBX ...",
             static_cast<int>(ctrl.partnerContactList.size()));
    {
        const ListLookup inPbx(eMatch_Name, ctrl.pbxContactList, strategy);
        for (auto& q : ctrl.partnerContactList) {
            if (!q) continue;
            int i = -1;
            if (inPbx.Find(*q, i, true) == -1) {
                WriteLog("LOG: [%s] [%s] in %s - adding to PBX", q->firstName, q->lastName,
                         partnerName);
                ctrl.actionList.push_back(Queued(*q, eAddInPBX));
            }
        }
    }
    WriteLog("LOG: End FirstTimeSync");
    return kResultOk;
}

}  // namespace korvi
