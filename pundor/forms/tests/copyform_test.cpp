// The copy dialog, the frequency selection dialog, the information window
// and the about box, on tables made with the real library.
#include <QTest>

#include "calibrating_testing.h"
#include "platform/version.h"
#include "receivers/velkaro_api.h"
#include "widgets/frequencyedit.h"
#include "widgets/mylabel.h"
#include "widgets/myscrollbar.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

namespace {

using DialogTest = CalibratingTest;

QStringList Rows(TStringGrid* grid, int col, int first = 0) {
  QStringList rows;
  for (int row = first; row < grid->RowCount(); ++row) rows << grid->Cells(col, row);
  return rows;
}

TEST_F(DialogTest, CopyDialogListsOnlyKnownReceiversWithTheirModes) {
  Put("Halv-B3", 1, 7'000'000, -50.0);
  Put("Halv-X9", 0, 7'000'000, -50.0);
  Put(kReceiver, 0, 7'000'000, -50.0);
  Put(kReceiver, 4, 7'000'000, -50.0);
  CopyForm->FormShow();
  EXPECT_EQ(Rows(CopyForm->D, 0), (QStringList{"Halv-A1", "Halv-B3"}));
  EXPECT_EQ(CopyForm->ReceiverCount, 2);
  EXPECT_EQ(Rows(CopyForm->M, 0), (QStringList{"CW - Continuous Wave", "LSB - Lower Side Band"}));
  EXPECT_TRUE(CopyForm->BCopy->isEnabled());

  CopyForm->D->SetRow(1);
  EXPECT_EQ(Rows(CopyForm->M, 0), QStringList{"AM - Amplitude Modulation"});
  CopyForm->BCopyClick();
  EXPECT_EQ(CopyForm->SourceReceiver, "Halv-B3");
  EXPECT_EQ(CopyForm->SourceMode, 1);
}

TEST_F(DialogTest, CopyDialogWithoutReceiversDisablesCopy) {
  Put("Halv-X9", 0, 7'000'000, -50.0);
  CopyForm->FormShow();
  EXPECT_EQ(CopyForm->ReceiverCount, 0);
  EXPECT_FALSE(CopyForm->BCopy->isEnabled());
}

TEST_F(DialogTest, UnknownModeIsReportedOnceAndSkipped) {
  Put(kReceiver, 8, 7'000'000, -50.0);
  Put(kReceiver, 9, 7'000'000, -50.0);
  Put(kReceiver, 5, 7'000'000, -50.0);
  op.Answer(platform::ModalResult::Ok);
  CopyForm->FormShow();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), QStringLiteral("Unknown mode"));
  EXPECT_EQ(Rows(CopyForm->M, 0), QStringList{"USB - Upper Side Band"});
  EXPECT_EQ(CopyForm->M->Objects(0, 0), 5);
}

TEST_F(DialogTest, CopyDialogScrollBarAppearsWithMoreModesThanFit) {
  for (int mode : {-1, 0, 1, 2, 3, 4, 5, 6, 7}) Put(kReceiver, mode, 7'000'000, -50.0);
  CopyForm->show();
  CopyForm->FormShow();
  const bool fits = CopyForm->M->RowCount() <= CopyForm->M->VisibleRowCount();
  EXPECT_EQ(CopyForm->MSB->isVisible(), !fits);
  EXPECT_FALSE(CopyForm->DSB->isVisible());
  CopyForm->hide();
}

TEST_F(DialogTest, SelectionDialogMirrorsTheListAndEnterChooses) {
  Put(kReceiver, 0, 3'600'000, -50.0);
  Put(kReceiver, 0, 14'000'000, -50.0);
  MainForm->FillFrequencyList();
  EXPECT_EQ(Rows(FSelectForm->F, 1), (QStringList{"3600000", "14000000"}));
  EXPECT_EQ(Rows(FSelectForm->F, 0), (QStringList{"3.6 MHz", "14 MHz"}));
  WhenShown(FSelectForm, [] {
    FSelectForm->F->SetRow(1);
    QTest::keyClick(FSelectForm->F, Qt::Key_Return);
  });
  EXPECT_EQ(FSelectForm->ShowModal(), platform::ModalResult::Ok);
  EXPECT_EQ(FSelectForm->SelectedFrequency, 14'000'000);
}

