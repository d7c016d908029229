#include "widgets/stspeedbutton.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "widgets/bevel.h"

TstSpeedButton::TstSpeedButton(QWidget* parent) : TstDrawnWidget(parent) {
  resize(sizeHint());
  repeat_.setTimerType(Qt::PreciseTimer);
  repeat_.setInterval(speed_);
  connect(&repeat_, &QTimer::timeout, this, [this] { RepeatTick(); });
}

void TstSpeedButton::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Invalidate();
}

void TstSpeedButton::SetKind(TButtonKind kind) {
  if (kind == kind_) return;
  kind_ = kind;
  Invalidate();
}

void TstSpeedButton::SetKindPercent(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == kindPercent_) return;
  kindPercent_ = percent;
  Invalidate();
}

void TstSpeedButton::SetColorField(QColor& field, const QColor& color) {
  if (field == color) return;
  field = color;
  Invalidate();
}

void TstSpeedButton::SetColor(const QColor& color) { SetColorField(color_, color); }
void TstSpeedButton::SetColorDown(const QColor& color) { SetColorField(colorDown_, color); }
void TstSpeedButton::SetColorDisabled(const QColor& color) { SetColorField(colorDisabled_, color); }
void TstSpeedButton::SetFontColor(const QColor& color) { SetColorField(fontColor_, color); }
void TstSpeedButton::SetFontColorDown(const QColor& color) { SetColorField(fontColorDown_, color); }
void TstSpeedButton::SetFontColorDisabled(const QColor& color) { SetColorField(fontColorDisabled_, color); }

void TstSpeedButton::SetBevelWidth(int width) {
  width = std::max(0, width);
  if (width == bevelWidth_) return;
  bevelWidth_ = width;
  Invalidate();
}

void TstSpeedButton::SetShadowOffset(int offset) {
  if (offset == shadowOffset_) return;
  shadowOffset_ = offset;
  Invalidate();
}

void TstSpeedButton::SetSpeed(int ms) {
  speed_ = std::max(1, ms);
  repeat_.setInterval(speed_);
}

void TstSpeedButton::SetDown(bool down) {
  if (down == down_) return;
  down_ = down;
  Invalidate();
}

void TstSpeedButton::EndPress() {
  if (!tracking_) return;
  tracking_ = false;
  repeat_.stop();
  SetDown(false);
  if (OnPressEnd) OnPressEnd(this);
}

void TstSpeedButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !isEnabled()) return TstDrawnWidget::mousePressEvent(event);
  tracking_ = true;
  SetDown(true);
  sincePress_.start();
  if (OnPress) repeat_.start();
  if (OnMouseDown) OnMouseDown(this, event);
  if (OnPress) OnPress(this);
}

void TstSpeedButton::mouseMoveEvent(QMouseEvent* event) {
  if (tracking_) SetDown(keepMouse_ || rect().contains(event->position().toPoint()));
  if (OnMouseMove) OnMouseMove(this, event);
}

void TstSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !tracking_) return TstDrawnWidget::mouseReleaseEvent(event);
  const bool overButton = rect().contains(event->position().toPoint());
  EndPress();
  if (overButton && OnClick) OnClick(this);
}

// A quick second click is a second press, not a double click.
void TstSpeedButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void TstSpeedButton::RepeatTick() {
  if (down_ && sincePress_.elapsed() >= delay_ && OnPress) OnPress(this);
}

void TstSpeedButton::changeEvent(QEvent* event) {
  TstDrawnWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange && !isEnabled()) EndPress();
}

// Only reached by a button given a focus policy: Space and Enter click it.
void TstSpeedButton::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter)
    return TstDrawnWidget::keyPressEvent(event);
  if (OnClick) OnClick(this);
}

bool TstSpeedButton::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::WindowBlocked:
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
      EndPress();
      break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      Invalidate();
      break;
    default:
      break;
  }
  return TstDrawnWidget::event(event);
}

QColor TstSpeedButton::FaceColor() const {
  if (!isEnabled()) return colorDisabled_;
  return down_ ? colorDown_ : color_;
}

QColor TstSpeedButton::GlyphColor() const {
  if (!isEnabled()) return fontColorDisabled_;
  return down_ ? fontColorDown_ : fontColor_;
}

void TstSpeedButton::Render(QPainter& painter) {
  const QColor face = FaceColor();
  painter.fillRect(rect(), face);
  QRect inside = DrawBevel(painter, rect(), down_ ? TBevelCut::bvLowered : TBevelCut::bvRaised, bevelWidth_,
                           face, shadowOffset_, true);
  if (down_) inside.translate(1, 1);
  if (kind_ != TButtonKind::bkCaption) RenderGlyph(painter, down_ ? rect().translated(1, 1) : rect());
  if (!caption_.isEmpty()) {
    painter.setPen(GlyphColor());
    painter.drawText(inside, Qt::AlignCenter | Qt::TextSingleLine, caption_);
  }
  if (hasFocus()) {
    painter.setPen(QPen(GlyphColor(), 1, Qt::DotLine));
    painter.drawRect(inside.adjusted(1, 1, -2, -2));
  }
}

void TstSpeedButton::RenderGlyph(QPainter& painter, const QRect& area) const {
  const int side = std::min(area.width(), area.height()) * kindPercent_ / 100;
  if (side <= 0) return;
  const QRectF box(area.center().x() + 1 - side / 2.0, area.center().y() + 1 - side / 2.0, side, side);
  const QColor glyph = GlyphColor();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal stroke = std::max(1.5, side / 6.0);
  const QPointF c = box.center();
  const qreal h = side / 2.0;
  QPainterPath arrow;
  switch (kind_) {
    case TButtonKind::bkArrowUp:
      arrow.addPolygon(
          QPolygonF({{box.left(), c.y() + h / 2}, {box.right(), c.y() + h / 2}, {c.x(), c.y() - h / 2}}));
      break;
    case TButtonKind::bkArrowDown:
      arrow.addPolygon(
          QPolygonF({{box.left(), c.y() - h / 2}, {box.right(), c.y() - h / 2}, {c.x(), c.y() + h / 2}}));
      break;
    case TButtonKind::bkArrowLeft:
      arrow.addPolygon(
          QPolygonF({{c.x() + h / 2, box.top()}, {c.x() + h / 2, box.bottom()}, {c.x() - h / 2, c.y()}}));
      break;
    case TButtonKind::bkArrowRight:
      arrow.addPolygon(
          QPolygonF({{c.x() - h / 2, box.top()}, {c.x() - h / 2, box.bottom()}, {c.x() + h / 2, c.y()}}));
      break;
    case TButtonKind::bkMinimize:
      painter.fillRect(QRectF(box.left(), box.bottom() - stroke, box.width(), stroke), glyph);
      break;
    case TButtonKind::bkClose:
      painter.setPen(QPen(glyph, stroke, Qt::SolidLine, Qt::FlatCap));
      painter.drawLine(box.topLeft(), box.bottomRight());
      painter.drawLine(box.topRight(), box.bottomLeft());
      break;
    case TButtonKind::bkCaption:
      break;
  }
  if (!arrow.isEmpty()) painter.fillPath(arrow, glyph);
  painter.restore();
}
