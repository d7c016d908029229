#include "platform/application.h"

#include <QPointer>
#include <new>

#include "platform/message_box.h"

namespace platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

Application::~Application() { DestroyForms(); }

Application* Application::Instance() { return dynamic_cast<Application*>(QCoreApplication::instance()); }

void Application::Adopt(std::unique_ptr<Form> form, std::function<void()> forget) {
  forms_.push_back({std::move(form), std::move(forget)});
}

void Application::Run() {
  Form* mainForm = MainForm();
  if (!terminated_ && mainForm && showMainForm_) mainForm->show();
  // Showing the main window runs its first device search, which processes
  // messages: the window may already be closed again here.
  if (!terminated_ && !mainFormClosed_) {
    running_ = true;
    try {
      exec();
    } catch (const std::exception& error) {
      ShowException(error);
    }
    running_ = false;
  }
  DestroyForms();
  terminated_ = false;
  mainFormClosed_ = false;
  showMainForm_ = true;
}

void Application::Terminate() {
  terminated_ = true;
  Form::CancelAllModal();
  LeaveMessageLoop();
}

// Whenever the main window closes, also before the message loop runs or
// inside a nested one, the program ends.
void Application::MainFormClosed() {
  mainFormClosed_ = true;
  LeaveMessageLoop();
}

// Leaves every running event loop without asking the windows to close. Before
// Run's loop starts there is none to leave, and Qt would keep the request for
// every event loop started later (modal windows included).
void Application::LeaveMessageLoop() {
  if (running_) exit(0);
}

void Application::DestroyForms() {
  while (!forms_.empty()) {
    OwnedForm last = std::move(forms_.back());
    forms_.pop_back();
    last.form.reset();
    last.forget();
  }
}

void Application::ShowException(const std::exception& error) {
  // The library's own text for this one means nothing to an operator.
  if (dynamic_cast<const std::bad_alloc*>(&error)) {
    ShowError(QStringLiteral("Not enough memory to complete the operation."));
    return;
  }
  ShowError(QString::fromUtf8(error.what()));
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    const bool handled = QApplication::notify(receiver, event);
    if (event->type() == QEvent::Close && event->isAccepted() && receiver == MainForm()) MainFormClosed();
    return handled;
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
