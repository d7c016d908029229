// Binding the calibration library and start-up, against stand-in libraries.
#include "forms/calibration_library.h"

#include <gtest/gtest.h>

#include <QThread>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "forms/U_mainform.h"
#include "forms/U_searchadform.h"
#include "forms/U_tableform.h"
#include "forms/program.h"
#include "graph/U_graphform.h"
#include "platform/application.h"
#include "platform/dynamic_library.h"
#include "tests/test_operator.h"

namespace {

const std::filesystem::path kFakes = ORVANTA_FAKE_LIBRARIES_DIR;
const QString kMissingLibrary =
    "Unable to load dynamic library 'fendrel.dll'.\nApplication will be terminated.";
const QString kBadVersion =
    "Bad version of dynamic library 'fendrel.dll' or file is corrupted.\nApplication will be terminated.";

class Binding : public testing::Test {
 protected:
  void TearDown() override { platform::SetProgramFolder({}); }
};

void ExpectOneError(const TestOperator& op, const QString& text) {
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), text);
  EXPECT_EQ(op.Boxes()[0].caption(), "Error");
  EXPECT_EQ(op.Boxes()[0].request.icon, platform::MessageIcon::Error);
  EXPECT_EQ(op.Boxes()[0].request.buttons, platform::MessageButtons::Ok);
}

TEST_F(Binding, WithoutTheLibraryShowsTheFirstMessage) {
  TestOperator op;
  op.Answer(platform::ModalResult::Ok);
  platform::SetProgramFolder(kFakes / "no-such-folder");
  EXPECT_FALSE(BindCalibrationLibrary());
  ExpectOneError(op, kMissingLibrary);
}

TEST_F(Binding, ALibraryLackingAnExportShowsTheSecondMessageAfterLookingUpAll) {
  TestOperator op;
  op.Answer(platform::ModalResult::Ok);
  platform::SetProgramFolder(kFakes / "fendrel-seven");
  EXPECT_FALSE(BindCalibrationLibrary());
  ExpectOneError(op, kBadVersion);
  EXPECT_EQ(calibration::DeleteFrequency, nullptr);
  // The look-ups after and before the missing one were made all the same.
  EXPECT_NE(calibration::LoadCALFile, nullptr);
  EXPECT_NE(calibration::GetFrequencies, nullptr);
}

TEST_F(Binding, ACompleteLibraryWithoutDeleteModeBinds) {
  TestOperator op;
  platform::SetProgramFolder(kFakes / "fendrel-complete");
  ASSERT_TRUE(BindCalibrationLibrary());
  EXPECT_EQ(calibration::LoadCALFile(nullptr), 42);
  EXPECT_EQ(calibration::Unload(42), CAL_OK);
  EXPECT_NE(calibration::DeleteFrequency, nullptr);
}

TEST(ShowLibraryError, ShowsTheMessageOfAnErrorCode) {
  TestOperator op;
  op.Answer(platform::ModalResult::Ok);
  op.Answer(platform::ModalResult::Ok);
  op.Answer(platform::ModalResult::Ok);
  EXPECT_FALSE(ShowLibraryError(-8));
  EXPECT_FALSE(ShowLibraryError(-9));
  EXPECT_FALSE(ShowLibraryError(-15));
  ASSERT_EQ(op.Boxes().size(), 3u);
  EXPECT_EQ(op.Boxes()[0].text(), "CAL file not found.");
  EXPECT_EQ(op.Boxes()[0].caption(), "Error");
  EXPECT_EQ(op.Boxes()[1].text(), "Error during loading CAL file to memory.");
  EXPECT_EQ(op.Boxes()[2].text(),
            QString::fromUtf16(u"RAW signal strength value is not within range 0 \u2013 255."));
}

TEST(ShowLibraryError, HasAMessageForEveryCodeFromMinus2ToMinus17) {
  TestOperator op;
  for (int code = -2; code >= -17; --code) op.Answer(platform::ModalResult::Ok);
  for (int code = -2; code >= -17; --code) EXPECT_FALSE(ShowLibraryError(code)) << code;
  EXPECT_EQ(op.Boxes().size(), 16u);
  EXPECT_EQ(op.Boxes().front().text(), "Was found an dBm value in array that is out of range -140 - 0");
  EXPECT_EQ(op.Boxes().back().text(), "Frequency not found in table.");
}

