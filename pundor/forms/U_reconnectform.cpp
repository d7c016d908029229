#include "forms/U_reconnectform.h"

#include <QLabel>
#include <QStyle>

#include "widgets/datafont.h"
#include "widgets/mylabel.h"
#include "widgets/stpanel.h"
#include "widgets/stspeedbutton.h"

TReconnectForm::TReconnectForm() {
  setFixedSize(302, 96);
  setFont(DataFont());
  ClientPanel = TstPanel::CreateClientPanel(this);

  Image = new QLabel(ClientPanel);
  const QPixmap icon = style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32);
  Image->setPixmap(icon);
  Image->setGeometry(QRect(QPoint(14, 14), icon.size().isEmpty() ? QSize(32, 32) : icon.size()));

  QFont bold = DataFont();
  bold.setBold(true);
  Label3 = new TmyLabel(QStringLiteral("Radio receiver no longer connected."), ClientPanel);
  Label3->setFont(bold);
  Label3->setGeometry(58, 16, 236, 15);
  Label3->SetFontColor(Qt::white);
  Label1 = new TmyLabel(QStringLiteral(" Waiting for reconnect..."), ClientPanel);
  Label1->setGeometry(58, 34, 236, 15);
  Label1->SetFontColor(Qt::white);
  Button1 = new TstSpeedButton(ClientPanel);
  Button1->SetCaption(QStringLiteral("Do not wait"));
  Button1->setGeometry(106, 62, 90, 22);
  Button1->OnClick = [this](TstSpeedButton*) { SetModalResult(platform::ModalResult::Cancel); };

  Timer.setInterval(500);
  QObject::connect(&Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
  OnShow = [this](platform::Form*) {
    CenterOnScreen();
    Timer.start();
  };
  OnHide = [this](platform::Form*) { Timer.stop(); };
}

void TReconnectForm::TimerTimer() {
  if (Callback && Callback(UserData)) SetModalResult(platform::ModalResult::Ok);
}
