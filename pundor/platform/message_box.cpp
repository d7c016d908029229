#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "platform/operator.h"

namespace platform {
namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton QtButton(ModalResult result) {
  switch (result) {
    case ModalResult::Ok:
      return QMessageBox::Ok;
    case ModalResult::Cancel:
      return QMessageBox::Cancel;
    case ModalResult::Yes:
      return QMessageBox::Yes;
    case ModalResult::No:
      return QMessageBox::No;
    default:
      return QMessageBox::NoButton;
  }
}

ModalResult Answer(int qtButton, MessageButtons buttons) {
  switch (qtButton) {
    case QMessageBox::Ok:
      return ModalResult::Ok;
    case QMessageBox::Cancel:
      return ModalResult::Cancel;
    case QMessageBox::Yes:
      return ModalResult::Yes;
    case QMessageBox::No:
      return ModalResult::No;
    default:
      return SafeAnswer(buttons);
  }
}

ModalResult ShowQtBox(const MessageBoxRequest& request) {
  if (NobodyAtScreen()) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(request.caption), qPrintable(request.text));
    return SafeAnswer(request.buttons);
  }
  QWidget* owner = request.owner ? request.owner : QApplication::activeWindow();
  QMessageBox box(QtIcon(request.icon), request.caption, request.text, QtButtons(request.buttons), owner);
  box.setTextFormat(Qt::PlainText);
  if (const auto button = QtButton(request.defaultButton); button != QMessageBox::NoButton)
    box.setDefaultButton(button);
  return Answer(box.exec(), request.buttons);
}

}  // namespace

ModalResult SafeAnswer(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
      return ModalResult::Cancel;
    case MessageButtons::YesNo:
      return ModalResult::No;
    case MessageButtons::Ok:
      break;
  }
  return ModalResult::Ok;
}

ModalResult MessageBox(const MessageBoxRequest& request) {
  if (Operator* op = InstalledOperator()) return op->AnswerBox(request);
  return ShowQtBox(request);
}

ModalResult MessageBox(const QString& text, const QString& caption, MessageIcon icon, MessageButtons buttons,
                       ModalResult defaultButton, QWidget* owner) {
  return MessageBox(MessageBoxRequest{text, caption, icon, buttons, defaultButton, owner});
}

void ShowError(const QString& text, QWidget* owner) {
  MessageBox(text, QStringLiteral("Error"), MessageIcon::Error, MessageButtons::Ok, ModalResult::None, owner);
}

bool Confirm(const QString& text, ModalResult defaultButton, QWidget* owner) {
  return MessageBox(text, QStringLiteral("Confirmation"), MessageIcon::Question, MessageButtons::YesNo,
                    defaultButton, owner) == ModalResult::Yes;
}

}  // namespace platform
