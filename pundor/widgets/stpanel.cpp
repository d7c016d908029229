#include "widgets/stpanel.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kPanelShadowPercent = 40;
}

TstPanel::TstPanel(QWidget* parent) : TstDrawnWidget(parent) {}

void TstPanel::SetColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  Invalidate();
}

void TstPanel::SetBevelOuter(TBevelCut cut) {
  if (cut == bevelOuter_) return;
  bevelOuter_ = cut;
  Invalidate();
}

void TstPanel::SetBevelInner(TBevelCut cut) {
  if (cut == bevelInner_) return;
  bevelInner_ = cut;
  Invalidate();
}

void TstPanel::SetBevelWidth(int width) {
  width = std::max(0, width);
  if (width == bevelWidth_) return;
  bevelWidth_ = width;
  Invalidate();
}

void TstPanel::SetGradient(bool gradient) {
  if (gradient == gradient_) return;
  gradient_ = gradient;
  Invalidate();
}

void TstPanel::SetEnable4All(bool enable) {
  enable4All_ = enable;
  if (enable4All_) PassEnabledToChildren();
}

int TstPanel::BorderWidth() const {
  const int outer = bevelOuter_ == TBevelCut::bvNone ? 0 : bevelWidth_;
  const int inner = bevelInner_ == TBevelCut::bvNone ? 0 : bevelWidth_;
  return outer + inner;
}

QRect TstPanel::InnerRect() const {
  const int border = BorderWidth();
  return rect().adjusted(border, border, -border, -border);
}

void TstPanel::Render(QPainter& painter) { RenderPanel(painter); }

void TstPanel::RenderPanel(QPainter& painter) {
  painter.fillRect(rect(), color_);
  const QRect inside =
      DrawBevel(painter, rect(), bevelOuter_, bevelWidth_, color_, kPanelShadowPercent, gradient_);
  DrawBevel(painter, inside, bevelInner_, bevelWidth_, color_, kPanelShadowPercent, gradient_);
}

void TstPanel::PassEnabledToChildren() {
  const bool enabled = isEnabled();
  for (QObject* object : children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (child == nullptr || child->isWindow()) continue;
    const auto* tagged = dynamic_cast<const TTagged*>(child);
    if (tagged != nullptr && tagged->Tag() < 0) continue;
    child->setEnabled(enabled);
  }
}

void TstPanel::changeEvent(QEvent* event) {
  TstDrawnWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange && enable4All_) PassEnabledToChildren();
}

void TstPanel::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown)
    OnMouseDown(this, event);
  else
    TstDrawnWidget::mousePressEvent(event);
}

void TstPanel::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove)
    OnMouseMove(this, event);
  else
    TstDrawnWidget::mouseMoveEvent(event);
}

void TstPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseUp)
    OnMouseUp(this, event);
  else
    TstDrawnWidget::mouseReleaseEvent(event);
}

TstPanel* TstPanel::CreateClientPanel(QWidget* window) {
  auto* panel = new TstPanel(window);
  panel->setGeometry(window->rect());
  panel->SetGradient(true);
  panel->SetBevelWidth(3);
  return panel;
}
