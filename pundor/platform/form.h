#pragma once
// Base of every window of the program: a borderless top-level window that can
// be shown modally and closes with a modal result.
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/guarded.h"
#include "platform/modal_result.h"

class QEventLoop;

namespace platform {

class Form : public Guarded<QWidget> {
 public:
  explicit Form(QWidget* parent = nullptr);
  ~Form() override;

  // Shows the window application-modal and returns once a result has been
  // set (SetModalResult, or closing the window, which gives Cancel). The
  // window is hidden again on return. Timers and posted calls keep running.
  ModalResult ShowModal();

  // Setting a result other than None while the window is shown modally ends
  // its modal loop, unless OnCloseQuery refuses.
  void SetModalResult(ModalResult result);
  ModalResult Result() const { return result_; }
  bool ShownModally() const { return modalLoop_ != nullptr; }

  // Every form that is currently shown modally gets the cancel result,
  // innermost first.
  static void CancelAllModal();
  // The forms shown modally right now, outermost first.
  static std::vector<Form*> ModalForms();

  // Places the window in the middle of its screen.
  void CenterOnScreen();
  // Places the window beside `anchor` on the anchor's screen (PlaceBeside).
  void MoveBeside(const QWidget& anchor);

  std::function<void(Form* sender)> OnShow;
  std::function<void(Form* sender)> OnHide;
  // Asked before the window closes; set canClose to false to keep it open.
  std::function<void(Form* sender, bool& canClose)> OnCloseQuery;
  // The window became the active window (true) or stopped being it (false);
  // caption strips change their colours here.
  std::function<void(Form* sender, bool active)> OnActivate;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool CloseAllowed();
  void EndModal(ModalResult result);

  ModalResult result_ = ModalResult::None;
  QEventLoop* modalLoop_ = nullptr;
};

// Where a window of `size` goes beside `anchor`, inside `area` as far as it
// fits: right of it where there is room, else left of it, level with its
// top; else below or above it, level with its left edge; else where the two
// overlap least.
QPoint PlaceBeside(const QSize& size, const QRect& anchor, const QRect& area);

}  // namespace platform