TEST_F(DialogTest, InformationWindowListsReceiversModesAndFrequencies) {
  Put(kReceiver, 0, 7'000'000, -50.0);
  Put(kReceiver, 0, 14'000'000, -50.0);
  Put(kReceiver, 4, 3'600'000, -50.0);
  Put("Halv-X9", 0, 7'000'000, -50.0);
  CalInfoForm->FormShow();
  EXPECT_EQ(Rows(CalInfoForm->G, 0, 1), (QStringList{"Halv-A1", "", ""}));
  EXPECT_EQ(Rows(CalInfoForm->G, 1, 1), (QStringList{"CW - Continuous Wave", "", "LSB - Lower Side Band"}));
  EXPECT_EQ(Rows(CalInfoForm->G, 2, 1), (QStringList{"7 MHz", "14 MHz", "3.6 MHz"}));
  EXPECT_EQ(CalInfoForm->G->Cells(0, 0), QStringLiteral("Receiver"));
}

TEST_F(DialogTest, InformationWindowGivesAModeWithoutPointsItsOwnRow) {
  Put(kReceiver, 0, 7'000'000, -50.0);
  Put(kReceiver, 4, 3'600'000, -50.0);
  ASSERT_EQ(calibration::DeleteFrequency(MainForm->CalHandle, kReceiver, 0, 7'000'000), CAL_OK);
  Put("Halv-B3", 1, 10'000'000, -50.0);
  CalInfoForm->FormShow();
  EXPECT_EQ(Rows(CalInfoForm->G, 0, 1), (QStringList{"Halv-A1", "", "Halv-B3"}));
  EXPECT_EQ(Rows(CalInfoForm->G, 1, 1),
            (QStringList{"CW - Continuous Wave", "LSB - Lower Side Band", "AM - Amplitude Modulation"}));
  EXPECT_EQ(Rows(CalInfoForm->G, 2, 1), (QStringList{"", "3.6 MHz", "10 MHz"}));
}

TEST_F(DialogTest, InformationWindowWithAnInvalidHandleShowsOnlyTheHeader) {
  const int32_t handle = MainForm->CalHandle;
  MainForm->CalHandle = 999;
  CalInfoForm->FormShow();
  EXPECT_EQ(CalInfoForm->G->RowCount(), 2);
  EXPECT_TRUE(CalInfoForm->G->Cells(0, 1).isEmpty());
  MainForm->CalHandle = handle;
}

TEST_F(DialogTest, InformationWindowShowsItsScrollBarOnceRowsOverflow) {
  for (int i = 0; i < 40; ++i) Put(kReceiver, 0, 1'000'000 + i * 1000, -50.0);
  CalInfoForm->show();
  CalInfoForm->FormShow();
  EXPECT_TRUE(CalInfoForm->SB->isVisible());
  CalInfoForm->hide();
}

TEST_F(DialogTest, AddDialogAsksBeforeOverwritingAndAlignsHighFrequencies) {
  Put(kReceiver, 0, 7'000'000, -50.0);
  MainForm->FillFrequencyList();
  AddFqForm->Fq->SetMin(0);
  AddFqForm->Fq->SetMax(3'000'000'000);
  op.Answer(platform::ModalResult::No);
  WhenShown(AddFqForm, [this] {
    AddFqForm->Fq->SetValue(7'000'000);
    AddFqForm->BOKClick();
    EXPECT_TRUE(AddFqForm->isVisible()) << "No keeps the dialog open";
    op.Answer(platform::ModalResult::Yes);
    AddFqForm->BOKClick();
  });
  EXPECT_EQ(AddFqForm->ShowModal(), platform::ModalResult::Ok);
  ASSERT_EQ(op.Boxes().size(), 2u);
  EXPECT_EQ(op.Boxes()[0].text(),
            QStringLiteral("Frequency %1 MHz already exist in calibration table.\nOverwite?")
                .arg(AddFqForm->Fq->text()));
  EXPECT_EQ(op.Boxes()[0].caption(), QStringLiteral("Message"));

  WhenShown(AddFqForm, [] {
    AddFqForm->Fq->SetValue(2'500'000'005);
    AddFqForm->BOKClick();
  });
  EXPECT_EQ(AddFqForm->ShowModal(), platform::ModalResult::Ok);
  EXPECT_EQ(AddFqForm->Fq->Value(), 2'500'000'000);
}

TEST(AboutBox, VersionShowsTheFirstThreeNumbers) {
  EXPECT_EQ(VersionText(3u << 16 | 4, 5u << 16 | 6), QStringLiteral("3.45"));
  EXPECT_EQ(VersionText(1u << 16, 0), QStringLiteral("1.00"));
}

TEST(AboutBox, ShowsTheTitleAndTheProgramsVersion) {
  platform::SetProgramFileVersion(platform::ParseFileVersion("3.4.5.6"));
  TAboutForm about;
  platform::ResetProgramFileVersion();
  EXPECT_EQ(about.LTitle->Caption(), QStringLiteral("Orvanta"));
  EXPECT_EQ(about.Ver->Caption(), QStringLiteral("3.45"));
  EXPECT_EQ(about.LCaption->Caption(), QStringLiteral("About"));
}

}  // namespace
