#pragma once
// The base of the program's widgets and windows. Qt's own code is built
// without exception clean-up, so an exception unwinding through it leaks what
// its frames hold (for a mouse event, a copy of the event). A handler's
// exception is therefore caught in the widget's own event(), before it
// reaches Qt, and shown in the standard exception box; the widget stays as
// it was and the event counts as handled.
#include <QEvent>
#include <exception>

namespace platform {

// Application::ShowException, reachable without the application's header.
void ShowEscapedException(const std::exception& error);

template <typename Widget>
class Guarded : public Widget {
 public:
  using Widget::Widget;

 protected:
  bool event(QEvent* event) override {
    try {
      return Widget::event(event);
    } catch (const std::exception& error) {
      ShowEscapedException(error);
    }
    return true;
  }
};

}  // namespace platform
