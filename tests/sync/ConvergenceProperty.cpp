#include "sync/ConvergenceProperty.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "app/Prompt.h"
#include "files/ContactFile.h"
#include "model/ContactCompare.h"
#include "sync/ActionListProcessing.h"
#include "sync/MemoryPartnerStore.h"
#include "sync/MemoryPbx.h"
#include "sync/PartnerSlots.h"
#include "sync/SimilarContactQuestion.h"
#include "sync/SyncRun.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {

namespace {

// splitmix64: the same numbers for a seed on every platform and library.
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed) {}
    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    uint64_t m_state;
};

std::string NumbersText(const TContact& c) {
    std::string out;
    for (const auto& n : c.numbers.value_or(TNumberList{})) {
        if (n.state == kDeleted) continue;
        if (!out.empty()) out += ", ";
        out += std::string(NumberTypeName(n.numberType)) + "=" + n.number;
    }
    return out;
}

std::string Describe(const TContact& c) {
    return "[" + c.firstName + " " + c.lastName + "] " + NumbersText(c);
}

// Answers the similar-contact questions at random and confirms every warning, as a user who
// wants the sync to go on; each answer goes into the story.
class RandomPrompt final : public Prompt {
public:
    RandomPrompt(Rng& rng, std::ostringstream& story) : m_rng(rng), m_story(story) {}
    int Ask(const Question& q) override {
        if (q.id != kQuestionSimilarContact) return kOk;
        static const int kChoices[] = {kUsePbx, kUsePartner, kRetainBoth};
        const int choice = kChoices[m_rng.Below(3)];
        m_story << "  similar contacts answered " << choice << "\n";
        return choice;
    }

private:
    Rng& m_rng;
    std::ostringstream& m_story;
};

class ConvergenceRun {
public:
    ConvergenceRun(uint64_t seed, const std::filesystem::path& folder)
        : m_rng(seed),
          m_answers(seed ^ 0x5DEECE66Dull),
          m_files(m_progress, folder),
          m_prompt(m_answers, m_story),
          m_ctx(m_ctrl, m_pbx, m_files) {
        std::filesystem::create_directories(folder);
        m_partner.SetSlots(m_slots);
        m_ctx.selectPartner = [this](Tctrl&, Result&) { return &m_partner; };
        m_ctx.partnerSlots = m_slots;
        m_ctrl.SetPrompt(&m_prompt);
        m_ctrl.partner = ePartner_Outlook;
        m_story << "seed " << seed << "\n";
    }

    ConvergenceOutcome Run() {
        ConvergenceOutcome out;
        MakeStart();
        out.contacts = static_cast<int>(m_pbx.Phonebook().size() + m_partner.contacts().size());
        m_story << "first sync\n";
        if (!SyncAndSettle(eSync_PBX_wins, out)) return out;

        out.edits = 1 + m_rng.Below(8);
        for (int i = 0; i < out.edits; ++i) Edit();
        const int rule = m_rng.Below(2) == 0 ? eSync_PBX_wins : eSync_PC_wins;
        m_story << "sync, rule " << (rule == eSync_PBX_wins ? "pbx" : "partner") << "\n";
        if (!SyncAndSettle(rule, out)) return out;
        out.actions = m_editActions;
        return out;
    }

private:
    // ---- Names and numbers ----

    std::string Syllables(int count) {
        static const char kConsonants[] = "bdfgklmnprstvz";
        static const char kVowels[] = "aeiou";
        std::string s;
        for (int i = 0; i < count; ++i) {
            s += kConsonants[m_rng.Below(14)];
            s += kVowels[m_rng.Below(5)];
        }
        s[0] = static_cast<char>(s[0] - 32);
        return s;
    }

    // A name far from every name used so far: only the pairs made similar on purpose match.
    std::pair<std::string, std::string> NewName() {
        for (;;) {
            std::string first = Syllables(2);
            std::string last = Syllables(3);
            const std::string key = first + last;
            bool far = true;
            for (const auto& used : m_usedKeys) far = far && NameDistance(key, used) >= 5;
            if (!far) continue;
            m_usedKeys.push_back(key);
            return {first, last};
        }
    }

