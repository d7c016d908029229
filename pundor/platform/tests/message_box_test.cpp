// Message boxes as the scripted operator sees them, and the operator itself.
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "platform/scripted_operator.h"
#include "tests/test_operator.h"

namespace platform {
namespace {

using Failures = std::vector<std::string>;

TEST(MessageBoxes, AreRecordedWithEverythingTheyShowAndAnsweredFromTheScript) {
  TestOperator op;
  op.Answer(ModalResult::No);
  QWidget owner;
  const auto answer = MessageBox("Close anyway?", "Confirmation", MessageIcon::Question,
                                 MessageButtons::YesNo, ModalResult::No, &owner);
  EXPECT_EQ(answer, ModalResult::No);
  ASSERT_EQ(op.Boxes().size(), 1u);
  const ShownBox& box = op.Boxes()[0];
  EXPECT_EQ(box.text(), "Close anyway?");
  EXPECT_EQ(box.caption(), "Confirmation");
  EXPECT_EQ(box.request.icon, MessageIcon::Question);
  EXPECT_EQ(box.request.buttons, MessageButtons::YesNo);
  EXPECT_EQ(box.request.defaultButton, ModalResult::No);
  EXPECT_EQ(box.request.owner, &owner);
  EXPECT_EQ(box.answer, ModalResult::No);
}

TEST(MessageBoxes, FollowTheProgramsConventionsForErrorsAndQuestions) {
  TestOperator op;
  op.Answer(ModalResult::Ok);
  op.Answer(ModalResult::Yes);
  op.Answer(ModalResult::No);
  ShowError("CAL file not found.");
  EXPECT_TRUE(Confirm("Do you want to refresh?", ModalResult::No));
  EXPECT_FALSE(Confirm("Do you want to refresh?"));
  ASSERT_EQ(op.Boxes().size(), 3u);
  EXPECT_EQ(op.Boxes()[0].caption(), "Error");
  EXPECT_EQ(op.Boxes()[0].request.icon, MessageIcon::Error);
  EXPECT_EQ(op.Boxes()[0].request.buttons, MessageButtons::Ok);
  EXPECT_EQ(op.Boxes()[1].caption(), "Confirmation");
  EXPECT_EQ(op.Boxes()[1].request.icon, MessageIcon::Question);
  EXPECT_EQ(op.Boxes()[1].request.buttons, MessageButtons::YesNo);
  EXPECT_EQ(op.Boxes()[1].request.defaultButton, ModalResult::No);
}

TEST(ScriptedOperator, ReportsAnUnexpectedBoxWithItsTextAndGivesTheSafeAnswer) {
  Failures failures;
  ScriptedOperator op([&](const std::string& message) { failures.push_back(message); });
  EXPECT_EQ(MessageBox("Overwrite?", "Confirmation", MessageIcon::Question, MessageButtons::YesNo),
            ModalResult::No);
  EXPECT_EQ(MessageBox("Save?", "Confirmation", MessageIcon::Question, MessageButtons::YesNoCancel),
            ModalResult::Cancel);
  EXPECT_EQ(MessageBox("Done", "Info", MessageIcon::Information, MessageButtons::Ok), ModalResult::Ok);
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_NE(failures[0].find("Overwrite?"), std::string::npos);
  EXPECT_EQ(op.Failures(), failures);
  EXPECT_EQ(op.Boxes().size(), 3u);
}

TEST(ScriptedOperator, RefusesAnAnswerTheBoxDoesNotOffer) {
  Failures failures;
  ScriptedOperator op([&](const std::string& message) { failures.push_back(message); });
  op.Answer(ModalResult::Yes);
  ShowError("Invalid CAL handle.");
  EXPECT_EQ(op.Boxes().at(0).answer, ModalResult::Ok);
  EXPECT_EQ(failures.size(), 1u);
  // The refused answer waits for the next box that offers it.
  EXPECT_EQ(op.PendingAnswers(), 1u);
  EXPECT_TRUE(Confirm("Refresh?"));
}

TEST(ScriptedOperator, ReportsAnswersNeverUsed) {
  Failures failures;
  {
    ScriptedOperator op([&](const std::string& message) { failures.push_back(message); });
    op.Answer(ModalResult::Yes);
    op.ChooseFile("/tmp/a.cal");
  }
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("2 scripted answer(s)"), std::string::npos);
}

TEST(ScriptedOperator, RunsAnActionWhileTheNextBoxIsShown) {
  TestOperator op;
  std::size_t boxesSeenByAction = 99;
  op.WhileShown([&] { boxesSeenByAction = op.Boxes().size(); });
  op.Answer(ModalResult::Ok);
  ShowError("x");
  EXPECT_EQ(boxesSeenByAction, 0u);
}

TEST(ScriptedOperator, AnInnerOperatorHandsBackToTheOuterOne) {
  TestOperator outer;
  {
    TestOperator inner;
    inner.Answer(ModalResult::Ok);
    ShowError("inner");
    EXPECT_EQ(InstalledOperator(), &inner);
  }
  EXPECT_EQ(InstalledOperator(), &outer);
  outer.Answer(ModalResult::Ok);
  ShowError("outer");
  EXPECT_EQ(outer.Boxes().size(), 1u);
}

TEST(MessageBoxesWithoutOperator, TakeTheSafeAnswerWhenNobodyIsAtTheScreen) {
  ASSERT_EQ(InstalledOperator(), nullptr);
  ASSERT_TRUE(NobodyAtScreen());
  EXPECT_EQ(MessageBox("Close anyway?", "Confirmation", MessageIcon::Question, MessageButtons::YesNo),
            ModalResult::No);
}

}  // namespace
}  // namespace platform