TEST(ShowLibraryError, ShowsNothingForSuccessHandlesSizesAndMinus18) {
  TestOperator op;
  for (int32_t code : {-1, 0, 5, -18, -19, 1024}) EXPECT_TRUE(ShowLibraryError(code)) << code;
  EXPECT_TRUE(op.Boxes().empty());
}

class StartUp : public Binding {
 protected:
  platform::Application& App() { return *platform::Application::Instance(); }

  // Runs `action` at the first processing of messages at which `ready` holds
  // (dropped with `guard`).
  static void WhenReady(QObject* guard, std::function<bool()> ready, std::function<void()> action) {
    platform::Post(guard, [=] { ready() ? action() : WhenReady(guard, ready, action); });
  }
  // A program that kept running without its main window would sit in its
  // message loop for good: leave it, and tell the test.
  void EndLoopLeftRunning(QObject* guard, bool& leftRunning) {
    WhenReady(
        guard, [] { return QThread::currentThread()->loopLevel() > 0; },
        [this, &leftRunning] {
          leftRunning = true;
          App().exit(0);
        });
  }
};

TEST_F(StartUp, WithoutTheLibraryEndsWithoutShowingTheMainWindow) {
  TestOperator op;
  op.Answer(platform::ModalResult::Ok);
  platform::SetProgramFolder(kFakes / "no-such-folder");
  bool mainWindowShown = false;
  platform::Post(&App(), [&] { mainWindowShown = MainForm && MainForm->isVisible(); });
  EXPECT_EQ(RunCalibrator(App()), 0);
  ExpectOneError(op, kMissingLibrary);
  EXPECT_FALSE(mainWindowShown);
  EXPECT_EQ(MainForm, nullptr);
}

TEST_F(StartUp, WithAnOldLibraryShowsTheSecondMessageAndEnds) {
  TestOperator op;
  op.Answer(platform::ModalResult::Ok);
  platform::SetProgramFolder(kFakes / "fendrel-seven");
  EXPECT_EQ(RunCalibrator(App()), 0);
  ExpectOneError(op, kBadVersion);
}

TEST_F(StartUp, ShowsTheMainWindowTitledOrvantaAndEndsWhenItCloses) {
  TestOperator op;
  platform::SetProgramFolder(kFakes / "fendrel-complete");
  bool shown = false;
  QString title;
  bool allFormsCreated = false;
  // Closed like an operator would: once the window is up and no longer busy
  // with its device search, which disables it.
  QObject guard;
  bool leftRunning = false;
  QTimer closer;
  closer.setInterval(20);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (!MainForm || !MainForm->isVisible() || !MainForm->isEnabled()) return;
    shown = true;
    title = MainForm->windowTitle();
    allFormsCreated = GraphForm && TableForm && !GraphForm->isVisible();
    closer.stop();
    EXPECT_TRUE(MainForm->close());
    EndLoopLeftRunning(&guard, leftRunning);
  });
  closer.start();
  EXPECT_EQ(RunCalibrator(App()), 0);
  EXPECT_FALSE(leftRunning);
  EXPECT_TRUE(shown);
  EXPECT_EQ(title, "Orvanta");
  EXPECT_EQ(App().Title(), "Orvanta");
  EXPECT_TRUE(allFormsCreated);
  EXPECT_EQ(MainForm, nullptr);
  EXPECT_EQ(TableForm, nullptr);
}

// The first device search processes messages before the message loop runs;
// the operator may close the window right then.
TEST_F(StartUp, EndsWhenTheMainWindowClosesDuringTheFirstDeviceSearch) {
  TestOperator op;
  platform::SetProgramFolder(kFakes / "fendrel-complete");
  QObject guard;
  bool closedWhileSearching = false;
  bool leftRunning = false;
  WhenReady(
      &guard, [] { return MainForm && MainForm->isVisible() && SearchADForm && SearchADForm->isVisible(); },
      [&] {
        closedWhileSearching = MainForm->close();
        EndLoopLeftRunning(&guard, leftRunning);
      });
  EXPECT_EQ(RunCalibrator(App()), 0);
  EXPECT_TRUE(closedWhileSearching);
  EXPECT_FALSE(leftRunning);
  EXPECT_EQ(MainForm, nullptr);
}

}  // namespace
