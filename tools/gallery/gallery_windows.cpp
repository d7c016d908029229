// The calibrating windows: the table editor, the graph window, the frequency
// list dialogs, the value and fill dialogs, the information window and the
// about box, each on a small sample table.
#include <algorithm>
#include <cstdio>

#include "forms/U_aboutform.h"
#include "forms/U_addfqform.h"
#include "forms/U_autocalform.h"
#include "forms/U_calinfoform.h"
#include "forms/U_copyform.h"
#include "forms/U_editvalform.h"
#include "forms/U_fillform.h"
#include "forms/U_fselectform.h"
#include "forms/U_mainform.h"
#include "forms/U_tableform.h"
#include "forms/calibration_library.h"
#include "gallery.h"
#include "graph/U_graphform.h"
#include "platform/scripted_operator.h"
#include "widgets/frequencyedit.h"
#include "widgets/myintedit.h"
#include "widgets/mylabel.h"
#include "widgets/stalignedit.h"
#include "widgets/stgauge.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

namespace {

// A plausible S-meter response: about two raw steps per dB.
TLevelTable SampleLevels(double offset) {
  TLevelTable levels;
  for (int raw = 0; raw < 256; ++raw) levels[raw] = std::clamp(-126.0 + raw * 0.47 + offset, -140.0, 0.0);
  return levels;
}

// The windows of the program, with a table holding two receivers.
struct Session {
  TMainForm main;
  TGraphForm graph;
  TTableForm table;
  TAddFqForm addFrequency;
  TEditValForm editValue;
  TCopyForm copy;
  TFillForm fill;
  TCalInfoForm information;
  TFSelectForm selection;

  Session() {
    MainForm = &main;
    GraphForm = &graph;
    TableForm = &table;
    AddFqForm = &addFrequency;
    EditValForm = &editValue;
    CopyForm = &copy;
    FillForm = &fill;
    CalInfoForm = &information;
    FSelectForm = &selection;
    main.CalHandle = calibration::LoadCALFile(nullptr);
    main.TableLoaded = true;
    main.ReceiverName = "Halv-A1";
    Put("Halv-A1", 0, {1'800'000, 3'600'000, 7'100'000, 14'200'000, 21'100'000});
    Put("Halv-A1", 4, {3'650'000, 7'050'000});
    Put("Halv-B3", 1, {530'000, 1'000'000, 1'600'000});
    main.FillFrequencyList();
    table.LoadTable(SampleLevels(0.0), QStringLiteral("7.1 MHz"));
  }
  ~Session() {
    calibration::Unload(main.CalHandle);
    main.TableLoaded = false;
    MainForm = nullptr;
    GraphForm = nullptr;
    TableForm = nullptr;
    AddFqForm = nullptr;
    EditValForm = nullptr;
    CopyForm = nullptr;
    FillForm = nullptr;
    CalInfoForm = nullptr;
    FSelectForm = nullptr;
  }

  void Put(const char* receiver, int32_t mode, std::initializer_list<int64_t> frequencies) {
    double offset = 0.0;
    for (int64_t frequency : frequencies) {
      const TLevelTable levels = SampleLevels(offset += 1.5);
      calibration::PutDBMs(main.CalHandle, receiver, mode, frequency, levels.data());
    }
  }
};

}  // namespace

ORVANTA_GALLERY_PAGE("table-editor") {
  Session session;
  session.table.SetCaption(QStringLiteral("Translation table for frequency 7.1 MHz (tuned)"));
  session.table.SetCurrentRaw(37);
  session.table.T->SetCurrent(5, 9);
  return gallery::Grab(&session.table);
}

ORVANTA_GALLERY_PAGE("graph-window") {
  Session session;
  return gallery::Grab(&session.graph);
}

ORVANTA_GALLERY_PAGE("edit-value-dialog") {
  Session session;
  session.editValue.V->setText(QStringLiteral("-73.5"));
  session.editValue.L->SetCaption(QStringLiteral("112"));
  return gallery::Grab(&session.editValue);
}

ORVANTA_GALLERY_PAGE("fill-dialog") {
  Session session;
  session.fill.SetCaption(QStringLiteral("Add offset"));
  session.fill.L->SetCaption(QStringLiteral("Add offset for RAW"));
  session.fill.V->setText(QStringLiteral("-2.5"));
  session.fill.From->SetValue(40);
  session.fill.To->SetValue(120);
  return gallery::Grab(&session.fill);
}

ORVANTA_GALLERY_PAGE("add-frequency-dialog") {
  Session session;
  session.addFrequency.Fq->SetValue(7'100'000);
  return gallery::Grab(&session.addFrequency);
}

ORVANTA_GALLERY_PAGE("copy-dialog") {
  Session session;
  session.copy.FormShow();
  return gallery::Grab(&session.copy);
}

ORVANTA_GALLERY_PAGE("frequency-select-dialog") {
  Session session;
  session.selection.F->SetRow(2);
  return gallery::Grab(&session.selection);
}

ORVANTA_GALLERY_PAGE("calibration-info-window") {
  Session session;
  session.information.FormShow();
  return gallery::Grab(&session.information);
}

ORVANTA_GALLERY_PAGE("about-box") {
  TAboutForm about;
  return gallery::Grab(&about);
}

// Mid-run, as a run against the simulated generator shows it: the settings
// locked, the progress at the second of three frequencies.
ORVANTA_GALLERY_PAGE("autocal-window") {
  Session session;
  TAutoCalForm autocal;
  AutoCalForm = &autocal;
  autocal.BTableFrequenciesClick();
  AutoCalForm = nullptr;
  autocal.EFrequencies->setText(QStringLiteral("7.05 MHz; 14.2 MHz; 21.1 MHz"));
  autocal.ELoss->setText(QStringLiteral("1.5"));
  autocal.LIdentity->SetCaption(QStringLiteral("Orvanta,Simulated signal generator,0,1.0"));
  for (QWidget* input : std::initializer_list<QWidget*>{
           autocal.EAddress, autocal.EFrequencies, autocal.EFrom, autocal.ETo, autocal.EStep, autocal.ESettle,
           autocal.EReadings, autocal.ELoss, autocal.BTest, autocal.BTableFrequencies, autocal.BLossFile,
           autocal.BLog, autocal.BStart})
    input->setEnabled(false);
  autocal.BCancel->SetCaption(QStringLiteral("Cancel"));
  autocal.G->SetCurrent(43);
  autocal.LProgress->SetCaption(QStringLiteral("14.2 MHz (2 of 3), -87.0 dBm, about 0:02 left"));
  return gallery::Grab(&autocal);
}
