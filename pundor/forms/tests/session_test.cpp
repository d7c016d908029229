// A whole calibration session through the real windows, the real library and
// a simulated receiver, the scripted operator answering every box and dialog.
#include <unistd.h>

#include <QApplication>
#include <QEnterEvent>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "calibrating_testing.h"
#include "forms/U_reconnectform.h"
#include "forms/known_receivers.h"
#include "main_window_fixture.h"
#include "receivers/text_helpers.h"
#include "receivers/velkaro_api.h"
#include "widgets/frequencyedit.h"
#include "widgets/myintedit.h"
#include "widgets/mylabel.h"
#include "widgets/myupdown.h"
#include "widgets/stalignedit.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

namespace {

using platform::ModalResult;

// What the table holds after PutDBMs: the level rounded to tenths, an exact
// half-tenth going down.
double Stored(double level) { return std::trunc((level - 0.05) * 10) / 10; }

class SessionTest : public testing::Test {
 protected:
  static void TearDownTestSuite() { DestroyWindows(); }

  void OpenReceiver(const std::string& name) {
    MainForm->SearchDevices();
    for (int row = 0; row < MainForm->D->RowCount(); ++row) {
      const TRadioDevice& device = MainForm->Devices[MainForm->D->Objects(0, row)];
      if (name != device.Name) continue;
      MainForm->D->SetRow(row);
      MainForm->BSelectClick();
      return;
    }
    FAIL() << "no simulated " << name;
  }

  void Add(int64_t frequency) {
    WhenShown(AddFqForm, [frequency] {
      AddFqForm->Fq->SetValue(frequency);
      AddFqForm->BOKClick();
    });
    MainForm->stSpeedButton8Click();
  }

  void SelectFrequency(int64_t frequency) {
    for (int row = 0; row < MainForm->FrequencyCount; ++row)
      if (MainForm->F->Cells(1, row) == QString::number(frequency)) return MainForm->F->SetRow(row);
    FAIL() << "no row for " << frequency;
  }

  void SelectModeIndex(int index) {
    MainForm->MUD->SetTag(index);
    MainForm->SelectMode(MainForm->ModeList[index]);
  }

  // Inside the table editor: one level through the value dialog.
  static void EnterLevel(int idx, const QString& text) {
    WhenShown(EditValForm, [text] {
      EditValForm->V->setText(text);
      EditValForm->BOKClick();
    });
    TableForm->EditEntry(idx, TTableForm::DBmCol(idx), TTableForm::EntryRow(idx));
  }

  static void RangeTool(void (TTableForm::*tool)(), const QString& value, int from, int to) {
    WhenShown(FillForm, [=] {
      FillForm->V->setText(value);
      FillForm->From->SetValue(from);
      FillForm->To->SetValue(to);
      FillForm->BOKClick();
    });
    (TableForm->*tool)();
  }

  // Drags the graph's curve at one raw value with the mouse.
  static void DragInGraph(int raw) {
    TOrvantaGraph* graph = GraphForm->Graph;
    const QRect plot = graph->PlotRect();
    const int x = plot.left() + static_cast<int>(raw * (plot.right() - plot.left()) / 255.0);
    const QPoint from(x, plot.top() + plot.height() / 2);
    QEnterEvent enter(from, from, graph->mapToGlobal(from));
    QCoreApplication::sendEvent(graph, &enter);
    QTest::mouseMove(graph, from);
    QTest::mousePress(graph, Qt::LeftButton, {}, from);
    QTest::mouseMove(graph, from + QPoint(0, 12));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, from + QPoint(0, 12));
  }

  // Opens the editor on a point (the receiver tuned there, so nothing is
  // asked), runs `tool` inside it and confirms with OK.
  static void EditWith(int64_t frequency, const std::function<void()>& tool) {
    MainForm->Fq->SetValue(frequency);
    for (int row = 0; row < MainForm->FrequencyCount; ++row)
      if (MainForm->F->Cells(1, row) == QString::number(frequency)) MainForm->F->SetRow(row);
    WhenShown(TableForm, [tool] {
      tool();
      TableForm->SetModalResult(ModalResult::Ok);
    });
    MainForm->BEditClick();
  }

