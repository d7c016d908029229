// The main window end to end: real drivers over the simulated receivers, the
// real calibration library, and the scripted operator answering every box.
#include <gmock/gmock.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <fstream>
#include <optional>

#include "failing_new.h"
#include "forms/U_fselectform.h"
#include "forms/U_reconnectform.h"
#include "forms/calibration_library.h"
#include "main_window_fixture.h"
#include "platform/application.h"
#include "platform/html_help.h"
#include "widgets/frequencyedit.h"
#include "widgets/mylabel.h"
#include "widgets/myscrollbar.h"
#include "widgets/myupdown.h"
#include "widgets/stalignedit.h"
#include "widgets/stgauge.h"
#include "widgets/stpanel.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

using platform::ModalResult;
using ::testing::ElementsAre;

namespace {

// Which groups and buttons act, in the order of the enabled-controls table.
struct Enabled {
  bool open, newOpen, save, frequencies, editDelete, mode, frequency, signal, info;
  bool operator==(const Enabled&) const = default;
};

Enabled EnabledOf(const TMainForm& form) {
  return {form.BSelect->isEnabled(),
          form.stSpeedButton3->isEnabled() && form.stSpeedButton4->isEnabled(),
          form.BSave->isEnabled(),
          form.F->isEnabled() && form.stSpeedButton8->isEnabled(),
          form.BEdit->isEnabled() && form.BDelete->isEnabled(),
          form.MUD->isEnabled(),
          form.Fq->isEnabled(),
          form.G->isEnabled(),
          form.CalInfo->isEnabled()};
}

std::ostream& operator<<(std::ostream& out, const Enabled& e) {
  return out << "open " << e.open << " new/open " << e.newOpen << " save " << e.save << " list "
             << e.frequencies << " edit/delete " << e.editDelete << " mode " << e.mode << " frequency "
             << e.frequency << " signal " << e.signal << " info " << e.info;
}

const Enabled kNoReceiver{true, false, false, false, false, false, false, false, false};
const Enabled kReceiverNoTable{false, true, false, false, false, true, true, true, false};
const Enabled kEmptyTable{false, true, true, true, false, true, true, true, true};
const Enabled kTableWithPoints{false, true, true, true, true, true, true, true, true};

}  // namespace

// ---------------------------------------------------------------- device list

TEST_F(MainWindowTest, DefaultScenarioListsEveryReceiverWithModelAndInterface) {
  CreateWindow();
  EXPECT_EQ(form->DeviceCount, 4);
  EXPECT_THAT(Column(form->D, 0), ElementsAre("Halv-A1b", "Halv-B3", "Halv-C1", "Halv-C4WM"));
  EXPECT_THAT(Column(form->D, 1), ElementsAre("Halv-A1", "Halv-B3", "Halv-C1", "HalvoC4"));
  EXPECT_THAT(Column(form->D, 2), ElementsAre("PCI", "Serial", "USB", "PCI"));
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta");
  EXPECT_EQ(EnabledOf(*form), kNoReceiver);
  EXPECT_FALSE(search->isVisible()) << "the busy window is hidden after the search";
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(MainWindowTest, TwoReceiversOfOneModelAreTwoRows) {
  UseScenario("newer C1 serial=A1 bus=usb min=9k max=30M\nnewer C1 serial=A2 bus=pci min=9k max=30M\n");
  CreateWindow();
  EXPECT_THAT(Column(form->D, 0), ElementsAre("Halv-C1", "Halv-C1"));
  EXPECT_THAT(Column(form->D, 2), ElementsAre("USB", "PCI"));
}

TEST_F(MainWindowTest, WithoutReceiverLibrariesOnlyTheAlwaysEnabledControlsAct) {
  LoadOnlyFrom({"libfendrel.so"});
  CreateWindow();
  EXPECT_EQ(form->DeviceCount, 0);
  EXPECT_FALSE(form->DevicesPresent);
  EXPECT_EQ(form->D->RowCount(), 1);
  EXPECT_FALSE(form->BSelect->isEnabled());
  EXPECT_EQ(EnabledOf(*form), (Enabled{false, false, false, false, false, false, false, false, false}));
  for (TstSpeedButton* always : {form->stSpeedButton6, form->stSpeedButton9, form->stSpeedButton10,
                                 form->stSpeedButton2, form->stSpeedButton1, form->stSpeedButton5})
    EXPECT_TRUE(always->isEnabled()) << always->Caption().toStdString();
  form->DDblClick();
  form->stSpeedButton6Click();
  EXPECT_EQ(form->OpenDriver, nullptr);
  EXPECT_TRUE(op.Boxes().empty());

  // "No device available" is what the list shows.
  QImage image(200, 14, QImage::Format_RGB32);
  QPainter painter(&image);
  form->DDrawCell(1, 0, QRect(0, 0, 200, 14), painter, true);
  painter.end();
  EXPECT_EQ(image.pixelColor(199, 0), QColor(0x42, 0x42, 0x42)) << "no highlight without devices";
}

TEST_F(MainWindowTest, HelpReportsAMissingHelpFile) {
  LoadOnlyFrom({"libfendrel.so"});
  CreateWindow();
  op.Answer(ModalResult::Ok);
  form->stSpeedButton9Click();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), "Unable to load help file '" + form->HelpPath() + "'.");
  EXPECT_EQ(op.Boxes()[0].caption(), "Error");
}

