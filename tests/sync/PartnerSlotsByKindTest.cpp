// A store that holds numbers by kind (the cloud group): the first numbers of a kind take its
// slots in order, whatever their types in the PBX; an amend from it keeps the PBX's numbers it
// could not show, after its own.
#include "sync/PartnerSlots.h"

#include <gtest/gtest.h>

#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

// The cloud's kinds: home (2 slots), work (2), mobile, main, home fax, work fax; no internal.
PartnerSlots Kinds() {
    PartnerSlots slots;
    slots.kindOf = [](int32_t type) {
        switch (type) {
            case kHome1:
            case kHome2:
                return 0;
            case kBus1:
            case kBus2:
                return 1;
            case kMob:
                return 2;
            case kOther:
                return 3;
            case kFaxHome:
                return 4;
            case kFaxBus:
                return 5;
            default:
                return -1;
        }
    };
    slots.kindSlots = {{kHome1, kHome2}, {kBus1, kBus2}, {kMob}, {kOther}, {kFaxHome}, {kFaxBus}};
    return slots;
}

// The numbers in list order ("Home1=9"), which Canon does not show.
std::vector<std::string> InOrder(const TContact& c) {
    std::vector<std::string> out;
    if (c.numbers) {
        for (const auto& n : *c.numbers) {
            out.push_back(std::string(NumberTypeName(n.numberType)) + "=" + n.number);
        }
    }
    return out;
}

struct SplitCase {
    const char* name;
    std::string contact;
    std::string held;  // "" for no number list
    int dropped;
};

TEST(PartnerSlotsByKindTest, FirstOfAKindTakeItsSlots) {
    const SplitCase cases[] = {
        {"LoneHome2_IsHome1", "A B: Home2=2", "A B: Home1=2", 0},
        {"Home2BeforeHome1_InListOrder", "A B: Home2=2, Home1=1", "A B: Home1=2, Home2=1", 0},
        {"ThirdHome_Dropped", "A B: Home1=1, Home2=2, Home1=3", "A B: Home1=1, Home2=2", 1},
        {"SecondMobile_FirstKept", "A B: Mob=1, Mob=2", "A B: Mob=1", 1},
        {"Internal_Dropped", "A B: Int=201", "", 1},
        {"Bus2Alone_IsBus1", "A B: Bus2=5, Fax_Bus=6", "A B: Bus1=5, Fax_Bus=6", 0},
    };
    for (const auto& c : cases) {
        TContact held;
        TNumberList dropped;
        SplitForPartner(MakeContact(c.contact), Kinds(), held, dropped);
        if (std::string(c.held).empty()) {
            EXPECT_FALSE(held.numbers.has_value()) << c.name;
        } else {
            EXPECT_EQ(InOrder(held), InOrder(MakeContact(c.held))) << c.name;
        }
        EXPECT_EQ(static_cast<int>(dropped.size()), c.dropped) << c.name;
    }
}

TEST(PartnerSlotsByKindTest, AmendKeepsThePbxNumbersTheGroupCannotShowAfterItsOwn) {
    // The PBX has three home numbers and an internal one; the group shows the first two homes.
    const TContact pbx = MakeContact("A B: Home1=1, Home2=2, Home1=3, Int=201");
    TContact amendment = MakeContact("A B: Home1=9, Home2=2");
    KeepPbxOnlyNumbers(amendment, pbx, Kinds());
    EXPECT_EQ(InOrder(amendment), InOrder(MakeContact("A B: Home1=9, Home2=2, Home1=3, Int=201")));
    TContact held;
    TNumberList dropped;
    SplitForPartner(amendment, Kinds(), held, dropped);
    EXPECT_EQ(InOrder(held), InOrder(MakeContact("A B: Home1=9, Home2=2"))) << "stable next time";

    // Home numbers removed in the group: the third one goes too; the internal one stays.
    amendment = MakeContact("A B: Mob=7");
    KeepPbxOnlyNumbers(amendment, pbx, Kinds());
    EXPECT_EQ(InOrder(amendment), InOrder(MakeContact("A B: Mob=7, Int=201")));
}

}  // namespace
}  // namespace korvi::test
