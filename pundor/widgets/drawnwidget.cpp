#include "widgets/drawnwidget.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

TstDrawnWidget::TstDrawnWidget(QWidget* parent) : Guarded(parent) {}

void TstDrawnWidget::Invalidate() { Invalidate(rect()); }

void TstDrawnWidget::Invalidate(const QRect& rect) {
  const QRect clipped = rect.intersected(this->rect());
  if (clipped.isEmpty()) return;
  stale_ += clipped;
  update(clipped);
}

void TstDrawnWidget::RefreshLayer() {
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = size() * ratio;
  if (layer_.size() != pixels || layer_.devicePixelRatio() != ratio) {
    layer_ = QPixmap(pixels);
    layer_.setDevicePixelRatio(ratio);
    layer_.fill(Qt::transparent);  // gives the layer an alpha channel, for see-through controls
    stale_ = rect();
  }
  if (stale_.isEmpty() || layer_.isNull()) return;
  QPainter painter(&layer_);
  painter.setClipRegion(stale_);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(stale_.boundingRect(), Qt::transparent);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setFont(font());
  stale_ = QRegion();
  Render(painter);
}

void TstDrawnWidget::paintEvent(QPaintEvent* event) {
  RefreshLayer();
  if (layer_.isNull()) return;
  const qreal ratio = layer_.devicePixelRatio();
  QPainter painter(this);
  for (const QRect& part : event->region()) {
    painter.drawPixmap(
        QRectF(part), layer_,
        QRectF(part.x() * ratio, part.y() * ratio, part.width() * ratio, part.height() * ratio));
  }
}

void TstDrawnWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (event->size() != event->oldSize()) Invalidate();
}

void TstDrawnWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::FontChange:
    case QEvent::PaletteChange:
      Invalidate();
      break;
    default:
      break;
  }
}
