#include "graph/U_graphform.h"

#include <QVBoxLayout>

#include "platform/application.h"
#include "widgets/stpanel.h"
#include "widgets/stspeedbutton.h"

TGraphForm* GraphForm = nullptr;

TGraphForm::TGraphForm() : TCaptionedForm(QStringLiteral("Graph"), 557, 406) {
  P = new TstPanel(this);
  P->setGeometry(6, 30, 545, 345);
  Graph = new TOrvantaGraph(P);
  auto* fill = new QVBoxLayout(P);
  fill->setContentsMargins(0, 0, 0, 0);
  fill->addWidget(Graph);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  Graph->setFont(font);
  Set = new TDBMSet;
  Set->SetColor(QColor(0x00, 0xff, 0x00));
  Graph->AddSet(Set);
  Graph->OnDBMChanged = [this](TOrvantaGraph* graph, TDBMSet* set, int raw) {
    OnDBMChanged(graph, set, raw);
  };

  stSpeedButton3 = MakeButton(QStringLiteral("Close"), QRect(476, 380, 75, 22));
  stSpeedButton3->OnClick = [this](TstSpeedButton*) { stSpeedButton3Click(); };
}

void TGraphForm::LoadCurve(const TLevelTable& levels, const QString& name) {
  Graph->BeginUpdate();
  struct EndUpdate {
    TOrvantaGraph* graph;
    ~EndUpdate() { graph->EndUpdate(); }
  } endUpdate{Graph};
  Set->SetName(name);
  for (int raw = 0; raw < TDBMSet::kLevelCount; ++raw) Set->SetValue(raw, levels[raw]);
}

void TGraphForm::OnDBMChanged(TOrvantaGraph*, TDBMSet* set, int raw) {
  if (OnLevelDragged) OnLevelDragged(raw, set->GetValue(raw));
  // The editor repaints its cell while the drag goes on.
  platform::ProcessMessages();
}

void TGraphForm::stSpeedButton3Click() { hide(); }