TEST_F(MainWindowTest, HelpWithoutAViewerSaysSo) {
  const auto program = LoadOnlyFrom({"libfendrel.so"});
  std::ofstream((program / "pundor.chm").string()) << "ITSF";
  const std::string path = qEnvironmentVariable("PATH").toStdString();
  setenv("PATH", program.c_str(), 1);  // no CHM viewer to be found
  CreateWindow();
  op.Answer(ModalResult::Ok);
  form->stSpeedButton9Click();
  setenv("PATH", path.c_str(), 1);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), "Unable to load HTML Help component required to view help.");
  EXPECT_EQ(op.Boxes()[0].caption(), "Error");
}

TEST_F(MainWindowTest, HelpWithAViewerThatCannotStartSaysSoAndTriesAgainNextTime) {
  const auto program = LoadOnlyFrom({"libfendrel.so"});
  std::ofstream((program / "pundor.chm").string()) << "ITSF";
  const auto viewer = program / "viewer-not-executable";
  std::ofstream(viewer.string()) << "#!/bin/sh\n";
  platform::HtmlHelp::SetViewer(QString::fromStdString(viewer.string()));
  CreateWindow();
  op.Answer(ModalResult::Ok);
  form->stSpeedButton9Click();
  op.Answer(ModalResult::Ok);
  form->stSpeedButton9Click();
  platform::HtmlHelp::SetViewer(QString());
  ASSERT_EQ(op.Boxes().size(), 2u);
  EXPECT_EQ(op.Boxes()[0].text(), "Unable to initialise HTML Help component requred to view help.");
  EXPECT_EQ(op.Boxes()[1].text(), op.Boxes()[0].text());
}

// ---------------------------------------------------------------- opening a receiver

TEST_F(MainWindowTest, OpeningAReceiverTakesItsLimitsFrequencyAndModes) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta [Halv-A1]");
  EXPECT_EQ(form->ReceiverName, "Halv-A1");
  EXPECT_EQ(form->D->Objects(1, kClassicA1Row), 1) << "the red open mark";
  EXPECT_EQ(form->Fq->Min(), 9'000);
  EXPECT_EQ(form->Fq->Max(), 1'800'000'000);
  EXPECT_EQ(form->Fq->Value(), DecodeFrequencyWord(form->OpenDriver->GetFrequency()));
  // 0, 1, 2, 2/3 (listed as FM6), 3, 4, 5; the receiver starts in CW.
  EXPECT_EQ(std::vector<int32_t>(form->ModeList, form->ModeList + form->ModeCount),
            (std::vector<int32_t>{0, 1, 2, 7, 3, 4, 5}));
  EXPECT_EQ(form->CurrentMode(), 0);
  EXPECT_EQ(form->EMode->text(), "CW - Continuous Wave");
  EXPECT_EQ(EnabledOf(*form), kReceiverNoTable);

  // Selecting another row enables Open again; the open row does not.
  bool canSelect = true;
  form->DSelectCell(kC1Row, canSelect);
  EXPECT_TRUE(form->BSelect->isEnabled());
  form->DSelectCell(kClassicA1Row, canSelect);
  EXPECT_FALSE(form->BSelect->isEnabled());
}

TEST_F(MainWindowTest, ModeListKeepsDuplicatesOnceAndDoesNotSendAModeItDoesNotList) {
  // Starts in FMN with sub-code 3, which the driver lists as FM6 (7); the
  // receiver itself reports mode 2, which is not in the list.
  UseScenario("classic 1 model=276 min=100k max=30M modes=2/3,1,1,5\n");
  CreateWindow();
  SimulatorControl classic("drovapi32.dll");
  OpenReceiver(0);
  EXPECT_EQ(std::vector<int32_t>(form->ModeList, form->ModeList + form->ModeCount),
            (std::vector<int32_t>{7, 1, 5}));
  EXPECT_EQ(form->MUD->Tag(), 0);
  EXPECT_EQ(form->EMode->text(), "FM6 - Freq. Mod. (6kHz BW)");
  for (const std::string& call : classic.TakeCalls()) EXPECT_NE(call.rfind("SetMode", 0), 0u) << call;

  form->MUDDirection(+1);
  EXPECT_EQ(form->CurrentMode(), 1);
  EXPECT_EQ(form->OpenDriver->GetMode(), 1) << "stepping sends the mode";
  form->MUDDirection(+5);
  EXPECT_EQ(form->CurrentMode(), 1) << "past the end nothing happens";
  form->MUDDirection(-1);
  form->MUDDirection(-1);
  EXPECT_EQ(form->MUD->Tag(), 0) << "no wrap-around";
}

TEST_F(MainWindowTest, AReceiverHeldElsewhereOffersToRefresh) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  NewTable();
  SimulatorControl c1("vxaapi.dll");
  c1.SetBusy("C1004711", true);
  op.Answer(ModalResult::Yes);
  form->D->SetCurrent(0, kC1Row);
  form->BSelectClick();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption(), "Device is not available");
  EXPECT_TRUE(op.Boxes()[0].text().startsWith("Radio device is not available anymore."));
  EXPECT_EQ(form->OpenDriver, nullptr);
  EXPECT_EQ(form->OpenDevice, nullptr);
  EXPECT_EQ(EnabledOf(*form), kNoReceiver);
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta") << "the previous receiver and file are closed";
  EXPECT_EQ(form->D->RowCount(), 4) << "refreshed";
}

