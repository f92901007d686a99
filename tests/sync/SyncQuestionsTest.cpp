// The questions a sync asks: the similar-contact choice with the two contacts' lines, and the
// deletion warnings, with the system's texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sync/DeletionWarning.h"
#include "sync/SimilarContactQuestion.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {
namespace {

using testing::ElementsAre;

TEST(SyncQuestionsTest, SimilarContact_TextsAndLinesOfBothContacts) {
    TContact pbx = MakeContact("Jon Smith: Mob=0170 12 34");
    TContactNumber gone;
    gone.number = "030 99";
    gone.numberType = kBus1;
    gone.state = kDeleted;
    pbx.numbers->push_back(gone);
    TContact partner = MakeContact("- - [Smith Ltd]: Bus1=030 99");

    const Question q = BuildSimilarContactQuestion(pbx, partner, "Outlook");
    EXPECT_EQ(Question::Kind::SimilarContact, q.kind);
    EXPECT_EQ("similar-contact", q.id);
    EXPECT_EQ("Similar Contacts detected", q.caption);
    EXPECT_EQ("Similar Contacts have been detected in PBX and Outlook. Choose Action!", q.heading);
    EXPECT_EQ("PBX Contact:", q.pbxCaption);
    EXPECT_EQ("Outlook Contact:", q.partnerCaption);
    EXPECT_THAT(q.buttons,
                ElementsAre("Use PBX Contact", "Use Outlook Contact", "Retain Both", "Cancel"));
    EXPECT_THAT(q.pbxLines,
                ElementsAre("First Name: Jon", "Last Name: Smith", "Display Name: Jon Smith",
                            "Number: 0170 12 34 [Mob]", "Number: 030 99 [Bus1]"));
    EXPECT_THAT(q.partnerLines, ElementsAre("Display Name: Smith Ltd", "Number: 030 99 [Bus1]"));
}

class AnswerOnce final : public Prompt {
public:
    explicit AnswerOnce(int answer) : m_answer(answer) {}
    int Ask(const Question&) override { return m_answer; }

private:
    int m_answer;
};

TEST(SyncQuestionsTest, SimilarContact_AnythingButAChoiceIsCancel) {
    const TContact a = MakeContact("Jon Smith: Mob=1");
    for (int answer : {kUsePbx, kUsePartner, kRetainBoth}) {
        AnswerOnce p(answer);
        EXPECT_EQ(answer, AskSimilarContact(&p, a, a, "Outlook"));
    }
    for (int answer : {static_cast<int>(kCancel), 4, -1}) {
        AnswerOnce p(answer);
        EXPECT_EQ(kCancel, AskSimilarContact(&p, a, a, "Outlook"));
    }
    EXPECT_EQ(kCancel, AskSimilarContact(nullptr, a, a, "Outlook"));
}

TEST(SyncQuestionsTest, DeletionWarnings_TextsAndCaption) {
    const Question pbx = BuildDeletionWarning(true, 3, "Outlook");
    EXPECT_EQ("pbx-deletes", pbx.id);
    EXPECT_EQ(Question::Kind::Confirm, pbx.kind);
    EXPECT_EQ("Confirm", pbx.caption);
    EXPECT_EQ(
        "Warning: Korvi Communicator has detected that 3 contacts have\nbeen deleted from "
        "Outlook since the last Sync.\n\nThese contacts will be deleted from the PBX.\n\n"
        "Do you want to continue?\n",
        pbx.text);
    const Question partner = BuildDeletionWarning(false, 2, "Outlook");
    EXPECT_EQ("partner-deletes", partner.id);
    EXPECT_EQ(
        "Warning: Korvi Communicator has detected that 2 contacts have\nbeen deleted from "
        "the PBX since the last Sync.\n\nThese contacts will be deleted from Outlook\n\n"
        "Do you want to continue?\n",
        partner.text);
    EXPECT_FALSE(ConfirmDeletions(nullptr, true, 2, "Outlook"));
}

}  // namespace
}  // namespace korvi::test
