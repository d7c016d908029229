#include "forms/U_editvalform.h"

#include <QLocale>

#include "platform/application.h"
#include "platform/error.h"
#include "widgets/mylabel.h"
#include "widgets/stalignedit.h"
#include "widgets/stspeedbutton.h"

TEditValForm* EditValForm = nullptr;

double TextToFloat(const QString& text) {
  bool ok = false;
  const double value = QLocale().toDouble(text.trimmed(), &ok);
  if (!ok)
    throw platform::Error(QStringLiteral("'%1' is not a valid floating point value").arg(text).toStdString());
  return value;
}

bool WithinRange(double value, double low, double high) { return value >= low && value <= high; }

TEditValForm::TEditValForm() : TCaptionedForm(QStringLiteral("Edit "), 170, 86) {
  LR = MakeLabel(QStringLiteral("RAW"), QRect(10, 28, 40, 14));
  L = MakeLabel(QString(), QRect(56, 28, 60, 14));
  myLabel1 = MakeLabel(QStringLiteral("dBm"), QRect(10, 50, 40, 14));
  V = new TstAlignEdit(this);
  V->setGeometry(56, 46, 104, 20);
  V->SetAlignment(Qt::AlignRight);
  V->OnKeyPress = [this](TstAlignEdit*, QChar& ch) {
    if (ch != QChar(keychar::kEnter)) return;
    ch = QChar();
    platform::Guard([this] { BOKClick(); });
  };
  BOK = MakeButton(QStringLiteral("OK"), QRect(10, 68, 70, 16));
  BOK->OnClick = [this](TstSpeedButton*) { platform::Guard([this] { BOKClick(); }); };
  BSelect = MakeButton(QStringLiteral("Cancel"), QRect(90, 68, 70, 16));
  BSelect->OnClick = [this](TstSpeedButton*) { SetModalResult(platform::ModalResult::Cancel); };
  OnShow = [this](platform::Form*) { FormShow(); };
}

void TEditValForm::FormShow() {
  CenterOnScreen();
  V->setFocus();
  V->selectAll();
}

void TEditValForm::BOKClick() {
  const double value = TextToFloat(V->text());
  if (!WithinRange(value, -140, 0)) throw platform::Error("dBm value is out of range -140 - 0");
  Value = value;
  SetModalResult(platform::ModalResult::Ok);
}
