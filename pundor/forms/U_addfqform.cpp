#include "forms/U_addfqform.h"

#include "forms/U_mainform.h"
#include "platform/message_box.h"
#include "receivers/velkaro_api.h"
#include "widgets/frequencyedit.h"
#include "widgets/mylabel.h"
#include "widgets/stpanel.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

TAddFqForm* AddFqForm = nullptr;

TAddFqForm::TAddFqForm() : TCaptionedForm(QStringLiteral("Add Frequency"), 227, 90) {
  ClientPanel = new TstPanel(this);
  ClientPanel->setGeometry(0, kStripHeight, 227, 90 - kStripHeight);
  ClientPanel->SetBevelOuter(TBevelCut::bvNone);
  ClientPanel->setFocusPolicy(Qt::StrongFocus);
  Label1 = MakeLabel(QStringLiteral("Frequency"), QRect(8, 8, 80, 14), ClientPanel);
  Fq = new TmyFrequencyEdit(ClientPanel);
  Fq->setGeometry(8, 24, 211, 22);
  Fq->SetFixedPoint(fp1Hz);
  Fq->SetHzLimit(2000);
  Fq->SetShowUnit(fuMHz);
  Fq->setMaxLength(12);
  Fq->SetColor(Qt::black);
  Fq->OnKeyDown = [this](TstAlignEdit*, int& key, Qt::KeyboardModifiers) { FqKeyDown(key); };
  Fq->OnKeyPress = [this](TstAlignEdit*, QChar& ch) { FqKeyPress(ch); };
  BOK = MakeButton(QStringLiteral("OK"), QRect(8, 66, 100, 18));
  BOK->OnClick = [this](TstSpeedButton*) { BOKClick(); };
  BSelect = MakeButton(QStringLiteral("Cancel"), QRect(119, 66, 100, 18));
  BSelect->OnClick = [this](TstSpeedButton*) { SetModalResult(platform::ModalResult::Cancel); };
  BOK->raise();
  BSelect->raise();
  OnShow = [this](platform::Form*) { FormShow(); };
}

void TAddFqForm::FormShow() {
  CenterOnScreen();
  Fq->SetValue(MainForm->Fq->Value());
  Fq->setFocus();
}

bool TAddFqForm::FrequencyListed() const {
  const QString value = QString::number(Fq->Value());
  for (int row = 0; row < MainForm->FrequencyCount; ++row)
    if (MainForm->F->Cells(1, row) == value) return true;
  return false;
}

void TAddFqForm::BOKClick() {
  // Leaving the field takes a value that was typed but not confirmed.
  ClientPanel->setFocus();
  Fq->UpdateValue();
  // Above this the frequency word carries tens of Hz. Aligned first, so that
  // a point the aligned value would replace is asked about.
  if (Fq->Value() > kLargestHzWord) Fq->SetValue(Fq->Value() / 10 * 10);
  if (MainForm->FrequencyCount != 0 && FrequencyListed()) {
    const QString question =
        QStringLiteral("Frequency %1 MHz already exist in calibration table.\nOverwite?").arg(Fq->text());
    if (platform::MessageBox(question, QStringLiteral("Message"), platform::MessageIcon::Question,
                             platform::MessageButtons::YesNo) != platform::ModalResult::Yes) {
      Fq->setFocus();
      return;
    }
  }
  SetModalResult(platform::ModalResult::Ok);
}

void TAddFqForm::FqKeyDown(int key) { enterPressed_ = key == Qt::Key_Return || key == Qt::Key_Enter; }

void TAddFqForm::FqKeyPress(QChar key) {
  if (key.isNull() && enterPressed_) BOKClick();
}
