#include "forms/U_fillform.h"

#include "forms/U_editvalform.h"
#include "platform/application.h"
#include "platform/error.h"
#include "widgets/myintedit.h"
#include "widgets/mylabel.h"
#include "widgets/stalignedit.h"
#include "widgets/stspeedbutton.h"

TFillForm* FillForm = nullptr;

TFillForm::TFillForm() : TCaptionedForm(QString(), 200, 112) {
  LV = MakeLabel(QStringLiteral("Value [dBm]"), QRect(10, 26, 100, 14));
  V = new TstAlignEdit(this);
  V->setGeometry(10, 42, 180, 20);
  V->SetAlignment(Qt::AlignRight);
  V->OnKeyPress = [this](TstAlignEdit*, QChar& ch) {
    if (ch != QChar(keychar::kEnter)) return;
    ch = QChar();
    platform::Guard([this] { BOKClick(); });
  };
  L = MakeLabel(QString(), QRect(10, 68, 110, 14));
  LFrom = MakeLabel(QStringLiteral("from"), QRect(10, 88, 26, 14));
  From = MakeRawField(0, QRect(36, 84, 40, 20));
  LTo = MakeLabel(QStringLiteral("to"), QRect(82, 88, 14, 14));
  To = MakeRawField(255, QRect(98, 84, 40, 20));
  BOK = MakeButton(QStringLiteral("OK"), QRect(146, 66, 44, 18));
  BOK->OnClick = [this](TstSpeedButton*) { platform::Guard([this] { BOKClick(); }); };
  BSelect = MakeButton(QStringLiteral("Cancel"), QRect(146, 88, 44, 18));
  BSelect->OnClick = [this](TstSpeedButton*) { SetModalResult(platform::ModalResult::Cancel); };
  OnShow = [this](platform::Form*) { FormShow(); };
}

TmyIntEdit* TFillForm::MakeRawField(int value, const QRect& geometry) {
  auto* field = new TmyIntEdit(this);
  field->setGeometry(geometry);
  field->SetAlignment(Qt::AlignRight);
  field->SetMin(0);
  field->SetMax(255);
  field->SetValue(value);
  return field;
}

void TFillForm::FormShow() {
  CenterOnScreen();
  V->setFocus();
}

void TFillForm::BOKClick() {
  // The range fields take a number that was typed but not yet confirmed.
  From->UpdateValue();
  To->UpdateValue();
  const double value = TextToFloat(V->text());
  if (FillMode && !WithinRange(value, -140, 0)) throw platform::Error("Value out of range -140 - 0");
  if (!FillMode && !WithinRange(value, -140, 140)) throw platform::Error("Value out of range -140 - 140");
  Value = value;
  SetModalResult(platform::ModalResult::Ok);
}
