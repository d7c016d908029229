#include "forms/program.h"

#include "forms/U_aboutform.h"
#include "forms/U_addfqform.h"
#include "forms/U_autocalform.h"
#include "forms/U_calinfoform.h"
#include "forms/U_copyform.h"
#include "forms/U_editvalform.h"
#include "forms/U_fillform.h"
#include "forms/U_fselectform.h"
#include "forms/U_mainform.h"
#include "forms/U_searchadform.h"
#include "forms/U_tableform.h"
#include "forms/interrupt_watcher.h"
#include "graph/U_graphform.h"
#include "platform/application.h"

int RunCalibrator(platform::Application& application) {
  int status = 0;
  const InterruptWatcher interrupts([&](int exitStatus) {
    status = exitStatus;
    application.Terminate();
  });
  // The main window decides in its creation handler whether it is shown.
  application.SetShowMainForm(false);
  application.SetTitle(QStringLiteral("Orvanta"));
  application.CreateForm(MainForm);
  application.CreateForm(GraphForm);
  application.CreateForm(TableForm);
  application.CreateForm(SearchADForm);
  application.CreateForm(AddFqForm);
  application.CreateForm(EditValForm);
  application.CreateForm(CopyForm);
  application.CreateForm(FillForm);
  application.CreateForm(CalInfoForm);
  application.CreateForm(FSelectForm);
  application.CreateForm(AboutForm);
  application.CreateForm(AutoCalForm);
  application.Run();
  return status;
}
