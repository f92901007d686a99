#include "sync/SyncDriver.h"

#include <gtest/gtest.h>

#include "common/ResultTesting.h"
#include "sync/SyncActions.h"
#include "sync/SyncRun.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {

SyncDriver::SyncDriver(SyncWorld& w) : world(w), ctx(ctrl, w.pbx(), w.files()) {
    // The world's partner store runs under the world's partner code, through the registry as
    // every store does.
    Partner partner;
    partner.code = w.partnerCode();
    partner.name = PartnerName(partner.code);
    partner.store = &world.partner();
    partner.slots = world.partnerSlots();
    world.DescribePartner(ctrl, partner);
    partners.Register(std::move(partner));
    UsePartners(ctx, partners);
    ctrl.SetPrompt(&prompt);
    ctrl.partner = w.partnerCode();
}

int SyncDriver::Sync(int direction, int conflict, const Answers& answers, int silent) {
    for (const auto& [id, answer] : answers) prompt.Expect(id, answer);
    ctrl.syncDirection = direction;
    ctrl.conflictResolution = conflict;
    ctrl.silent = silent;
    stop = false;
    DoSync(ctx, stop);
    EXPECT_EQ(0u, prompt.unusedAnswers()) << "an expected question was not asked";
    return ctrl.resultCode();
}

std::filesystem::path SyncDriver::SyncFilePath() {
    return world.files().SyncFilePath(world.pbx().CurrentContactType(),
                                      world.partner().contactStoreID());
}

bool SyncDriver::SyncFileExists() { return std::filesystem::exists(SyncFilePath()); }

std::vector<std::string> SyncDriver::SyncList() {
    TContactList list;
    std::string text;
    const int rc = CodeOf(world.files().LoadContacts(SyncFilePath(), list), text);
    EXPECT_EQ(0, rc) << text;
    return Canon(list);
}

}  // namespace korvi::test
