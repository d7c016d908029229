#pragma once
// Shared set-up of the calibrating windows' tests: the program's windows
// created once (as the program does), an empty table from the real library,
// and helpers that act inside a window while it is shown modally.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
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

// Creates the windows in the program's order, once for the test program.
inline void CreateWindowsOnce() {
  if (MainForm) return;
  MainForm = new TMainForm;
  GraphForm = new TGraphForm;
  TableForm = new TTableForm;
  AddFqForm = new TAddFqForm;
  EditValForm = new TEditValForm;
  CopyForm = new TCopyForm;
  FillForm = new TFillForm;
  CalInfoForm = new TCalInfoForm;
  FSelectForm = new TFSelectForm;
  AboutForm = new TAboutForm;
}

// Runs `action` once `form` is shown modally (from the nested event loop).
inline void WhenShown(platform::Form* form, std::function<void()> action) {
  auto* poll = new QTimer;
  poll->setInterval(2);
  QObject::connect(poll, &QTimer::timeout, [poll, form, action] {
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