    std::string Digits() {
        std::string s = "0";
        for (int i = 0; i < 3; ++i) s += static_cast<char>('0' + m_rng.Below(10));
        s += ' ';
        for (int i = 0; i < 4; ++i) s += static_cast<char>('0' + m_rng.Below(10));
        return s;
    }

    static bool HasType(const TContact& c, int32_t type) {
        for (const auto& n : c.numbers.value_or(TNumberList{})) {
            if (n.numberType == type) return true;
        }
        return false;
    }

    // A number for c: on the PBX side now and then an internal one or a second one of a type
    // it has; on the partner side one of a slot it has free.
    void AddRandomNumber(TContact& c, bool pbxSide) {
        if (pbxSide && m_rng.Chance(15)) {
            AddNumber(std::to_string(200 + m_rng.Below(700)), kInt, c);
            return;
        }
        if (pbxSide && c.numbers && !c.numbers->empty() && m_rng.Chance(15)) {
            const auto& other = (*c.numbers)[static_cast<std::size_t>(
                m_rng.Below(static_cast<int>(c.numbers->size())))];
            AddNumber(Digits(), other.numberType, c);
            return;
        }
        for (int attempt = 0; attempt < 20; ++attempt) {
            const int32_t type = m_rng.Below(8);
            if (HasType(c, type)) continue;
            AddNumber(Digits(), type, c);
            return;
        }
    }

    TContact NewContact(bool pbxSide) {
        TContact c;
        std::tie(c.firstName, c.lastName) = NewName();
        c.displayName = c.firstName + " " + c.lastName;
        const int numbers = 1 + m_rng.Below(3);
        for (int i = 0; i < numbers; ++i) AddRandomNumber(c, pbxSide);
        if (!c.numbers) AddNumber(Digits(), kMob, c);
        return c;
    }

    // c as the address book would hold it.
    TContact Held(const TContact& c) const {
        TContact held;
        TNumberList dropped;
        SplitForPartner(c, m_slots, held, dropped);
        return held;
    }

    // ---- The start: a first-time sync with something of everything ----

    void MakeStart() {
        m_story << "start\n";
        const int shared = 2 + m_rng.Below(5);
        for (int i = 0; i < shared; ++i) {
            TContact c = NewContact(true);
            if (!Held(c).numbers) AddNumber(Digits(), kHome1, c);
            PutPbx(c);
            PutPartner(Held(c));
        }
        for (int i = m_rng.Below(3); i > 0; --i) PutPbx(NewContact(true));
        for (int i = m_rng.Below(3); i > 0; --i) PutPartner(NewContact(false));
        for (int i = m_rng.Below(4); i > 0; --i) {
            TContact p = NewContact(true);
            TContact q = NewContact(false);
            q.firstName = p.firstName;
            q.lastName = p.lastName;
            if (m_rng.Chance(50)) q.lastName += static_cast<char>('a' + m_rng.Below(26));
            q.displayName = q.firstName + " " + q.lastName;
            PutPbx(p);
            PutPartner(q);
        }
    }

    void PutPbx(const TContact& c) {
        m_story << "  PBX add " << Describe(c) << "\n";
        m_pbx.Put(c);
    }
    void PutPartner(const TContact& c) {
        m_story << "  partner add " << Describe(c) << "\n";
        m_partner.Put(c);
    }

    // ---- Edits between syncs ----

