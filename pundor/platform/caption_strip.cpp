#include "platform/caption_strip.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace platform {
namespace {

// Drags the strip's window. The window system moves it where it can
// (startSystemMove); elsewhere the window follows the pointer.
class CaptionDrag : public QObject {
 public:
  explicit CaptionDrag(QWidget* strip) : QObject(strip), strip_(strip) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        return Press(static_cast<QMouseEvent*>(event));
      case QEvent::MouseMove:
        return Move(static_cast<QMouseEvent*>(event));
      case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
      case QEvent::MouseButtonDblClick:
        return true;
      default:
        return QObject::eventFilter(watched, event);
    }
  }

 private:
  bool Press(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return true;
    QWidget* window = strip_->window();
    if (window->windowHandle() && window->windowHandle()->startSystemMove()) return true;
    dragging_ = true;
    grabOffset_ = event->globalPosition().toPoint() - window->pos();
    return true;
  }

  bool Move(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton))
      strip_->window()->move(event->globalPosition().toPoint() - grabOffset_);
    return true;
  }

  QWidget* strip_;
  bool dragging_ = false;
  QPoint grabOffset_;
};

}  // namespace

void MakeCaptionStrip(QWidget* strip, std::initializer_list<QWidget*> passThrough) {
  strip->installEventFilter(new CaptionDrag(strip));
  for (QWidget* widget : passThrough) widget->setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

CaptionColours CaptionColoursFor(bool active) {
  if (active) return {QColor(0x2D, 0x40, 0x99), Qt::white};
  return {QColor(0x52, 0x52, 0x52), QColor(0xC0, 0xC0, 0xC0)};
}

}  // namespace platform
