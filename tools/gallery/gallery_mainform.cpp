// The main window with the first simulated receiver open and a small table
// loaded, as an operator sees it while calibrating.
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "forms/U_mainform.h"
#include "forms/U_searchadform.h"
#include "forms/U_tableform.h"
#include "forms/calibration_library.h"
#include "gallery.h"
#include "platform/scripted_operator.h"
#include "widgets/frequencyedit.h"
#include "widgets/stringgrid.h"

namespace {

// A table with three calibration frequencies for the receiver's default mode.
QString WriteSampleTable(const QTemporaryDir& folder, const char* receiverName, int32_t mode) {
  const int32_t handle = calibration::LoadCALFile(nullptr);
  double levels[256];
  for (const int64_t hz : {1'800'000LL, 7'100'000LL, 14'200'000LL}) {
    for (int raw = 0; raw < 256; ++raw) levels[raw] = -130.0 + raw * 0.5;
    calibration::PutDBMs(handle, receiverName, mode, hz, levels);
  }
  const QString path = folder.filePath(QStringLiteral("sample.cal"));
  calibration::SaveCALFile(handle, path.toLocal8Bit().constData());
  calibration::Unload(handle);
  return path;
}

}  // namespace

ORVANTA_GALLERY_PAGE("main-window") {
  platform::ScriptedOperator op(
      [](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); });
  TSearchADForm search;
  SearchADForm = &search;
  TTableForm table;
  TableForm = &table;
  TMainForm form;
  MainForm = &form;
  form.SearchDevices();
  form.D->SetCurrent(0, 0);
  form.BSelectClick();
  form.Fq->SetValue(7'050'000);
  QTemporaryDir folder;
  op.ChooseFile(WriteSampleTable(folder, form.ReceiverName.c_str(), form.CurrentMode()));
  form.stSpeedButton4Click();
  form.TTimer();
  const QImage image = gallery::Grab(&form);
  form.CloseReceiver();
  MainForm = nullptr;
  TableForm = nullptr;
  SearchADForm = nullptr;
  return image;
}