    // A new version of c: numbers added, removed or changed, the name changed, or several.
    TContact Amended(const TContact& c, bool pbxSide) {
        TContact n = c;
        n.action = 0;
        if (n.numbers) {
            std::erase_if(*n.numbers, [](const TContactNumber& x) { return x.state == kDeleted; });
            for (auto& x : *n.numbers) x.state = kNoChange;
        }
        const int changes = 1 + m_rng.Below(3);
        for (int i = 0; i < changes; ++i) {
            switch (m_rng.Below(4)) {
                case 0:
                    AddRandomNumber(n, pbxSide);
                    break;
                case 1:
                    // A number removed; the contact keeps at least one the partner can hold,
                    // as one without numbers is not synced at all.
                    if (n.numbers && n.numbers->size() > 1) {
                        n.numbers->erase(n.numbers->begin() +
                                         m_rng.Below(static_cast<int>(n.numbers->size())));
                    }
                    break;
                case 2:
                    if (n.numbers && !n.numbers->empty()) {
                        (*n.numbers)[static_cast<std::size_t>(
                                         m_rng.Below(static_cast<int>(n.numbers->size())))]
                            .number = Digits();
                    }
                    break;
                default: {
                    const auto name = NewName();
                    if (m_rng.Chance(50)) {
                        n.firstName = name.first;
                    } else {
                        n.lastName = name.second;
                    }
                    n.displayName = n.firstName + " " + n.lastName;
                    break;
                }
            }
        }
        if (!Held(n).numbers) AddNumber(Digits(), kBus1, n);
        return n;
    }

    std::vector<int32_t> PbxIds() const {
        std::vector<int32_t> ids;
        for (const auto& [id, c] : m_pbx.Phonebook()) ids.push_back(id);
        return ids;
    }
    std::vector<std::string> PartnerIds() const {
        std::vector<std::string> ids;
        for (const auto& c : m_partner.contacts()) ids.push_back(c->entryId);
        return ids;
    }

    // A store in memory refuses nothing the story asks; should it, the story says so.
    void Refused(const Result& r) {
        if (!r.ok()) m_story << "  (refused: " << r.text << ")\n";
    }

    void EditPbx(int32_t id, bool remove) {
        TContact* c = m_pbx.Find(id);
        if (remove) {
            m_story << "  PBX delete " << Describe(*c) << "\n";
            Refused(m_pbx.DeleteContact("BY_CONTACT_ID", id));
            return;
        }
        TContact n = Amended(*c, true);
        m_story << "  PBX amend " << Describe(*c) << " -> " << Describe(n) << "\n";
        Refused(m_pbx.WriteContact(n));
    }

    void EditPartner(const std::string& entryId, bool remove) {
        TContact* c = m_partner.FindByEntryId(entryId);
        if (remove) {
            m_story << "  partner delete " << Describe(*c) << "\n";
            TContact gone = *c;
            Refused(m_partner.UpdateContact(PartnerStore::kUpdateDelete, gone));
            return;
        }
        // The user saves the card as a whole: its slots are what the new version holds.
        TContact n = Held(Amended(*c, false));
        m_story << "  partner amend " << Describe(*c) << " -> " << Describe(n) << "\n";
        *c = n;
    }

    void Edit() {
        const auto pbxIds = PbxIds();
        const auto partnerIds = PartnerIds();
        switch (m_rng.Below(6)) {
            case 0: {
                TContact c = NewContact(true);
                PutPbx(c);
                return;
            }
            case 1: {
                TContact c = NewContact(false);
                PutPartner(c);
                return;
            }
            case 2:
                if (!pbxIds.empty()) {
                    EditPbx(pbxIds[static_cast<std::size_t>(
                                m_rng.Below(static_cast<int>(pbxIds.size())))],
                            m_rng.Chance(25));
                }
                return;
            case 3:
                if (!partnerIds.empty()) {
                    EditPartner(partnerIds[static_cast<std::size_t>(
                                    m_rng.Below(static_cast<int>(partnerIds.size())))],
                                m_rng.Chance(25));
                }
                return;
            default:
                EditBothSides();
                return;
        }
    }

