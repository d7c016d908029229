#include "platform/file_dialog.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "platform/application.h"
#include "tests/test_operator.h"

namespace platform {
namespace {

const QString kFilter = "S-Meter Calibration Table Files (*.CAL)|*.cal";

// The description is shown as written; the dialog matches in any case.
TEST(FileDialogFilter, ShowsTheDescriptionAsWritten) {
  EXPECT_EQ(QtNameFilters(kFilter), QStringList{"S-Meter Calibration Table Files (*.CAL)"});
  EXPECT_EQ(QtNameFilters("Tables|*.cal;*.txt|All files (*.*)|*.*"),
            (QStringList{"Tables (*.cal *.txt)", "All files (*.*)"}));
  EXPECT_EQ(QtNameFilters("Old (*.bak)|*.cal"), QStringList{"Old (*.bak) (*.cal)"});
  EXPECT_TRUE(QtNameFilters("").isEmpty());
  EXPECT_TRUE(QtNameFilters("Description without pattern").isEmpty());
}

TEST(FileDialogs, ReturnTheChosenPathAndRecordWhatTheyShowed) {
  TestOperator op;
  op.ChooseFile("/tmp/tables/a.cal");
  FileDialog dialog(FileDialogKind::Save);
  dialog.SetTitle("Save S-Meter Calibration Table");
  dialog.SetFilter(kFilter);
  dialog.SetDefaultExt("cal");
  dialog.SetFileName("New.cal");
  dialog.SetConfirmOverwrite(true);
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName(), "/tmp/tables/a.cal");
  ASSERT_EQ(op.Dialogs().size(), 1u);
  const FileDialogRequest& shown = op.Dialogs()[0].request;
  EXPECT_EQ(shown.kind, FileDialogKind::Save);
  EXPECT_EQ(shown.title, "Save S-Meter Calibration Table");
  EXPECT_EQ(shown.filter, kFilter);
  EXPECT_EQ(shown.defaultExtension, "cal");
  EXPECT_EQ(shown.fileName, "New.cal");
  EXPECT_TRUE(shown.confirmOverwrite);
  EXPECT_FALSE(shown.mustExist);
  EXPECT_EQ(op.Dialogs()[0].answer, "/tmp/tables/a.cal");
}

TEST(FileDialogs, CancelledKeepTheProposedName) {
  TestOperator op;
  op.CancelDialog();
  FileDialog dialog(FileDialogKind::Open);
  dialog.SetFileName("old.cal");
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.FileName(), "old.cal");
}

TEST(FileDialogs, TellWhileTheyAreShown) {
  TestOperator op;
  op.ChooseFile("/tmp/a.cal");
  FileDialog dialog(FileDialogKind::Open);
  std::vector<std::string> events;
  dialog.OnShow = [&](FileDialog* sender) { events.push_back(sender->Shown() ? "show (shown)" : "show"); };
  dialog.OnClose = [&](FileDialog* sender) { events.push_back(sender->Shown() ? "close (shown)" : "close"); };
  dialog.Execute();
  EXPECT_EQ(events, (std::vector<std::string>{"show (shown)", "close"}));
  EXPECT_FALSE(dialog.Shown());
}

TEST(FileDialogs, CanBeCancelledFromATimerWhileShown) {
  TestOperator op;
  op.KeepDialogOpen();
  FileDialog dialog(FileDialogKind::Open);
  QTimer::singleShot(10, [&] { dialog.PostCancel(); });
  EXPECT_FALSE(dialog.Execute());
  ASSERT_EQ(op.Dialogs().size(), 1u);
  EXPECT_TRUE(op.Dialogs()[0].cancelledFromOutside);
}

TEST(FileDialogs, ACancelPostedWhenNoneIsShownDoesNothing) {
  TestOperator op;
  auto dialog = std::make_unique<FileDialog>(FileDialogKind::Open);
  dialog->PostCancel();
  dialog.reset();
  ProcessMessages();
}

TEST(FileDialogs, AnUnexpectedDialogIsReportedAndCancelled) {
  std::vector<std::string> failures;
  ScriptedOperator op([&](const std::string& message) { failures.push_back(message); });
  FileDialog dialog(FileDialogKind::Open);
  dialog.SetTitle("Open S-Meter Calibration Table");
  EXPECT_FALSE(dialog.Execute());
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("Open S-Meter Calibration Table"), std::string::npos);
}

TEST(FileDialogs, AKeptDialogNobodyCancelsIsReported) {
  std::vector<std::string> failures;
  ScriptedOperator op([&](const std::string& message) { failures.push_back(message); });
  op.KeepDialogOpen(20);
  FileDialog dialog(FileDialogKind::Open);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(failures.size(), 1u);
  EXPECT_FALSE(op.Dialogs().at(0).cancelledFromOutside);
}

}  // namespace
}  // namespace platform