  // The newer-family receiver is unplugged and the next measuring tick finds
  // it gone; the operator gives up the wait with "Do not wait".
  void LoseReceiverAndGiveUp(SimulatorControl& receiver) {
    receiver.SetPlugged(kLostSerial, false);
    GiveUpTheWait();
    MainForm->TTimer();
  }
  // Presses "Do not wait" once the reconnect window is shown; the wait ends
  // with the test.
  void GiveUpTheWait() {
    auto* poll = new QTimer(&testScope_);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll] {
      for (platform::Form* shown : platform::Form::ModalForms())
        if (auto* wait = dynamic_cast<TReconnectForm*>(shown)) {
          poll->stop();
          poll->deleteLater();
          wait->Button1->OnClick(wait->Button1);
          return;
        }
    });
    poll->start();
  }
  static constexpr const char* kLostSerial = "C1004711";
  QObject testScope_;

  platform::ScriptedOperator op{[](const std::string& message) { ADD_FAILURE() << message; }};
};

TEST_F(SessionTest, CalibrationSessionEndToEnd) {
  CreateWindowsOnce();
  OpenReceiver("Halv-A1");
  ASSERT_NE(MainForm->OpenDriver, nullptr);
  EXPECT_EQ(AddFqForm->Fq->Max(), MainForm->Fq->Max()) << "the add dialog takes the receiver's limits";

  // New table: an empty list, Edit and Delete disabled.
  MainForm->stSpeedButton3Click();
  ASSERT_TRUE(MainForm->TableLoaded);
  EXPECT_EQ(MainForm->FrequencyCount, 0);
  EXPECT_FALSE(MainForm->BEdit->isEnabled());

  for (int64_t frequency : {14'000'000, 7'000'000, 21'000'000}) Add(frequency);
  ASSERT_EQ(MainForm->FrequencyCount, 3);
  EXPECT_EQ(MainForm->F->Cells(1, 0), QStringLiteral("7000000")) << "the library files points in order";
  EXPECT_TRUE(MainForm->TableModified);
  EXPECT_TRUE(MainForm->BEdit->isEnabled());

  // Edit while tuned elsewhere: No opens the editor "not tuned", Cancel writes nothing.
  MainForm->Fq->SetValue(10'000'000);
  SelectFrequency(7'000'000);
  op.Answer(ModalResult::No);
  WhenShown(TableForm, [] {
    EXPECT_TRUE(TableForm->LCaption->Caption().endsWith(QStringLiteral("(not tuned)")));
    TableForm->SetModalResult(ModalResult::Cancel);
  });
  MainForm->BEditClick();
  EXPECT_EQ(MainForm->Fq->Value(), 10'000'000) << "No leaves the receiver where it was";
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption(), QStringLiteral("Change frequency?"));

  // Yes tunes the receiver; the levels are edited with every tool and written back on OK.
  op.Answer(ModalResult::Yes);
  TLevelTable edited{};
  WhenShown(TableForm, [&] {
    EXPECT_EQ(TableForm->LCaption->Caption(),
              QStringLiteral("Translation table for frequency 7 MHz (tuned)"));
    EnterLevel(10, QStringLiteral("-100.04"));
    EnterLevel(20, QStringLiteral("-80"));
    TableForm->stSpeedButton6Click();
    RangeTool(&TTableForm::stSpeedButton2Click, QStringLiteral("-30.55"), 200, 210);
    RangeTool(&TTableForm::stSpeedButton1Click, QStringLiteral("-0.3"), 0, 5);
    TableForm->stSpeedButton4Click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(GraphForm));
    DragInGraph(100);
    edited = TableForm->Levels;
    TableForm->SetModalResult(ModalResult::Ok);
  });
  MainForm->BEditClick();
  EXPECT_EQ(MainForm->Fq->Value(), 7'000'000);
  EXPECT_FALSE(GraphForm->isVisible()) << "the graph closes with the editor";
  EXPECT_EQ(edited[0], -100.0) << "the offset works in whole dB";
  EXPECT_DOUBLE_EQ(edited[15], -90.0);
  EXPECT_DOUBLE_EQ(edited[205], -30.55);
  EXPECT_NE(edited[100], -80.0) << "the drag changed raw 100";
  EXPECT_DOUBLE_EQ(edited[101], -80.0);

  // Points of another mode of this receiver.
  ASSERT_GE(MainForm->ModeCount, 2);
  SelectModeIndex(1);
  Add(10'000'000);
  SelectFrequency(10'000'000);
  op.Answer(ModalResult::No);
  WhenShown(TableForm, [] {
    RangeTool(&TTableForm::stSpeedButton2Click, QStringLiteral("-77.7"), 0, 255);
    TableForm->SetModalResult(ModalResult::Ok);
  });
  MainForm->BEditClick();
  const int32_t otherMode = MainForm->CurrentMode();
  SelectModeIndex(0);
  ASSERT_EQ(MainForm->FrequencyCount, 3);
  WhenShown(CopyForm, [otherMode] {
    CopyForm->D->SetRow(0);
    for (int row = 0; row < CopyForm->M->RowCount(); ++row)
      if (CopyForm->M->Objects(0, row) == otherMode) CopyForm->M->SetRow(row);
    CopyForm->BCopyClick();
  });
  MainForm->stSpeedButton7Click();
  EXPECT_EQ(MainForm->FrequencyCount, 4);

  // Points of a receiver with a wider range are aligned to this receiver's limits.
  const TLevelTable wide = Column(-60.0);
  for (int64_t frequency : {int64_t{5'000}, int64_t{2'500'000'000}})
    ASSERT_EQ(calibration::PutDBMs(MainForm->CalHandle, "Halv-B3", 1, frequency, wide.data()), CAL_OK);
  op.Answer(ModalResult::Ok);
  op.Answer(ModalResult::Ok);
  WhenShown(CopyForm, [] {
    for (int row = 0; row < CopyForm->D->RowCount(); ++row)
      if (CopyForm->D->Cells(0, row) == QStringLiteral("Halv-B3")) CopyForm->D->SetRow(row);
    CopyForm->BCopyClick();
  });
  MainForm->stSpeedButton7Click();
  const int64_t minimum = MainForm->Fq->Min();
  const int64_t maximum = MainForm->Fq->Max();
  ASSERT_EQ(op.Boxes().size(), 5u);
  EXPECT_EQ(op.Boxes()[3].text(),
            QStringLiteral(
                "Frequency 5 kHz is less than minimum frequency (%1).\nThis frequency will be aligned to %1.")
                .arg(FormatFrequency(minimum)));
  EXPECT_EQ(op.Boxes()[4].caption(), QStringLiteral("Information"));
  EXPECT_TRUE(op.Boxes()[4].text().contains(QStringLiteral("is grater than maximum")));
  EXPECT_EQ(MainForm->FrequencyCount, 6);

  // Delete one.
  SelectFrequency(21'000'000);
  op.Answer(ModalResult::Yes);
  MainForm->BDeleteClick();
  EXPECT_EQ(MainForm->FrequencyCount, 5);

  // Save, reopen through the window, compare every level.
  const QString path = QString::fromStdString(
      (std::filesystem::temp_directory_path() / ("orvanta-session-" + std::to_string(::getpid()) + ".cal"))
          .string());
  op.ChooseFile(path);
  MainForm->BSaveClick();
  EXPECT_FALSE(MainForm->TableModified);
  op.ChooseFile(path);
  MainForm->stSpeedButton4Click();
  ASSERT_TRUE(MainForm->TableLoaded);

  std::map<int64_t, TLevelTable> expected{{7'000'000, edited},
                                          {10'000'000, Column(-77.7)},
                                          {14'000'000, Column(0.0)},
                                          {minimum, wide},
                                          {maximum, wide}};
  std::vector<int64_t> frequencies;
  ReadFrequencies(MainForm->CalHandle, MainForm->ReceiverName, MainForm->CurrentMode(), frequencies);
  ASSERT_EQ(frequencies.size(), expected.size());
  for (const auto& [frequency, levels] : expected) {
    TLevelTable stored;
    ASSERT_EQ(
        ReadColumn(MainForm->CalHandle, MainForm->ReceiverName, MainForm->CurrentMode(), frequency, stored),
        CAL_OK);
    for (int raw = 0; raw < 256; ++raw)
      EXPECT_NEAR(stored[raw], Stored(levels[raw]), 1e-9) << frequency << " " << raw;
  }
  MainForm->CloseReceiver();
  std::filesystem::remove(path.toStdString());
}

