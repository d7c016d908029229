#pragma once
// Who answers message boxes and file dialogs. Normally the person at the
// screen; a test installs a scripted operator instead.
#include <QString>
#include <functional>
#include <optional>

#include "platform/file_dialog.h"
#include "platform/message_box.h"

namespace platform {

class Operator {
 public:
  virtual ~Operator() = default;
  virtual ModalResult AnswerBox(const MessageBoxRequest& request) = 0;
  // The chosen path, or nothing for cancel. An operator that keeps the dialog
  // open sets `cancel` to what ends the wait (FileDialog::PostCancel calls it).
  virtual std::optional<QString> AnswerDialog(const FileDialogRequest& request,
                                              std::function<void()>& cancel) = 0;
};

// Null while the person at the screen answers.
Operator* InstalledOperator();
void InstallOperator(Operator* op);

// True when no person can answer (the offscreen platform of headless runs):
// boxes and dialogs then take their safe answer at once instead of waiting.
bool NobodyAtScreen();

}  // namespace platform