// ---------------------------------------------------------------- table files

TEST_F(MainWindowTest, NewTableIsEmptyAndNamedNewCal) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  NewTable();
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta [Halv-A1; New.cal]");
  EXPECT_TRUE(form->UnnamedTable);
  EXPECT_FALSE(form->TableModified);
  EXPECT_EQ(form->FrequencyCount, 0);
  EXPECT_EQ(EnabledOf(*form), kEmptyTable);
}

TEST_F(MainWindowTest, OpeningAFileListsThePointsOfTheCurrentMode) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  const QString path = WriteTable("points.cal", 0, {14'200'000, 1'800'000, 7'100'000});
  OpenTable(path);
  ASSERT_TRUE(form->TableLoaded);
  EXPECT_EQ(form->FrequencyCount, 3);
  EXPECT_THAT(Column(form->F, 0), ElementsAre("1.8 MHz", "7.1 MHz", "14.2 MHz"));
  EXPECT_THAT(Column(form->F, 1), ElementsAre("1800000", "7100000", "14200000"));
  EXPECT_EQ(form->FileName, path.toStdString());
  EXPECT_FALSE(form->UnnamedTable);
  EXPECT_EQ(EnabledOf(*form), kTableWithPoints);
  ASSERT_EQ(op.Dialogs().size(), 1u);
  EXPECT_EQ(op.Dialogs()[0].request.title, "Open S-Meter Calibration Table");
  EXPECT_EQ(op.Dialogs()[0].request.filter, "S-Meter Calibration Table Files (*.CAL)|*.cal");
  EXPECT_TRUE(op.Dialogs()[0].request.mustExist);

  form->MUDDirection(+1);  // AM has no points
  EXPECT_EQ(form->FrequencyCount, 0);
  EXPECT_EQ(EnabledOf(*form), kEmptyTable);
}

TEST_F(MainWindowTest, CancellingTheOpenDialogKeepsTheTable) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  NewTable();
  form->TableModified = true;
  const int32_t handle = form->CalHandle;
  op.Answer(ModalResult::Yes);
  op.CancelDialog();
  form->stSpeedButton4Click();
  EXPECT_TRUE(form->TableLoaded);
  EXPECT_TRUE(form->TableModified);
  EXPECT_EQ(form->CalHandle, handle);
}

TEST_F(MainWindowTest, AFileThatFailsToLoadLeavesTheReceiverWithoutATable) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  OpenTable(WriteTable("good.cal", 0, {7'100'000}));
  const QString broken = Path("broken.cal");
  std::ofstream(broken.toStdString()) << "this is not a calibration table\n\x01\x02";
  op.ChooseFile(broken);
  op.Answer(ModalResult::Ok);
  form->stSpeedButton4Click();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), "Error during loading CAL file to memory.");
  EXPECT_EQ(op.Boxes()[0].caption(), "Error");
  EXPECT_EQ(op.Boxes()[0].request.icon, platform::MessageIcon::Error);
  EXPECT_FALSE(form->TableLoaded);
  EXPECT_FALSE(form->TableModified);
  EXPECT_LT(form->CalHandle, 0);
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta [Halv-A1]");
  EXPECT_EQ(form->FrequencyCount, 0);
  EXPECT_THAT(Column(form->F, 0), ElementsAre(""));
  EXPECT_EQ(EnabledOf(*form), kReceiverNoTable);
  form->TTimer();
  EXPECT_FALSE(form->LdBm->isVisible());
}

