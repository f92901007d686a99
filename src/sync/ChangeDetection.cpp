#include "sync/ChangeDetection.h"

#include <algorithm>
#include <utility>
#include <vector>

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

// The comparison looks at the first number of each type alone, so a contact with two numbers
// of one type compares as changed in every sync although nothing changed, and under a rule
// that favours the other side that phantom change would override a real edit made there.
// Equal number lists, in order, are no change.
bool SameNumbers(const TContact& a, const TContact& b) {
    static const TNumberList kNone;
    const TNumberList& x = a.numbers ? *a.numbers : kNone;
    const TNumberList& y = b.numbers ? *b.numbers : kNone;
    std::size_t j = 0;
    for (const auto& n : x) {
        if (n.state == kDeleted) continue;
        while (j < y.size() && y[j].state == kDeleted) ++j;
        if (j == y.size() || CompareNumbers(n, y[j]) != 0) return false;
        ++j;
    }
    while (j < y.size() && y[j].state == kDeleted) ++j;
    return j == y.size();
}

// The numbers as a sorted list of type and normalised text, removal markers left out.
std::vector<std::pair<int32_t, std::string>> NumberSet(const TContact& c) {
    std::vector<std::pair<int32_t, std::string>> set;
    for (const auto& n : c.numbers.value_or(TNumberList{})) {
        if (n.state != kDeleted) set.emplace_back(n.numberType, NormalisedNumber(n.number));
    }
    std::sort(set.begin(), set.end());
    return set;
}

}  // namespace

int UnlessNumbersDiffer(int r, const TContact& a, const TContact& b) {
    if (r != kCompareIdentical || NumberSet(a) == NumberSet(b)) return r;
    return kCompareNumberChange;
}

int UnlessSameNumbers(int r, TContact& a, const TContact& b) {
    if (r != kCompareNumberChange || !SameNumbers(a, b)) return r;
    std::erase_if(*a.numbers, [](const TContactNumber& n) { return n.state == kDeleted; });
    for (auto& n : *a.numbers) n.state = kNoChange;
    return kCompareIdentical;
}

void MarkNumberChanges(TContact& a, const TContact& b) {
    if (a.numbers) {
        std::erase_if(*a.numbers, [](const TContactNumber& n) { return n.state == kDeleted; });
        for (auto& n : *a.numbers) n.state = kNoChange;
    }
    TContact sameNames = b;
    sameNames.firstName = a.firstName;
    sameNames.lastName = a.lastName;
    sameNames.displayName = a.displayName;
    // Only the marks are wanted; with the names made equal the comparison reaches the numbers.
    static_cast<void>(CompareMatchedContacts(a, sameNames, true));
}

void MarkRemovedFrom(TContact& a, const TContact& current) {
    if (!current.numbers) return;
    for (const auto& m : *current.numbers) {
        if (m.state == kDeleted) continue;
        bool has = false;
        if (a.numbers) {
            for (const auto& n : *a.numbers) has = has || n.numberType == m.numberType;
        }
        if (has) continue;
        if (!a.numbers) a.numbers.emplace();
        TContactNumber gone = m;
        gone.state = kDeleted;
        a.numbers->push_back(gone);
    }
}

