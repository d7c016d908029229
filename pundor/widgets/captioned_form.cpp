#include "widgets/captioned_form.h"

#include <QFont>

#include "platform/caption_strip.h"
#include "widgets/mylabel.h"
#include "widgets/stpanel.h"
#include "widgets/stspeedbutton.h"

namespace {

constexpr int kCloseSide = 14;

QFont ArialFont(int pixelSize, bool bold = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

}  // namespace

TCaptionedForm::TCaptionedForm(const QString& caption, int clientWidth, int clientHeight) {
  setWindowTitle(caption);
  setFixedSize(clientWidth, clientHeight);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(0x42, 0x42, 0x42));
  setPalette(palette);
  setFont(ArialFont(11));

  TopPanel = new TstPanel(this);
  TopPanel->setGeometry(0, 0, clientWidth, kStripHeight);
  TopPanel->SetBevelOuter(TBevelCut::bvNone);
  LCaption = new TmyLabel(caption, TopPanel);
  LCaption->setFont(ArialFont(11, true));
  LCaption->setGeometry(4, 2, clientWidth - kCloseSide - 10, kStripHeight - 4);
  ButtonPanel = new TstPanel(TopPanel);
  ButtonPanel->SetBevelOuter(TBevelCut::bvNone);
  ButtonPanel->setGeometry(clientWidth - kCloseSide - 4, 0, kCloseSide + 4, kStripHeight);
  SysBtnClose = new TstSpeedButton(ButtonPanel);
  SysBtnClose->SetKind(TButtonKind::bkClose);
  SysBtnClose->setToolTip(QStringLiteral("Close"));
  SysBtnClose->setGeometry(2, 2, kCloseSide, kCloseSide);
  SysBtnClose->OnClick = [this](TstSpeedButton*) { SysBtnCloseClick(); };

  platform::MakeCaptionStrip(TopPanel, {LCaption});
  OnActivate = [this](platform::Form*, bool active) { ShowActive(active); };
  ShowActive(false);
}

void TCaptionedForm::SetCaption(const QString& caption) { LCaption->SetCaption(caption); }

void TCaptionedForm::SysBtnCloseClick() {
  if (ShownModally())
    SetModalResult(platform::ModalResult::Cancel);
  else
    hide();
}

TstSpeedButton* TCaptionedForm::MakeButton(const QString& caption, const QRect& geometry) {
  auto* button = new TstSpeedButton(this);
  button->SetCaption(caption);
  button->setGeometry(geometry);
  return button;
}

TmyLabel* TCaptionedForm::MakeLabel(const QString& caption, const QRect& geometry, QWidget* parent) {
  auto* label = new TmyLabel(caption, parent ? parent : this);
  label->setGeometry(geometry);
  return label;
}

void TCaptionedForm::ShowActive(bool active) {
  const platform::CaptionColours colours = platform::CaptionColoursFor(active);
  TopPanel->SetColor(colours.background);
  ButtonPanel->SetColor(colours.background);
  LCaption->SetFontColor(colours.text);
}
