#pragma once
// The program's application object: its title, its forms (created once, in
// order, the first being the main window), the message loop, and the standard
// exception box for an exception that escapes an event handler.
#include <QApplication>
#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "platform/form.h"

namespace platform {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  ~Application() override;

  // The running application object, or null when the program's QApplication
  // is not one of these.
  static Application* Instance();

  // The program's title. Not Qt's display name: the desktop would append
  // that to the caption of every box and dialog.
  QString Title() const { return title_; }
  void SetTitle(const QString& title) { title_ = title; }

  // Whether Run shows the main window first; the main window decides.
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool show) { showMainForm_ = show; }

  // Constructs a form, stores it in `instance` and keeps it until Run ends.
  // The first form created is the main window.
  template <typename T>
  void CreateForm(T*& instance) {
    auto form = std::make_unique<T>();
    instance = form.get();
    Adopt(std::move(form), [&instance] { instance = nullptr; });
  }
  Form* MainForm() const { return forms_.empty() ? nullptr : forms_.front().form.get(); }

  // Runs the message loop until the main window closes (at any time, also
  // while it is being shown) or Terminate is called, then destroys the forms
  // in reverse order of creation. Returns at once (after the clean-up) when
  // Terminate was called before.
  void Run();
  // Ends the program: cancels modal windows and leaves the message loop.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The standard exception box: the message in an "Error" box (running out of
  // memory gets a plain sentence instead of the exception's name).
  static void ShowException(const std::exception& error);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  struct OwnedForm {
    std::unique_ptr<Form> form;
    std::function<void()> forget;
  };
  void Adopt(std::unique_ptr<Form> form, std::function<void()> forget);
  void DestroyForms();
  void MainFormClosed();
  void LeaveMessageLoop();

  QString title_;
  bool showMainForm_ = true;
  bool terminated_ = false;
  bool mainFormClosed_ = false;
  bool running_ = false;  // Run's message loop is running
  std::vector<OwnedForm> forms_;
};

// Runs `action`, showing an escaping exception in the standard exception box.
// False when one escaped. For callbacks that do not run inside an event.
bool Guard(const std::function<void()>& action);

// Runs `action` later, from the event loop, unless `receiver` is gone by then.
void Post(QObject* receiver, std::function<void()> action);

// Lets pending events (painting, timers, input) run now.
void ProcessMessages();

}  // namespace platform