// A table too large for the memory left is a load that failed: the load's
// message, and the receiver stays open without a table. Running out of memory
// elsewhere says so plainly and keeps the table.
TEST_F(MainWindowTest, RunningOutOfMemoryEndsInAMessageAndAConsistentWindow) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  OpenTable(WriteTable("good.cal", 0, {7'100'000}));
  constexpr int kPoints = 3000;
  std::vector<int64_t> many;
  for (int k = 1; k <= kPoints; ++k) many.push_back(int64_t{10'000} * k);
  // The list's grid asks for 24 bytes a row in one block; the library never
  // asks for more than 16 bytes a point at once.
  constexpr std::size_t kFailFrom = 20 * kPoints;
  std::optional<LargeAllocationsFail> outOfMemory;

  op.WhileShown([&] { outOfMemory.emplace(kFailFrom); });
  op.ChooseFile(WriteTable("large.cal", 0, many));
  op.Answer(ModalResult::Ok);
  platform::Guard([&] { form->stSpeedButton4Click(); });
  outOfMemory.reset();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), "Error during loading CAL file to memory.");
  EXPECT_FALSE(form->TableLoaded);
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta [Halv-A1]");
  EXPECT_THAT(Column(form->F, 0), ElementsAre(""));
  EXPECT_EQ(EnabledOf(*form), kReceiverNoTable);

  OpenTable(WriteTable("other-mode.cal", 1, many));
  ASSERT_TRUE(form->TableLoaded);
  form->TableModified = true;
  op.Answer(ModalResult::Ok);
  outOfMemory.emplace(kFailFrom);
  platform::Guard([&] { form->MUDDirection(+1); });
  outOfMemory.reset();
  ASSERT_EQ(op.Boxes().size(), 2u);
  EXPECT_EQ(op.Boxes()[1].text(), "Not enough memory to complete the operation.");
  EXPECT_TRUE(form->TableLoaded) << "the unsaved table stays";
  EXPECT_EQ(form->FrequencyCount, 0);
  EXPECT_THAT(Column(form->F, 0), ElementsAre(""));
  EXPECT_EQ(EnabledOf(*form), kEmptyTable);
  form->TableModified = false;
}

TEST_F(MainWindowTest, SaveProposesNewCalForEveryNewTableAndShowsTheSavedPath) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  NewTable();
  form->TableModified = true;
  const QString first = Path("first.cal");
  op.ChooseFile(first);
  form->BSaveClick();
  EXPECT_FALSE(form->TableModified);
  EXPECT_EQ(form->FileName, first.toStdString());
  EXPECT_TRUE(std::filesystem::exists(first.toStdString()));
  EXPECT_TRUE(form->LCaption->Caption().endsWith("first.cal]"));
  op.ChooseFile(Path("second.cal"));
  form->BSaveClick();
  ASSERT_EQ(op.Dialogs().size(), 2u);
  EXPECT_EQ(op.Dialogs()[0].request.fileName, "New.cal");
  EXPECT_EQ(op.Dialogs()[1].request.fileName, "New.cal") << "still unnamed";
  EXPECT_EQ(op.Dialogs()[1].request.title, "Save S-Meter Calibration Table");
  EXPECT_TRUE(op.Dialogs()[1].request.confirmOverwrite);

  const QString opened = WriteTable("opened.cal", 0, {7'100'000});
  OpenTable(opened);
  op.ChooseFile(opened);
  form->BSaveClick();
  EXPECT_EQ(op.Dialogs().back().request.fileName, opened) << "an opened file proposes itself";
}

TEST_F(MainWindowTest, AFailedSaveKeepsTheTableModified) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  NewTable();
  form->TableModified = true;
  op.ChooseFile(Path("no/such/folder/x.cal"));
  op.Answer(ModalResult::Ok);
  form->BSaveClick();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption(), "Error");
  EXPECT_TRUE(form->TableModified);
  EXPECT_EQ(form->FileName, "New.cal");
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta [Halv-A1; New.cal]");
}

TEST_F(MainWindowTest, SavingPastTheFileSizeLimitReportsTheWriteErrorAndKeepsTheOldFile) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  std::filesystem::create_directories(Path("saved").toStdString());
  const QString path = WriteTable("saved/limited.cal", 0, {7'100'000, 7'200'000, 7'300'000});
  OpenTable(path);
  const auto contents = [&] {
    std::ifstream file(path.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  const std::string before = contents();
  ASSERT_GT(before.size(), 1024u);
  form->TableModified = true;
  // The save runs in a child with a file-size limit below the table's size,
  // so that a SIGXFSZ ends only the child.
  const pid_t child = ::fork();
  if (child == 0) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    op.ChooseFile(path);
    op.Answer(ModalResult::Ok);
    form->BSaveClick();
    const bool reported =
        op.Boxes().size() == 1 && op.Boxes()[0].text() == "Error during writing calibration table to file.";
    ::_exit(reported && form->TableModified ? 0 : 1);
  }
  ASSERT_GT(child, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the save ended the program with signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "no write error shown, or the table no longer counts as modified";
  EXPECT_EQ(contents(), before);
  std::vector<std::string> beside;
  for (const auto& entry : std::filesystem::directory_iterator(Path("saved").toStdString()))
    beside.push_back(entry.path().filename().string());
  EXPECT_THAT(beside, ElementsAre("limited.cal"));
}

TEST_F(MainWindowTest, ALongPathLosesItsStartInTheCaption) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  const std::string deep =
      "a-rather-long-folder-name-for-calibration-tables/another-long-folder-name/"
      "and-one-more-folder-name-to-be-sure";
  std::filesystem::create_directories(Path(deep).toStdString());
  OpenTable(WriteTable(deep + "/sample.cal", 0, {7'100'000}));
  const QString caption = form->LCaption->Caption();
  EXPECT_TRUE(caption.startsWith("Orvanta [Halv-A1; ...")) << caption.toStdString();
  EXPECT_TRUE(caption.endsWith("/sample.cal]")) << caption.toStdString();
  EXPECT_LT(QFontMetrics(form->LCaption->font()).horizontalAdvance(caption), form->LCaption->width());
}