void SyncPbxToPartner(Tctrl& ctrl, MatchStrategy strategy) {
    WriteLog("LOG: Start SyncPbxToPartner");
    ResetProgress(ctrl, Text(kTextCheckingPbxAmends));
    WriteLog("LOG: Searching for new / amended contacts in PBX ...");
    {
        const ListLookup inSyncList(eMatch_ContactId, ctrl.syncContactList, strategy);
        const ListLookup inPartner(eMatch_EntryId, ctrl.partnerContactList, strategy);
        for (auto& p : ctrl.pbxContactList) {
            if (!p) continue;
            int i = -1;
            int r = inSyncList.Find(*p, i, true);
            if (r >= 0) {
                const TContact& s = *ctrl.syncContactList[static_cast<std::size_t>(i)];
                r = UnlessNumbersDiffer(UnlessSameNumbers(r, *p, s), *p, s);
            }
            if (r == -1) {
                WriteLog("LOG: [%s] [%s] new contact detected in PBX", p->firstName, p->lastName);
                ctrl.actionList.push_back(Queued(*p, eAddInPartner));
            } else if (r > 0) {
                const TContact& s = *ctrl.syncContactList[static_cast<std::size_t>(i)];
                WriteLog("LOG: [%s] [%s] amended contact detected in PBX (%d)", s.firstName,
                         s.lastName, r);
                auto c = Queued(*p, eAmendInPartner);
                c->entryId = s.entryId;
                MarkNumberChanges(*c, s);
                // What the partner added meanwhile goes too: the amended item becomes the
                // PBX's version as a whole (a conflict's rule has chosen that version).
                int at = -1;
                if (inPartner.Find(*c, at, false) >= 0) {
                    MarkRemovedFrom(*c, *ctrl.partnerContactList[static_cast<std::size_t>(at)]);
                }
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

bool PartnerCanList(const TContact& c, const PartnerSlots& slots) {
    TContact held;
    TNumberList dropped;
    SplitForPartner(c, slots, held, dropped);
    return held.numbers.has_value();
}

}  // namespace

void SyncPartnerToPbx(Tctrl& ctrl, int32_t contactType, MatchStrategy strategy,
                      const PartnerSlots& slots) {
    const std::string& partnerName = ctrl.partnerName;
    const int32_t barring = contactType == kContactTypeCentral ? 0 : 1;
    WriteLog("LOG: Start SyncPartnerToPbx");
    ResetProgress(ctrl, Text(kTextCheckingPartnerAmends, partnerName));
    WriteLog("LOG: Searching for new / amended contacts in %s ...", partnerName);
    {
        const ListLookup inSyncList(eMatch_EntryId, ctrl.syncContactList, strategy);
        const ListLookup inPbx(eMatch_ContactId, ctrl.pbxContactList, strategy);
        TContact held;
        TNumberList dropped;
        for (auto& p : ctrl.partnerContactList) {
            if (!p) continue;
            int i = -1;
            int r = inSyncList.Find(*p, i, !slots.Limited());
            const TContact* s =
                i >= 0 ? ctrl.syncContactList[static_cast<std::size_t>(i)].get() : nullptr;
            if (slots.Limited() && r == 0) {
                // Names alike: the numbers decide, against what the partner could hold.
                SplitForPartner(*s, slots, held, dropped);
                r = UnlessSameNumbers(CompareMatchedContacts(*p, held, true), *p, held);
                r = UnlessNumbersDiffer(r, *p, held);
            } else if (r >= 0) {
                r = UnlessNumbersDiffer(UnlessSameNumbers(r, *p, *s), *p, *s);
            }
            if (r == -1) {
                WriteLog("LOG: [%s] [%s] new contact detected in %s", p->firstName, p->lastName,
                         partnerName);
                auto c = Queued(*p, eAddInPBX);
                SetContactBarring(*c, barring);
                ctrl.actionList.push_back(std::move(c));
            } else if (r > 0) {
                WriteLog("LOG: [%s] [%s] amended contact detected in %s (%d - %s)", s->firstName,
                         s->lastName, partnerName, r, CompareResultName(r));
                auto c = Queued(*p, eAmendInPBX);
                c->contactId = s->contactId;
                if (slots.Limited()) {
                    SplitForPartner(*s, slots, held, dropped);
                    MarkNumberChanges(*c, held);
                    // The PBX as it is now, unless its contact is gone (then the amendment
                    // adds it, with what the sync list knew).
                    int at = -1;
                    const TContact* pbxVersion = s;
                    if (inPbx.Find(*c, at, false) >= 0) {
                        pbxVersion = ctrl.pbxContactList[static_cast<std::size_t>(at)].get();
                    }
                    KeepPbxOnlyNumbers(*c, *pbxVersion, slots);
                } else {
                    MarkNumberChanges(*c, *s);
                }
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
                if (slots.Limited() && !PartnerCanList(*s, slots)) {
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
