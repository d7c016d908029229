#include "platform/scripted_operator.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace platform {
namespace {

bool Offers(MessageButtons buttons, ModalResult answer) {
  switch (buttons) {
    case MessageButtons::Ok:
      return answer == ModalResult::Ok;
    case MessageButtons::OkCancel:
      return answer == ModalResult::Ok || answer == ModalResult::Cancel;
    case MessageButtons::YesNo:
      return answer == ModalResult::Yes || answer == ModalResult::No;
    case MessageButtons::YesNoCancel:
      return answer == ModalResult::Yes || answer == ModalResult::No || answer == ModalResult::Cancel;
  }
  return false;
}

// Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict in
// operator+ on a literal and a temporary string.
std::string Quoted(const QString& text) {
  std::string quoted;
  quoted.append("\"").append(text.toStdString()).append("\"");
  return quoted;
}

}  // namespace

ScriptedOperator::ScriptedOperator(FailureReporter reportFailure)
    : reportFailure_(std::move(reportFailure)), previous_(InstalledOperator()) {
  InstallOperator(this);
}

ScriptedOperator::~ScriptedOperator() {
  InstallOperator(previous_);
  if (!script_.empty()) Report(std::to_string(script_.size()) + " scripted answer(s) were never used");
}

void ScriptedOperator::Queue(Kind kind, ModalResult button, QString path, int timeoutMs,
                             std::function<void()> action) {
  Step step;
  step.kind = kind;
  step.button = button;
  step.path = std::move(path);
  step.timeoutMs = timeoutMs;
  step.action = std::move(action);
  script_.push_back(std::move(step));
}

void ScriptedOperator::Answer(ModalResult button) { Queue(Kind::Button, button, {}, 0, {}); }

void ScriptedOperator::ChooseFile(const QString& path) { Queue(Kind::File, ModalResult::None, path, 0, {}); }

void ScriptedOperator::CancelDialog() { Queue(Kind::Cancel, ModalResult::None, {}, 0, {}); }

void ScriptedOperator::KeepDialogOpen(int timeoutMs) {
  Queue(Kind::KeepOpen, ModalResult::None, {}, timeoutMs, {});
}

void ScriptedOperator::WhileShown(std::function<void()> action) {
  Queue(Kind::WhileShown, ModalResult::None, {}, 0, std::move(action));
}

void ScriptedOperator::RunWhileShownSteps() {
  while (!script_.empty() && script_.front().kind == Kind::WhileShown) {
    auto action = std::move(script_.front().action);
    script_.pop_front();
    if (action) action();
  }
}

ModalResult ScriptedOperator::AnswerBox(const MessageBoxRequest& request) {
  RunWhileShownSteps();
  ShownBox shown{request, SafeAnswer(request.buttons)};
  if (!script_.empty() && script_.front().kind == Kind::Button &&
      Offers(request.buttons, script_.front().button)) {
    shown.answer = script_.front().button;
    script_.pop_front();
  } else {
    Report("Unexpected message box " + Quoted(request.caption) + ": " + Quoted(request.text));
  }
  boxes_.push_back(shown);
  return shown.answer;
}

std::optional<QString> ScriptedOperator::AnswerDialog(const FileDialogRequest& request,
                                                      std::function<void()>& cancel) {
  RunWhileShownSteps();
  ShownDialog record;
  record.request = request;
  dialogs_.push_back(record);
  // An index, not a reference: a nested dialog may grow the list meanwhile.
  const std::size_t shown = dialogs_.size() - 1;
  const bool expected = !script_.empty() && script_.front().kind != Kind::Button;
  if (!expected) {
    Report("Unexpected file dialog " + Quoted(request.title));
    return std::nullopt;
  }
  const Step step = script_.front();
  script_.pop_front();
  switch (step.kind) {
    case Kind::File:
      dialogs_[shown].answer = step.path;
      return step.path;
    case Kind::KeepOpen:
      dialogs_[shown].cancelledFromOutside = WaitForCancel(step.timeoutMs, cancel);
      if (!dialogs_[shown].cancelledFromOutside)
        Report("File dialog " + Quoted(request.title) + " was never cancelled");
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

bool ScriptedOperator::WaitForCancel(int timeoutMs, std::function<void()>& cancel) {
  QEventLoop loop;
  bool cancelled = false;
  cancel = [&] {
    cancelled = true;
    loop.quit();
  };
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  cancel = nullptr;
  return cancelled;
}

void ScriptedOperator::Report(const std::string& message) {
  failures_.push_back(message);
  if (reportFailure_)
    reportFailure_(message);
  else
    std::fprintf(stderr, "%s\n", message.c_str());
}

}  // namespace platform