// Every "modified and not saved" question has its own second line and default.
struct UnsavedQuestion {
  const char* name;
  const char* secondLine;
  ModalResult defaultButton;
  std::function<void(TMainForm&)> command;
};

void PrintTo(const UnsavedQuestion& question, std::ostream* out) { *out << question.name; }

class UnsavedTableTest : public MainWindowTest, public ::testing::WithParamInterface<UnsavedQuestion> {};

TEST_P(UnsavedTableTest, AsksAndAnsweringNoChangesNothing) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  NewTable();
  form->TableModified = true;
  const int32_t handle = form->CalHandle;
  op.Answer(ModalResult::No);
  GetParam().command(*form);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(),
            QString("Calibration table is modified and not saved.\n") + GetParam().secondLine);
  EXPECT_EQ(op.Boxes()[0].caption(), "Confirmation");
  EXPECT_EQ(op.Boxes()[0].request.buttons, platform::MessageButtons::YesNo);
  EXPECT_EQ(op.Boxes()[0].request.defaultButton, GetParam().defaultButton);
  EXPECT_TRUE(form->TableLoaded);
  EXPECT_TRUE(form->TableModified);
  EXPECT_EQ(form->CalHandle, handle);
  EXPECT_NE(form->OpenDriver, nullptr);
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta [Halv-A1; New.cal]");
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, UnsavedTableTest,
    ::testing::Values(
        UnsavedQuestion{"Refresh", "Do you want to refresh?", ModalResult::No,
                        [](TMainForm& f) { f.stSpeedButton6Click(); }},
        UnsavedQuestion{"OpenDevice", "Do you want to open selected receiver device anyway?", ModalResult::No,
                        [](TMainForm& f) {
                          f.D->SetCurrent(0, 2);
                          f.BSelectClick();
                        }},
        UnsavedQuestion{"New", "Do you want to create new empty calibration table anyway?", ModalResult::Yes,
                        [](TMainForm& f) { f.stSpeedButton3Click(); }},
        UnsavedQuestion{"OpenFile", "Do you want to open calibration table file anyway?", ModalResult::Yes,
                        [](TMainForm& f) { f.stSpeedButton4Click(); }},
        UnsavedQuestion{"Close", "Close anyway?", ModalResult::No, [](TMainForm& f) { f.close(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, AnsweringYesToRefreshReleasesTheTable) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  NewTable();
  form->TableModified = true;
  op.Answer(ModalResult::Yes);
  form->stSpeedButton6Click();
  EXPECT_FALSE(form->TableLoaded);
  EXPECT_EQ(form->OpenDriver, nullptr);
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta");
  EXPECT_EQ(EnabledOf(*form), kNoReceiver);
}

// ---------------------------------------------------------------- live measurement and tuning

TEST_F(MainWindowTest, GaugeFollowsTheGeneratorWithinOneTick) {
  CreateWindow();
  SimulatorControl classic("drovapi32.dll");
  OpenReceiver(kClassicA1Row);
  classic.SetGenerator(-100, 0);
  form->TTimer();
  const int weak = form->G->Current();
  EXPECT_EQ(table->CurrentRaw, weak);
  classic.SetGenerator(-50, 0);
  form->TTimer();
  EXPECT_GT(form->G->Current(), weak);
  EXPECT_EQ(table->CurrentRaw, form->G->Current());
  EXPECT_FALSE(form->LdBm->isVisible()) << "no table, no level";
}

// "%.01f dBm" with the user's decimal separator but C's minus sign.
TEST_F(MainWindowTest, LevelLabelShowsTheCalibratedLevelAndHidesWithoutPoints) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  form->Fq->SetValue(7'100'000);
  OpenTable(WriteTable("levels.cal", 0, {7'100'000}));
  form->TTimer();
  const int raw = form->G->Current();
  EXPECT_FALSE(form->LdBm->isHidden());
  EXPECT_EQ(form->LdBm->Caption(), QString::number(-130.0 + raw * 0.5, 'f', 1).replace('.', ',') + " dBm");
  QLocale::setDefault(previous);

  form->MUDDirection(+1);  // AM: no points
  form->TTimer();
  EXPECT_TRUE(form->LdBm->isHidden());
  EXPECT_EQ(form->G->Current(), form->OpenDriver->GetRawSignalStrength());

  form->CloseReceiver();
  form->TTimer();
  EXPECT_EQ(form->LdBm->Caption(), "") << "no receiver: the level text is cleared";
}

// A table given up with its receiver takes its level along: the next
// receiver, with no table yet, shows none.
TEST_F(MainWindowTest, TheLevelGoesWithTheTable) {
  CreateWindow();
  OpenReceiver(kC1Row);
  OpenTable(WriteTable("c1.cal", form->CurrentMode(), {form->Fq->Value()}));
  form->TTimer();
  ASSERT_FALSE(form->LdBm->isHidden());
  form->TableModified = true;
  op.Answer(platform::ModalResult::Yes);
  OpenReceiver(kC4Row);
  for (int tick = 0; tick < 3; ++tick) form->TTimer();
  EXPECT_TRUE(form->LdBm->isHidden());
  EXPECT_EQ(form->LdBm->Caption(), "");
}

TEST_F(MainWindowTest, TuningReadsBackTheReceiversFrequencyIncludingTheTenHertzWord) {
  CreateWindow();
  SimulatorControl classic("drovapi32.dll");
  OpenReceiver(kClassicB3Row);  // up to 4 GHz
  form->Fq->SetValue(145'500'000);
  EXPECT_EQ(DecodeFrequencyWord(form->OpenDriver->GetFrequency()), 145'500'000);
  EXPECT_EQ(form->Fq->Value(), 145'500'000);
  form->Fq->SetValue(2'147'000'000);
  EXPECT_EQ(form->OpenDriver->GetFrequency(), 2'147'000'000u);
  form->Fq->SetValue(2'147'000'001);
  EXPECT_EQ(form->OpenDriver->GetFrequency(), 0x80000000u | 214'700'000u);
  EXPECT_EQ(form->Fq->Value(), 2'147'000'000);
  form->Fq->SetValue(3'000'000'005);
  EXPECT_EQ(form->Fq->Value(), 3'000'000'000);
  form->Fq->SetValue(5'000'000'000);
  EXPECT_EQ(form->Fq->Value(), 4'000'000'000) << "limited by the field before tuning";
}

TEST_F(MainWindowTest, TheWindowsOwnFrequencyChangesDoNotTune) {
  CreateWindow();
  SimulatorControl classic("drovapi32.dll");
  OpenReceiver(kClassicA1Row);
  classic.TakeCalls();
  form->EventsEnabled = false;
  form->Fq->SetValue(10'000'000);
  form->EventsEnabled = true;
  for (const std::string& call : classic.TakeCalls()) EXPECT_NE(call.rfind("SetFrequency", 0), 0u) << call;
}

// ---------------------------------------------------------------- reconnect

TEST_F(MainWindowTest, UnpluggedReceiverIsWaitedForAndRestoredOnItsFrequencyAndMode) {
  CreateWindow();
  SimulatorControl c4("vxdapi.dll");
  OpenReceiver(kC4Row);
  form->Fq->SetValue(10'000'000);
  form->MUDDirection(+1);
  ASSERT_EQ(form->CurrentMode(), 3);
  c4.SetPlugged("C4000815", false);

  bool waitShown = false;
  bool closedAfterPlug = false;
  WhenReconnectShown([&](TReconnectForm* wait) {
    waitShown = true;
    EXPECT_EQ(form->OpenDriver, nullptr);
    EXPECT_FALSE(form->T.isActive()) << "no measuring while waiting";
    c4.SetPlugged("C4000815", true);
    closedAfterPlug = WaitUntil([wait] { return wait->Result() == ModalResult::Ok; }, 700);
  });
  form->TTimer();  // the tick that finds the receiver gone
  EXPECT_TRUE(waitShown);
  EXPECT_TRUE(closedAfterPlug);
  ASSERT_NE(form->OpenDriver, nullptr);
  EXPECT_TRUE(form->T.isActive());
  EXPECT_EQ(DecodeFrequencyWord(form->OpenDriver->GetFrequency()), 10'000'000);
  EXPECT_EQ(form->OpenDriver->GetMode(), 3);
  EXPECT_TRUE(form->OpenDriver->IsDeviceConnected());
}

TEST_F(MainWindowTest, DoNotWaitClosesOpenDialogsAndRefreshesTheDeviceList) {
  CreateWindow();
  SimulatorControl c1("vxaapi.dll");
  OpenReceiver(kC1Row);
  NewTable();
  form->TableModified = true;
  c1.SetPlugged("C1004711", false);

  WhenReconnectShown([](TReconnectForm* wait) { wait->Button1->OnClick(wait->Button1); });
  platform::ModalResult editor = platform::ModalResult::None;
  QTimer::singleShot(0, table.get(),
                     [&] { editor = table->ShowModal(); });  // the measuring tick finds the loss
  ASSERT_TRUE(WaitUntil([&] { return editor != platform::ModalResult::None; }, 3000));
  EXPECT_EQ(editor, ModalResult::Cancel);
  ASSERT_TRUE(WaitUntil([&] { return form->D->RowCount() == 3; }, 3000)) << "refreshed without the lost one";
  EXPECT_EQ(form->OpenDevice, nullptr);
  EXPECT_FALSE(form->TableLoaded);
  EXPECT_EQ(form->LCaption->Caption(), "Orvanta");
  EXPECT_EQ(EnabledOf(*form), kNoReceiver);
  EXPECT_TRUE(form->T.isActive());
  EXPECT_TRUE(op.Boxes().empty()) << "a lost receiver releases the table without asking";
}

TEST_F(MainWindowTest, DoNotWaitCancelsAnOpenFileDialog) {
  CreateWindow();
  SimulatorControl c1("vxaapi.dll");
  OpenReceiver(kC1Row);
  c1.SetPlugged("C1004711", false);
  WhenReconnectShown([](TReconnectForm* wait) { wait->SetModalResult(ModalResult::Cancel); });
  op.KeepDialogOpen(3000);
  form->stSpeedButton4Click();
  ASSERT_EQ(op.Dialogs().size(), 1u);
  EXPECT_TRUE(op.Dialogs()[0].cancelledFromOutside);
  EXPECT_EQ(form->DialogWindow, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return form->D->RowCount() == 3; }, 3000));
  EXPECT_FALSE(form->TableLoaded);
}

TEST_F(MainWindowTest, AClassicReceiverSwitchedOffStaysButOneUnpluggedIsWaitedFor) {
  CreateWindow();
  SimulatorControl classic("drovapi32.dll");
  OpenReceiver(kClassicA1Row);
  form->OpenDriver->SetPower(false);
  form->TTimer();
  EXPECT_TRUE(form->CheckConnection());
  EXPECT_NE(form->OpenDriver, nullptr);
  EXPECT_TRUE(platform::Form::ModalForms().empty());
  form->OpenDriver->SetPower(true);

  classic.SetPlugged("classic:1", false);
  bool waitShown = false;
  WhenReconnectShown([&](TReconnectForm* wait) {
    waitShown = true;
    classic.SetPlugged("classic:1", true);
    EXPECT_TRUE(WaitUntil([wait] { return wait->Result() == ModalResult::Ok; }, 3000));
  });
  form->TTimer();  // reads 0 and finds the receiver gone
  form->TTimer();  // the next tick waits for it
  EXPECT_TRUE(waitShown);
  ASSERT_NE(form->OpenDriver, nullptr);
  EXPECT_TRUE(form->OpenDriver->IsDeviceConnected());
}

// ---------------------------------------------------------------- frequency field, lists, caption strip

TEST_F(MainWindowTest, EnterInTheFrequencyFieldTunesAndMovesTheFocusToItsGroup) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  form->show();
  QApplication::setActiveWindow(form.get());
  form->Fq->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return form->Fq->hasFocus(); }, 1000));
  form->Fq->selectAll();
  QTest::keyClicks(form->Fq, QStringLiteral("7.1"));
  QTest::keyClick(form->Fq, Qt::Key_Return);
  EXPECT_EQ(form->Fq->Value(), 7'100'000);
  EXPECT_EQ(DecodeFrequencyWord(form->OpenDriver->GetFrequency()), 7'100'000);
  EXPECT_FALSE(form->Fq->hasFocus());
  EXPECT_TRUE(form->FP->hasFocus());
}

TEST_F(MainWindowTest, ALongFrequencyListGetsItsScrollBar) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  std::vector<int64_t> frequencies;
  for (int k = 1; k <= 30; ++k) frequencies.push_back(k * 1'000'000LL);
  OpenTable(WriteTable("many.cal", 0, frequencies));
  ASSERT_EQ(form->F->RowCount(), 30);
  const int visible = form->F->VisibleRowCount();
  ASSERT_LT(visible, 30);
  EXPECT_FALSE(form->FSB->isHidden());
  EXPECT_EQ(form->FSB->Max(), 30 - visible + 1);
  EXPECT_EQ(form->FSB->Length(), 1);
  form->FSB->SetPosition(5);
  EXPECT_EQ(form->F->TopRow(), 5);
  form->F->SetTopRow(2);
  EXPECT_EQ(form->FSB->Position(), 2);

  form->stSpeedButton3Click();  // a new table has no points
  EXPECT_TRUE(form->FSB->isHidden());
}

TEST_F(MainWindowTest, FrequencyRowsShowTheirNumberAndTextOnlyWithATable) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  OpenTable(WriteTable("one.cal", 0, {7'100'000}));
  QImage image(144, 14, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  form->FDrawCell(0, 0, image.rect(), painter, true);
  painter.end();
  EXPECT_EQ(image.pixelColor(0, 0), QColor(0x90, 0x90, 0x90)) << "the selected row";
  bool text = false;
  for (int x = 0; x < image.width(); ++x)
    for (int y = 0; y < image.height(); ++y) text = text || image.pixelColor(x, y).value() < 0x40;
  EXPECT_TRUE(text) << "black text on the highlight";
}

namespace {

// The rightmost pixel of a row of a list that is not the list's background.
int RightmostTextPixel(TStringGrid* grid, int row) {
  const QImage image = grid->grab().toImage();
  const QRect cells = grid->CellRect(0, row);
  int rightmost = -1;
  for (int y = cells.top(); y <= cells.bottom(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) != QColor(0x42, 0x42, 0x42)) rightmost = std::max(rightmost, x);
  return rightmost;
}

}  // namespace

// Column 0 of both frequency lists is 120 pixels: the text ends 2 pixels
// before its right edge.
TEST_F(MainWindowTest, FrequencyListsShowTheirTextInA120PixelColumn) {
  CreateWindow();
  TFSelectForm selection;
  FSelectForm = &selection;
  OpenReceiver(kClassicA1Row);
  OpenTable(WriteTable("two.cal", 0, {7'100'000, 14'200'000}));
  FSelectForm = nullptr;
  for (TStringGrid* list : {form->F, selection.F}) {
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->ColWidths(0), 120);
    list->SetCurrent(0, 0);
    const int textEnd = RightmostTextPixel(list, 1);
    EXPECT_LE(textEnd, 117);
    EXPECT_GE(textEnd, 110);
  }
}

// The open mark: a filled circle in #CA0000 without antialiasing, in the
// open row only, shown at once on a list already on the screen.
TEST_F(MainWindowTest, OpenMarkIsARedCircleInTheOpenRowOnly) {
  CreateWindow();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  form->D->grab();
  const QColor red(0xca, 0x00, 0x00);
  const auto markPixels = [&](int row) {
    const QImage image = form->D->grab().toImage();
    const QRect cell = form->D->CellRect(0, row);
    const QRect circle = cell.adjusted(3, 3, -3, -3);
    int marked = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x) {
        const QColor pixel = image.pixelColor(x, y);
        if (pixel == red) {
          ++marked;
          EXPECT_TRUE(circle.contains(x, y)) << x << "," << y;
        } else {
          EXPECT_TRUE(pixel == QColor(0x42, 0x42, 0x42) || pixel == QColor(0x90, 0x90, 0x90))
              << "blended pixel " << pixel.name().toStdString() << " at " << x << "," << y;
        }
      }
    return marked;
  };
  OpenReceiver(kClassicA1Row);
  EXPECT_GT(markPixels(kClassicA1Row), 30);
  EXPECT_EQ(markPixels(kClassicB3Row), 0);
  OpenReceiver(kClassicB3Row);
  EXPECT_EQ(markPixels(kClassicA1Row), 0);
  EXPECT_GT(markPixels(kClassicB3Row), 30);
}

