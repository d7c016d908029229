#include "forms/U_mainform.h"

#include "forms/calibration_library.h"
#include "platform/application.h"

TMainForm* MainForm = nullptr;

TMainForm::TMainForm() {
  setWindowTitle(QStringLiteral("Orvanta"));
  setFixedSize(545, 258);
  FormCreate();
}

void TMainForm::FormCreate() {
  platform::Application* application = platform::Application::Instance();
  if (!BindCalibrationLibrary()) {
    // The window is never shown; the program ends.
    if (application) application->Terminate();
    return;
  }
  CenterOnScreen();
  if (application) application->SetShowMainForm(true);
}
