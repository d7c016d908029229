#pragma once
// Shared set-up of the calibrating windows' tests: the program's windows
// created once (as the program does), an empty table from the real library,
// and helpers that act inside a window while it is shown modally.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "forms/U_aboutform.h"
#include "forms/U_addfqform.h"
#include "forms/U_calinfoform.h"
#include "forms/U_copyform.h"
#include "forms/U_editvalform.h"
#include "forms/U_fillform.h"
#include "forms/U_fselectform.h"
#include "forms/U_mainform.h"
#include "forms/U_tableform.h"
#include "forms/calibration_library.h"
#include "graph/U_graphform.h"
#include "platform/error.h"
#include "platform/scripted_operator.h"
#include "tests/test_scope.h"

// Creates the windows in the program's order, once for the test program
// (a window another test removed is made again). The simulated receivers
// keep their state in a folder of this test program's own.
inline void CreateWindowsOnce() {
  if (!MainForm) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("orvanta-calibrating-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    setenv("ORVANTA_SIM_STATE", (folder / "state").c_str(), 1);
    unsetenv("ORVANTA_SIM_SCENARIO");
    MainForm = new TMainForm;
  }
  if (!GraphForm) GraphForm = new TGraphForm;
  if (!TableForm) TableForm = new TTableForm;
  if (!AddFqForm) AddFqForm = new TAddFqForm;
  if (!EditValForm) EditValForm = new TEditValForm;
  if (!CopyForm) CopyForm = new TCopyForm;
  if (!FillForm) FillForm = new TFillForm;
  if (!CalInfoForm) CalInfoForm = new TCalInfoForm;
  if (!FSelectForm) FSelectForm = new TFSelectForm;
  if (!AboutForm) AboutForm = new TAboutForm;
}

// Removes the windows again, so that the next test suite starts without them.
inline void DestroyWindows() {
  auto destroy = [](auto*& window) {
    delete window;
    window = nullptr;
  };
  destroy(AboutForm);
  destroy(FSelectForm);
  destroy(CalInfoForm);
  destroy(FillForm);
  destroy(CopyForm);
  destroy(EditValForm);
  destroy(AddFqForm);
  destroy(TableForm);
  destroy(GraphForm);
  destroy(MainForm);
}

// Runs `action` once `form` is shown modally (from the nested event loop).
// The wait ends with the test (or the form), shown or not.
inline void WhenShown(platform::Form* form, std::function<void()> action) {
  auto* poll = new QTimer(TestScope());
  poll->setInterval(2);
  QObject::connect(poll, &QTimer::timeout, form, [poll, form, action] {
    if (!form->ShownModally() || !form->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    action();
  });
  poll->start();
}

// Lets pending events run for a while.
inline void Settle(int ms = 20) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TLevelTable Column(double level);

// A test with an empty table of its own, opened as the session's table.
class CalibratingTest : public testing::Test {
 protected:
  static void TearDownTestSuite() { DestroyWindows(); }

  static constexpr const char* kReceiver = "Halv-A1";

  void SetUp() override {
    CreateWindowsOnce();
    MainForm->CalHandle = calibration::LoadCALFile(nullptr);
    MainForm->TableLoaded = true;
    MainForm->ReceiverName = kReceiver;
  }
  void TearDown() override {
    calibration::Unload(MainForm->CalHandle);
    MainForm->TableLoaded = false;
  }

  // Writes a column of one level at a frequency.
  void Put(const char* receiver, int32_t mode, int64_t frequency, double level) {
    const TLevelTable column = Column(level);
    ASSERT_EQ(calibration::PutDBMs(MainForm->CalHandle, receiver, mode, frequency, column.data()), CAL_OK);
  }

  platform::ScriptedOperator op{[](const std::string& message) { ADD_FAILURE() << message; }};
};

inline TLevelTable Column(double level) {
  TLevelTable column;
  column.fill(level);
  return column;
}
