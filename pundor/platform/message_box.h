#pragma once
// Message boxes. The program's conventions: errors are captioned "Error" with
// the error icon and an OK button; questions are Yes/No boxes captioned
// "Confirmation" with the question icon.
#include <QString>

#include "platform/modal_result.h"

class QWidget;

namespace platform {

enum class MessageIcon { None, Error, Question, Warning, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };

// Everything a message box shows; also what the scripted operator records.
struct MessageBoxRequest {
  QString text;
  QString caption;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  // None: the first button is the default.
  ModalResult defaultButton = ModalResult::None;
  // Null: owned by the application window.
  QWidget* owner = nullptr;
};

// Shows the box modally and returns the button pressed (Ok, Cancel, Yes, No).
ModalResult MessageBox(const MessageBoxRequest& request);
ModalResult MessageBox(const QString& text, const QString& caption, MessageIcon icon, MessageButtons buttons,
                       ModalResult defaultButton = ModalResult::None, QWidget* owner = nullptr);

// "Error" box with the error icon and an OK button.
void ShowError(const QString& text, QWidget* owner = nullptr);
// "Confirmation" Yes/No box with the question icon; true on Yes.
bool Confirm(const QString& text, ModalResult defaultButton = ModalResult::None, QWidget* owner = nullptr);

// The answer nobody could give: what a box returns when it cannot be shown
// to anyone (No for questions, Cancel when offered, otherwise OK).
ModalResult SafeAnswer(MessageButtons buttons);

}  // namespace platform
