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

Form::Form(QWidget* parent) : Guarded(parent, Qt::Window | Qt::FramelessWindowHint) {
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

namespace {

// One axis of a placement: where a window starts, and how far it reaches.
struct Span {
  int start, length;
  int End() const { return start + length; }
};

int Overlap(const Span& a, const Span& b) {
  return std::max(0, std::min(a.End(), b.End()) - std::max(a.start, b.start));
}

// `start` moved so that a window of `length` lies in `area` as far as it fits.
int Inside(int start, int length, const Span& area) {
  return std::max(area.start, std::min(start, area.End() - length));
}

// Along one axis, the start in `area` that overlaps `anchor` least: after
// it, before it, or at either end of the area, in that order of preference.
int LeastOverlap(int length, const Span& anchor, const Span& area) {
  int best = 0, bestOverlap = -1;
  for (const int start : {anchor.End(), anchor.start - length, area.End() - length, area.start}) {
    const int inside = Inside(start, length, area);
    const int overlap = Overlap({inside, length}, anchor);
    if (bestOverlap < 0 || overlap < bestOverlap) best = inside, bestOverlap = overlap;
  }
  return best;
}

}  // namespace

QPoint PlaceBeside(const QSize& size, const QRect& anchor, const QRect& area) {
  const Span anchorX{anchor.left(), anchor.width()}, anchorY{anchor.top(), anchor.height()};
  const Span areaX{area.left(), area.width()}, areaY{area.top(), area.height()};
  const int x = LeastOverlap(size.width(), anchorX, areaX);
  const int y = LeastOverlap(size.height(), anchorY, areaY);
  // Clear of the anchor along one axis: level with it along the other.
  if (Overlap({x, size.width()}, anchorX) == 0) return {x, Inside(anchor.top(), size.height(), areaY)};
  if (Overlap({y, size.height()}, anchorY) == 0) return {Inside(anchor.left(), size.width(), areaX), y};
  return {x, y};
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