// Above 2,147,000,000 Hz a frequency is aligned to tens of Hz before it is
// compared with the list, so the point it would replace is asked about.
TEST_F(SessionTest, AddingAFrequencyThatAlignsOntoAPointAsksBeforeReplacingIt) {
  CreateWindowsOnce();
  OpenReceiver("Halv-B3");
  MainForm->stSpeedButton3Click();
  const TLevelTable calibrated = Column(-50.0);
  ASSERT_EQ(calibration::PutDBMs(MainForm->CalHandle, MainForm->ReceiverName.c_str(), MainForm->CurrentMode(),
                                 2'500'000'000, calibrated.data()),
            CAL_OK);
  MainForm->FillFrequencyList();
  op.Answer(ModalResult::No);
  bool stayedOpen = false;
  WhenShown(AddFqForm, [&] {
    AddFqForm->Fq->SetValue(2'500'000'005);
    AddFqForm->BOKClick();
    stayedOpen = AddFqForm->isVisible() && AddFqForm->Result() == ModalResult::None;
    AddFqForm->SetModalResult(ModalResult::Cancel);
  });
  MainForm->stSpeedButton8Click();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption(), QStringLiteral("Message"));
  EXPECT_TRUE(stayedOpen) << "No keeps the dialog open";
  TLevelTable stored;
  ASSERT_EQ(
      ReadColumn(MainForm->CalHandle, MainForm->ReceiverName, MainForm->CurrentMode(), 2'500'000'000, stored),
      CAL_OK);
  EXPECT_EQ(stored, calibrated);
  MainForm->TableModified = false;
  MainForm->CloseReceiver();
}

// Fill, Offset, Interpolate and Copy change levels like a single edit does, so
// closing the program afterwards asks about the unsaved table.
TEST_F(SessionTest, EveryEditorToolThatChangesALevelMarksTheTable) {
  CreateWindowsOnce();
  OpenReceiver("Halv-A1");
  MainForm->stSpeedButton3Click();
  TLevelTable onePoint{};
  onePoint[10] = -100.0;
  for (const auto& [frequency, levels] :
       {std::pair{7'000'000, onePoint}, std::pair{14'000'000, Column(-60.0)}})
    ASSERT_EQ(calibration::PutDBMs(MainForm->CalHandle, MainForm->ReceiverName.c_str(),
                                   MainForm->CurrentMode(), frequency, levels.data()),
              CAL_OK);
  MainForm->FillFrequencyList();
  const auto copyFrom14MHz = [] {
    WhenShown(FSelectForm, [] {
      FSelectForm->F->SetRow(1);
      FSelectForm->BCopyClick();
    });
    TableForm->stSpeedButton7Click();
  };
  const std::pair<const char*, std::function<void()>> tools[] = {
      {"Interpolate", [] { TableForm->stSpeedButton6Click(); }},
      {"Fill", [] { RangeTool(&TTableForm::stSpeedButton2Click, QStringLiteral("-30"), 0, 10); }},
      {"Offset", [] { RangeTool(&TTableForm::stSpeedButton1Click, QStringLiteral("-3"), 0, 255); }},
      {"Copy", copyFrom14MHz},
  };
  for (const auto& [name, tool] : tools) {
    MainForm->TableModified = false;
    EditWith(7'000'000, tool);
    EXPECT_TRUE(MainForm->TableModified) << name;
    op.Answer(ModalResult::No);
    bool canClose = true;
    MainForm->FormCloseQuery(canClose);
    EXPECT_FALSE(canClose) << name;
    EXPECT_EQ(op.Boxes().back().text(),
              QStringLiteral("Calibration table is modified and not saved.\nClose anyway?"));
  }
  MainForm->TableModified = false;
  EditWith(7'000'000, copyFrom14MHz);
  EXPECT_FALSE(MainForm->TableModified) << "copying the same levels again changes nothing";
  MainForm->CloseReceiver();
}

// "Do not wait" closes the session while a command waits in a question box, a
// dialog or its focus change; the command must not go on with the receiver
// and table it started with.
TEST_F(SessionTest, ACommandStopsWhenItsReceiverIsGivenUpMidway) {
  CreateWindowsOnce();
  SimulatorControl c1("vxaapi.dll");
  struct PlugBack {
    SimulatorControl& c1;
    ~PlugBack() { c1.SetPlugged(kLostSerial, true); }
  } plugBack{c1};
  const QString savePath = QString::fromStdString(
      (std::filesystem::temp_directory_path() / ("orvanta-lost-" + std::to_string(::getpid()) + ".cal"))
          .string());
  // The table editor must never open; a poll of the test's own notes it.
  bool editorShown = false;
  QTimer editorWatch;
  editorWatch.setInterval(2);
  QObject::connect(&editorWatch, &QTimer::timeout, [&] {
    if (!TableForm->ShownModally()) return;
    editorShown = true;
    TableForm->SetModalResult(ModalResult::Cancel);
  });
  editorWatch.start();
  MainForm->show();  // the focus needs a shown window; showing it searches once

  const std::pair<const char*, std::function<void()>> commands[] = {
      {"New, Yes after the loss",
       [&] {
         MainForm->TableModified = true;
         op.WhileShown([&] { LoseReceiverAndGiveUp(c1); });
         op.Answer(ModalResult::Yes);
         MainForm->stSpeedButton3Click();
       }},
      {"Delete, Yes after the loss",
       [&] {
         op.WhileShown([&] { LoseReceiverAndGiveUp(c1); });
         op.Answer(ModalResult::Yes);
         MainForm->BDeleteClick();
       }},
      {"Add, overwriting after the loss",
       [&] {
         op.WhileShown([&] { LoseReceiverAndGiveUp(c1); });
         op.Answer(ModalResult::Yes);
         WhenShown(AddFqForm, [] {
           AddFqForm->Fq->SetValue(7'000'000);
           AddFqForm->BOKClick();
         });
         MainForm->stSpeedButton8Click();
       }},
      {"Edit, Yes to tuning after the loss",
       [&] {
         MainForm->Fq->SetValue(10'000'000);
         op.WhileShown([&] { LoseReceiverAndGiveUp(c1); });
         op.Answer(ModalResult::Yes);
         MainForm->BEditClick();
       }},
      {"Save, a file chosen as the receiver went",
       [&] {
         op.WhileShown([&] { LoseReceiverAndGiveUp(c1); });
         op.ChooseFile(savePath);
         MainForm->BSaveClick();
       }},
      {"Edit, a typed frequency taken by the focus change",
       [&] {
         QApplication::setActiveWindow(MainForm);
         MainForm->Fq->setFocus();
         ASSERT_TRUE(QTest::qWaitFor([] { return MainForm->Fq->hasFocus(); }, 1000));
         MainForm->Fq->selectAll();
         QTest::keyClicks(MainForm->Fq, QStringLiteral("8"));
         c1.SetPlugged(kLostSerial, false);
         GiveUpTheWait();
         MainForm->BEditClick();
       }},
  };
  for (const auto& [name, command] : commands) {
    SCOPED_TRACE(name);
    c1.SetPlugged(kLostSerial, true);
    OpenReceiver("Halv-C1");
    ASSERT_NE(MainForm->OpenDriver, nullptr);
    MainForm->stSpeedButton3Click();
    Add(7'000'000);
    MainForm->TableModified = false;
    command();  // any box beyond the command's own fails the test
    Settle(50);
    EXPECT_EQ(MainForm->OpenDevice, nullptr);
    EXPECT_FALSE(MainForm->TableLoaded);
    EXPECT_EQ(MainForm->LCaption->Caption(), QStringLiteral("Orvanta"));
    EXPECT_FALSE(MainForm->BSave->isEnabled());
    EXPECT_FALSE(MainForm->CalInfo->isEnabled());
  }
  MainForm->hide();
  EXPECT_FALSE(editorShown);
  EXPECT_FALSE(std::filesystem::exists(savePath.toStdString()));
}

TEST_F(SessionTest, FrequencyCommandsAskBeforeTheyChangeAnything) {
  CreateWindowsOnce();
  OpenReceiver("Halv-B3");
  ASSERT_NE(MainForm->OpenDriver, nullptr);
  MainForm->stSpeedButton3Click();

  // The empty list: a double click opens nothing.
  // The table editor must never open; a poll of the test's own notes it.
  bool editorShown = false;
  QTimer editorWatch;
  editorWatch.setInterval(2);
  QObject::connect(&editorWatch, &QTimer::timeout, [&] {
    if (!TableForm->ShownModally()) return;
    editorShown = true;
    TableForm->SetModalResult(ModalResult::Cancel);
  });
  editorWatch.start();
  WhenShown(TableForm, [&] {
    editorShown = true;
    TableForm->SetModalResult(ModalResult::Cancel);
  });
  MainForm->F->OnDblClick(MainForm->F);
  Settle(20);
  EXPECT_FALSE(editorShown);

  // Above 2,147,000,000 Hz a point is stored on tens of Hz.
  Add(2'500'000'005);
  EXPECT_EQ(MainForm->F->Cells(1, 0), QStringLiteral("2500000000"));

  // Cancel at the tuning question opens nothing.
  MainForm->Fq->SetValue(1'000'000);
  SelectFrequency(2'500'000'000);
  op.Answer(ModalResult::Cancel);
  MainForm->BEditClick();
  Settle(20);
  EXPECT_FALSE(editorShown);

  // Adding an existing frequency asks; Yes writes 0 dBm everywhere again.
  const TLevelTable levels = Column(-50.0);
  ASSERT_EQ(calibration::PutDBMs(MainForm->CalHandle, MainForm->ReceiverName.c_str(), MainForm->CurrentMode(),
                                 2'500'000'000, levels.data()),
            CAL_OK);
  MainForm->TableModified = false;
  op.Answer(ModalResult::Yes);
  Add(2'500'000'000);
  TLevelTable stored;
  ASSERT_EQ(
      ReadColumn(MainForm->CalHandle, MainForm->ReceiverName, MainForm->CurrentMode(), 2'500'000'000, stored),
      CAL_OK);
  EXPECT_EQ(stored, Column(0.0));
  EXPECT_TRUE(MainForm->TableModified);

  // Copying from the same receiver and mode does nothing, silently.
  const std::size_t boxes = op.Boxes().size();
  WhenShown(CopyForm, [] { CopyForm->BCopyClick(); });
  MainForm->stSpeedButton7Click();
  EXPECT_EQ(op.Boxes().size(), boxes);
  EXPECT_EQ(MainForm->FrequencyCount, 1);

  // The replace question: No skips the point, Cancel ends the copy.
  const int32_t mode = MainForm->CurrentMode();
  SelectModeIndex(1);
  Add(2'500'000'000);
  Add(3'000'000'000);
  Add(3'500'000'000);
  SelectModeIndex(0);
  ASSERT_EQ(calibration::PutDBMs(MainForm->CalHandle, MainForm->ReceiverName.c_str(), mode, 3'000'000'000,
                                 levels.data()),
            CAL_OK);
  MainForm->FillFrequencyList();
  ASSERT_EQ(MainForm->FrequencyCount, 2);
  op.Answer(ModalResult::No);
  op.Answer(ModalResult::Cancel);
  WhenShown(CopyForm, [] {
    CopyForm->M->SetRow(1);
    CopyForm->BCopyClick();
  });
  MainForm->stSpeedButton7Click();
  EXPECT_EQ(op.Boxes().back().caption(), QStringLiteral("Frequency exist"));
  EXPECT_EQ(MainForm->FrequencyCount, 2) << "3.5 GHz is never reached";
  ASSERT_EQ(ReadColumn(MainForm->CalHandle, MainForm->ReceiverName, mode, 3'000'000'000, stored), CAL_OK);
  EXPECT_EQ(stored, levels) << "No keeps the point";

  // Delete asks first; No keeps the point.
  op.Answer(ModalResult::No);
  MainForm->BDeleteClick();
  EXPECT_EQ(MainForm->FrequencyCount, 2);
  MainForm->TableModified = false;
  MainForm->CloseReceiver();
}

}  // namespace