// Only the commands move the focus: a press on a button or a group that
// ends elsewhere leaves a typed frequency in its field, untuned.
TEST_F(MainWindowTest, APressThatIsNoCommandLeavesATypedFrequencyAlone) {
  CreateWindow();
  OpenReceiver(kClassicA1Row);
  form->show();
  QApplication::setActiveWindow(form.get());
  form->Fq->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return form->Fq->hasFocus(); }, 1000));
  const uint32_t tuned = form->OpenDriver->GetFrequency();
  form->Fq->selectAll();
  QTest::keyClicks(form->Fq, QStringLiteral("7.1"));
  QWindow* window = form->windowHandle();
  const QPoint between(1, 120);  // the window's margin left of the groups
  for (QWidget* pressed :
       std::initializer_list<QWidget*>{form->stSpeedButton6, form->stSpeedButton3, form->FiP}) {
    QTest::mousePress(window, Qt::LeftButton, {}, pressed->mapTo(form.get(), QPoint(3, 3)));
    QTest::mouseRelease(window, Qt::LeftButton, {}, between);
    EXPECT_TRUE(form->Fq->hasFocus()) << pressed->metaObject()->className();
  }
  EXPECT_EQ(form->OpenDriver->GetFrequency(), tuned);
  EXPECT_EQ(form->Fq->text(), QStringLiteral("7.1"));
  EXPECT_FALSE(form->TableLoaded) << "no command ran";
  form->CloseReceiver();  // as closing does, before the typed text is taken
}

TEST_F(MainWindowTest, CaptionStripFollowsActivation) {
  CreateWindow();
  form->OnActivate(form.get(), true);
  EXPECT_EQ(form->Panel->Color(), QColor(0x2d, 0x40, 0x99));
  EXPECT_EQ(form->ButtonPanel->Color(), QColor(0x2d, 0x40, 0x99));
  EXPECT_EQ(form->LCaption->FontColor(), QColor(Qt::white));
  form->OnActivate(form.get(), false);
  EXPECT_EQ(form->Panel->Color(), QColor(0x52, 0x52, 0x52));
  EXPECT_EQ(form->LCaption->FontColor(), QColor(0xc0, 0xc0, 0xc0));
}

TEST_F(MainWindowTest, ClosingReleasesTheReceiver) {
  CreateWindow();
  SimulatorControl c1("vxaapi.dll");
  OpenReceiver(kC1Row);
  form->show();
  EXPECT_TRUE(form->close());
  EXPECT_EQ(form->OpenDriver, nullptr);
  bool closed = false;
  for (const std::string& call : c1.TakeCalls()) closed = closed || call.rfind("CloseRadioDevice", 0) == 0;
  EXPECT_TRUE(closed);
}
