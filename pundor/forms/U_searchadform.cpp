#include "forms/U_searchadform.h"

#include "platform/application.h"
#include "widgets/datafont.h"
#include "widgets/mylabel.h"
#include "widgets/stgauge.h"
#include "widgets/stpanel.h"

TSearchADForm* SearchADForm = nullptr;

TSearchADForm::TSearchADForm() {
  setFixedSize(260, 60);
  setFont(DataFont());
  ClientPanel = TstPanel::CreateClientPanel(this);
  Label1 = new TmyLabel(QStringLiteral("Searching available devices ..."), ClientPanel);
  Label1->setGeometry(10, 10, 240, 16);
  Label1->SetAlignment(Qt::AlignCenter);
  Label1->SetFontColor(Qt::white);
  GaugePanel = new TstPanel(ClientPanel);
  GaugePanel->setGeometry(10, 32, 240, 18);
  G = new TstGauge(GaugePanel);
  G->setGeometry(GaugePanel->rect());
  GaugePanel->hide();
  OnHide = [this](platform::Form*) { FormHide(); };
}

void TSearchADForm::ShowBusy() {
  G->SetCurrent(0);
  CenterOnScreen();
  show();
  raise();
}

// The main window was disabled while this one showed: make it active again.
void TSearchADForm::FormHide() {
  platform::Application* application = platform::Application::Instance();
  if (platform::Form* main = application ? application->MainForm() : nullptr) main->activateWindow();
}
