#include "platform/pointer_clip.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace platform {
namespace {

QPoint Clamped(QPoint point, const QRect& area) {
  return {std::clamp(point.x(), area.left(), area.right()), std::clamp(point.y(), area.top(), area.bottom())};
}

// Watches every mouse move of the program: one outside the area is replaced
// by the same move at the nearest point inside, and the pointer follows.
class PointerClipFilter : public QObject {
 public:
  explicit PointerClipFilter(const QRect& area) : area_(area) {}
  const QRect& Area() const { return area_; }

  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (event->type() != QEvent::MouseMove) return false;
    auto* move = static_cast<QMouseEvent*>(event);
    const QPoint global = move->globalPosition().toPoint();
    if (area_.contains(global)) return false;
    const QPoint inside = Clamped(global, area_);
    if (QCursor::pos() != inside) QCursor::setPos(inside);
    return Redeliver(receiver, *move, inside);
  }

 private:
  // Sends the clamped move in place of the original; false when the receiver
  // is not one that takes pointer positions, so the original goes on.
  static bool Redeliver(QObject* receiver, const QMouseEvent& original, QPoint global) {
    QPointF local;
    QPointF scene;
    if (auto* widget = qobject_cast<QWidget*>(receiver)) {
      local = widget->mapFromGlobal(QPointF(global));
      scene = widget->window()->mapFromGlobal(QPointF(global));
    } else if (auto* window = qobject_cast<QWindow*>(receiver)) {
      local = scene = window->mapFromGlobal(QPointF(global));
    } else {
      return false;
    }
    QMouseEvent clamped(QEvent::MouseMove, local, scene, QPointF(global), original.button(),
                        original.buttons(), original.modifiers(), original.pointingDevice());
    clamped.setTimestamp(original.timestamp());
    QCoreApplication::sendEvent(receiver, &clamped);
    return true;
  }

  QRect area_;
};

QPointer<PointerClipFilter>& ActiveFilter() {
  static QPointer<PointerClipFilter> filter;
  return filter;
}

}  // namespace

void ConfinePointer(const QRect& screenRect) {
  ReleasePointer();
  if (screenRect.isEmpty() || QCoreApplication::instance() == nullptr) return;
  // Parented to the application, so it goes when the application does.
  auto* filter = new PointerClipFilter(screenRect);
  filter->setParent(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(filter);
  ActiveFilter() = filter;
  const QPoint now = QCursor::pos();
  if (!screenRect.contains(now)) QCursor::setPos(Clamped(now, screenRect));
}

void ReleasePointer() {
  if (PointerClipFilter* filter = ActiveFilter()) {
    ActiveFilter() = nullptr;
    delete filter;  // also uninstalls it
  }
}

std::optional<QRect> PointerConfinement() {
  if (const PointerClipFilter* filter = ActiveFilter()) return filter->Area();
  return std::nullopt;
}

}  // namespace platform
