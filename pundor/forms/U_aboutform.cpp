#include "forms/U_aboutform.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QStringList>

#include "widgets/mylabel.h"
#include "platform/version.h"
#include "widgets/stspeedbutton.h"

TAboutForm* AboutForm = nullptr;

namespace {

// The program's icon, or a small S-meter when the program has none.
QPixmap ProgramPicture() {
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) return icon.pixmap(32, 32);
  QPixmap picture(32, 32);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
  painter.setBrush(QColor(0x10, 0x10, 0x10));
  painter.drawRoundedRect(QRectF(0.5, 4.5, 31, 23), 4, 4);
  painter.setPen(QPen(QColor(0x00, 0xb0, 0x00), 2));
  painter.drawArc(QRectF(5, 9, 22, 22), 30 * 16, 120 * 16);
  painter.setPen(QPen(QColor(0xff, 0x00, 0x00), 2));
  painter.drawLine(QPointF(16, 24), QPointF(23, 12));
  return picture;
}

}  // namespace

QString VersionText(uint32_t mostSignificant, uint32_t leastSignificant) {
  return QStringLiteral("%1.%2%3")
      .arg(mostSignificant >> 16)
      .arg(mostSignificant & 0xffff)
      .arg(leastSignificant >> 16);
}

TAboutForm::TAboutForm() : TCaptionedForm(QStringLiteral("About"), 260, 118) {
  Image1 = new QLabel(this);
  Image1->setGeometry(10, 28, 32, 32);
  Image1->setPixmap(ProgramPicture());
  LTitle = MakeLabel(QStringLiteral("Orvanta"), QRect(52, 30, 90, 22));
  QFont title(QStringLiteral("Arial"));
  title.setPixelSize(18);
  title.setBold(true);
  LTitle->setFont(title);
  LTitle->SetFontColor(Qt::white);
  Ver = MakeLabel(QString(), QRect(146, 36, 100, 16));
  LNotice1 = MakeLabel(QStringLiteral("S-meter calibration for Velkaro receivers."), QRect(10, 66, 240, 14));
  LNotice2 = MakeLabel(QStringLiteral("All rights reserved."), QRect(10, 80, 240, 14));
  stSpeedButton2 = MakeButton(QStringLiteral("OK"), QRect(180, 96, 70, 18));
  stSpeedButton2->OnClick = [this](TstSpeedButton*) { SetModalResult(platform::ModalResult::Ok); };
  OnShow = [this](platform::Form*) { CenterOnScreen(); };
  FormCreate();
}

void TAboutForm::FormCreate() {
  if (const auto version = platform::ProgramFileVersion())
    Ver->SetCaption(VersionText(version->mostSignificant, version->leastSignificant));
}
