#include "widgets/bevel.h"

#include <QPainter>
#include <algorithm>

QColor Shade(const QColor& color, int percent) {
  const int p = std::clamp(percent, -100, 100);
  const int target = p > 0 ? 255 : 0;
  const auto mix = [&](int channel) { return channel + (target - channel) * std::abs(p) / 100; };
  return QColor(mix(color.red()), mix(color.green()), mix(color.blue()), color.alpha());
}

QRect DrawBevel(QPainter& painter, const QRect& rect, TBevelCut cut, int width, const QColor& base,
                int shadowPercent, bool gradient) {
  if (cut == TBevelCut::bvNone || width <= 0) return rect;
  const bool raised = cut == TBevelCut::bvRaised;
  QRect ring = rect;
  for (int i = 0; i < width && ring.width() > 0 && ring.height() > 0; ++i) {
    const int strength = gradient ? shadowPercent * (width - i) / width : shadowPercent;
    const QColor lit = Shade(base, strength);
    const QColor shaded = Shade(base, -strength);
    const QColor& topLeft = raised ? lit : shaded;
    const QColor& bottomRight = raised ? shaded : lit;
    painter.fillRect(QRect(ring.left(), ring.top(), ring.width(), 1), topLeft);
    painter.fillRect(QRect(ring.left(), ring.top(), 1, ring.height()), topLeft);
    painter.fillRect(QRect(ring.left(), ring.bottom(), ring.width(), 1), bottomRight);
    painter.fillRect(QRect(ring.right(), ring.top() + 1, 1, ring.height() - 1), bottomRight);
    ring.adjust(1, 1, -1, -1);
  }
  return rect.adjusted(width, width, -width, -width);
}
