#include "platform/application.h"

#include <QPointer>
#include <csignal>

#include "platform/message_box.h"

namespace platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  // A file past the process's size limit must fail as a write error that the
  // program reports, not end it with SIGXFSZ and lose the unsaved work.
  std::signal(SIGXFSZ, SIG_IGN);
}

Application::~Application() { DestroyForms(); }

Application* Application::Instance() { return dynamic_cast<Application*>(QCoreApplication::instance()); }

void Application::Adopt(std::unique_ptr<Form> form, std::function<void()> forget) {
  forms_.push_back({std::move(form), std::move(forget)});
}

void Application::Run() {
  Form* mainForm = MainForm();
  if (mainForm) mainForm->setAttribute(Qt::WA_QuitOnClose, true);
  if (!terminated_) {
    if (mainForm && showMainForm_) mainForm->show();
    try {
      exec();
    } catch (const std::exception& error) {
      ShowException(error);
    }
  }
  DestroyForms();
  terminated_ = false;
  showMainForm_ = true;
}

void Application::Terminate() {
  terminated_ = true;
  Form::CancelAllModal();
  // Leaves every running event loop without asking the windows to close.
  exit(0);
}

void Application::DestroyForms() {
  while (!forms_.empty()) {
    OwnedForm last = std::move(forms_.back());
    forms_.pop_back();
    last.form.reset();
    last.forget();
  }
}

void Application::ShowException(const std::exception& error) { ShowError(QString::fromUtf8(error.what())); }

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowException(error);
  }
  return false;
}

bool Guard(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& error) {
    Application::ShowException(error);
  }
  return false;
}

void Post(QObject* receiver, std::function<void()> action) {
  QMetaObject::invokeMethod(receiver, std::move(action), Qt::QueuedConnection);
}

void ProcessMessages() { QCoreApplication::processEvents(); }

}  // namespace platform