    // One contact edited on both sides: amended on both, deleted on one and amended on the
    // other, or deleted on both. The two are found by name, which the last sync made alike.
    void EditBothSides() {
        const auto pbxIds = PbxIds();
        if (pbxIds.empty()) return;
        const int32_t id =
            pbxIds[static_cast<std::size_t>(m_rng.Below(static_cast<int>(pbxIds.size())))];
        const TContact* p = m_pbx.Find(id);
        std::string entryId;
        for (const auto& c : m_partner.contacts()) {
            if (c->firstName == p->firstName && c->lastName == p->lastName) entryId = c->entryId;
        }
        if (entryId.empty()) return;
        const int how = m_rng.Below(4);
        EditPbx(id, how == 1 || how == 3);
        EditPartner(entryId, how == 2 || how == 3);
    }

    // ---- Syncs and the property ----

    int Sync(int rule) {
        m_ctrl.syncDirection = eSyncDir_Both;
        m_ctrl.conflictResolution = rule;
        m_ctrl.silent = 0;
        StopFlag stop{false};
        DoSync(m_ctx, stop);
        return m_ctrl.resultCode();
    }

    // Both sides emptied by the user leave the sync nothing to do, which it says with -8
    // (contacts without numbers are not synced: they do not count).
    bool Succeeded(int rc) const {
        if (rc == kResultOk) return true;
        if (rc != kResultNothingToDo) return false;
        for (const auto& [id, c] : m_pbx.Phonebook()) {
            if (c.numbers && !c.numbers->empty()) return false;
        }
        for (const auto& c : m_partner.contacts()) {
            if (c->numbers && !c->numbers->empty()) return false;
        }
        return true;
    }

    bool Fail(ConvergenceOutcome& out, const std::string& what) {
        out.ok = false;
        out.failure = what + "\n" + m_story.str();
        return false;
    }

    // The sync under test, then one more: it must succeed with nothing to do, and the two
    // sides must agree.
    bool SyncAndSettle(int rule, ConvergenceOutcome& out) {
        if (const int rc = Sync(rule); !Succeeded(rc)) {
            return Fail(
                out, "the sync failed: " + m_ctrl.resultText() + " (" + std::to_string(rc) + ")");
        }
        m_editActions = static_cast<int>(m_ctrl.actionList.size());
        if (const int rc = Sync(rule); !Succeeded(rc)) {
            return Fail(out, "the sync after it failed: " + m_ctrl.resultText() + " (" +
                                 std::to_string(rc) + ")");
        }
        if (!m_ctrl.actionList.empty()) {
            std::string left = "the sync after it still had something to do:\n";
            for (const auto& a : m_ctrl.actionList) {
                left += std::string("  ") + ActionCodeName(a->action) + " " + Describe(*a) + "\n";
            }
            return Fail(out, left);
        }
        std::vector<std::string> pbx;
        for (const auto& [id, c] : m_pbx.Phonebook()) {
            const TContact held = Held(c);
            if (held.numbers) pbx.push_back(Canon(held));
        }
        std::sort(pbx.begin(), pbx.end());
        std::vector<std::string> partner;
        for (const auto& c : m_partner.contacts()) {
            if (c->numbers && !c->numbers->empty()) partner.push_back(Canon(*c));
        }
        std::sort(partner.begin(), partner.end());
        if (pbx != partner) {
            std::string diff = "the sides differ:\n";
            for (const auto& s : pbx) diff += "  PBX     " + s + "\n";
            for (const auto& s : partner) diff += "  partner " + s + "\n";
            return Fail(out, diff);
        }
        return true;
    }

    Rng m_rng;
    Rng m_answers;
    std::ostringstream m_story;
    std::vector<std::string> m_usedKeys;
    NullProgress m_progress;
    PartnerSlots m_slots = PartnerSlots::AddressBook();
    MemoryPbx m_pbx{201};
    MemoryPartnerStore m_partner;
    TcontactFile m_files;
    RandomPrompt m_prompt;
    Tctrl m_ctrl;
    SyncContext m_ctx;
    int m_editActions = 0;
};

}  // namespace

ConvergenceOutcome RunConvergence(uint64_t seed, const std::filesystem::path& folder) {
    ConvergenceRun run(seed, folder);
    return run.Run();
}

}  // namespace korvi::test
