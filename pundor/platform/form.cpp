#include "platform/form.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <algorithm>

namespace platform {
namespace {

std::vector<Form*>& ModalStack() {
  static std::vector<Form*> stack;
  return stack;
}

void Forget(Form* form) {
  auto& stack = ModalStack();
  stack.erase(std::remove(stack.begin(), stack.end(), form), stack.end());
}

}  // namespace

Form::Form(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  // Only the main window ends the program when it closes.
  setAttribute(Qt::WA_QuitOnClose, false);
}

Form::~Form() {
  if (modalLoop_) modalLoop_->quit();
  Forget(this);
}

ModalResult Form::ShowModal() {
  if (modalLoop_) return ModalResult::Cancel;
  QPointer<Form> self(this);
  QEventLoop loop;
  result_ = ModalResult::None;
  modalLoop_ = &loop;
  ModalStack().push_back(this);
  setWindowModality(Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
  if (result_ == ModalResult::None) loop.exec(QEventLoop::DialogExec);
  if (!self) return ModalResult::Cancel;
  Forget(this);
  modalLoop_ = nullptr;
  hide();
  setWindowModality(Qt::NonModal);
  return result_;
}

void Form::SetModalResult(ModalResult result) {
  if (!modalLoop_ || result == ModalResult::None) {
    result_ = result;
    return;
  }
  if (CloseAllowed()) EndModal(result);
}

void Form::CancelAllModal() {
  const auto forms = ModalStack();
  for (auto it = forms.rbegin(); it != forms.rend(); ++it) (*it)->SetModalResult(ModalResult::Cancel);
}

std::vector<Form*> Form::ModalForms() { return ModalStack(); }

void Form::CenterOnScreen() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void Form::MoveBeside(const QWidget& anchor) {
  const QScreen* screen = anchor.screen() ? anchor.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  move(PlaceBeside(frameGeometry().size(), anchor.frameGeometry(), screen->availableGeometry()));
}

QPoint PlaceBeside(const QSize& size, const QRect& anchor, const QRect& area) {
  QRect placed(QPoint(anchor.right() + 1, anchor.top()), size);
  if (placed.right() > area.right()) placed.moveRight(anchor.left() - 1);
  if (placed.left() < area.left()) placed.moveCenter(area.center());
  placed.moveBottom(std::min(placed.bottom(), area.bottom()));
  placed.moveTop(std::max(placed.top(), area.top()));
  placed.moveRight(std::min(placed.right(), area.right()));
  placed.moveLeft(std::max(placed.left(), area.left()));
  return placed.topLeft();
}

bool Form::CloseAllowed() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void Form::EndModal(ModalResult result) {
  result_ = result;
  modalLoop_->quit();
}

void Form::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (OnShow) OnShow(this);
}

void Form::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (OnHide) OnHide(this);
}

void Form::closeEvent(QCloseEvent* event) {
  if (!CloseAllowed()) {
    event->ignore();
    return;
  }
  if (modalLoop_) EndModal(ModalResult::Cancel);
  event->accept();
}

void Form::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && OnActivate) OnActivate(this, isActiveWindow());
}

}  // namespace platform
