#pragma once
// A scripted operator for tests: it answers message boxes and file dialogs
// from a queue, in order, and records everything that was shown.
//
//   platform::ScriptedOperator op([](const std::string& m) { ADD_FAILURE() << m; });
//   op.Answer(platform::ModalResult::Yes);
//   op.ChooseFile("/tmp/a.cal");
//   ... drive the window ...
//   EXPECT_EQ(op.Boxes().at(0).text, "...");
//
// A box or dialog that meets no matching answer is reported (with its text)
// and gets the safe answer (No, Cancel or OK; a dialog is cancelled), so a
// test never hangs. Answers still queued at destruction are reported too.
#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/operator.h"

namespace platform {

struct ShownBox {
  MessageBoxRequest request;
  ModalResult answer = ModalResult::None;
  // Shortcuts into request.
  const QString& text() const { return request.text; }
  const QString& caption() const { return request.caption; }
};

struct ShownDialog {
  FileDialogRequest request;
  // Empty when the dialog was cancelled.
  QString answer;
  bool cancelledFromOutside = false;
};

class ScriptedOperator : public Operator {
 public:
  using FailureReporter = std::function<void(const std::string& message)>;

  // Installs itself for its lifetime (the previous operator comes back after).
  explicit ScriptedOperator(FailureReporter reportFailure = {});
  ~ScriptedOperator() override;
  ScriptedOperator(const ScriptedOperator&) = delete;
  ScriptedOperator& operator=(const ScriptedOperator&) = delete;

  // The next message box is answered with this button.
  void Answer(ModalResult button);
  // The next file dialog returns this path.
  void ChooseFile(const QString& path);
  // The next file dialog is cancelled by the operator.
  void CancelDialog();
  // The next file dialog stays open until the program cancels it itself
  // (FileDialog::PostCancel), e.g. from a timer; it is then cancelled.
  // After `timeoutMs` without that, it is reported and cancelled.
  void KeepDialogOpen(int timeoutMs = 5000);
  // Runs while the next box or dialog is shown (before it is answered), so a
  // test can look at the program's state at that moment.
  void WhileShown(std::function<void()> action);

  const std::vector<ShownBox>& Boxes() const { return boxes_; }
  const std::vector<ShownDialog>& Dialogs() const { return dialogs_; }
  // Everything reported so far (also passed to the reporter).
  const std::vector<std::string>& Failures() const { return failures_; }
  // Answers not used yet.
  std::size_t PendingAnswers() const { return script_.size(); }

  ModalResult AnswerBox(const MessageBoxRequest& request) override;
  std::optional<QString> AnswerDialog(const FileDialogRequest& request,
                                      std::function<void()>& cancel) override;

 private:
  enum class Kind { Button, File, Cancel, KeepOpen, WhileShown };
  struct Step {
    Kind kind = Kind::Button;
    ModalResult button = ModalResult::None;
    QString path;
    int timeoutMs = 0;
    std::function<void()> action;
  };

  void Queue(Kind kind, ModalResult button, QString path, int timeoutMs, std::function<void()> action);
  void RunWhileShownSteps();
  bool WaitForCancel(int timeoutMs, std::function<void()>& cancel);
  void Report(const std::string& message);

  FailureReporter reportFailure_;
  Operator* previous_;
  std::deque<Step> script_;
  std::vector<ShownBox> boxes_;
  std::vector<ShownDialog> dialogs_;
  std::vector<std::string> failures_;
};

}  // namespace platform
