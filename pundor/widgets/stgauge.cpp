#include "widgets/stgauge.h"

#include <QPainter>
#include <algorithm>

namespace {

// a * b / c rounded to the nearest integer, for non-negative a, b and positive c.
int MulDivRounded(int64_t a, int64_t b, int64_t c) { return int((2 * a * b + c) / (2 * c)); }

}  // namespace

TstGauge::TstGauge(QWidget* parent) : TstPanel(parent) {}

void TstGauge::SetMin(int32_t min) {
  if (min == min_) return;
  min_ = min;
  max_ = std::max(max_, min_);
  current_ = std::clamp(current_, min_, max_);
  Invalidate();
}

void TstGauge::SetMax(int32_t max) {
  if (max == max_) return;
  max_ = max;
  min_ = std::min(min_, max_);
  current_ = std::clamp(current_, min_, max_);
  Invalidate();
}

void TstGauge::SetCurrent(int32_t current) {
  current = std::clamp(current, min_, max_);
  if (current == current_) return;
  current_ = current;
  Invalidate();
}

void TstGauge::SetColorField(QColor& field, const QColor& color) {
  if (field == color) return;
  field = color;
  Invalidate();
}

void TstGauge::SetForeColor(const QColor& color) { SetColorField(foreColor_, color); }
void TstGauge::SetBackColor(const QColor& color) { SetColorField(backColor_, color); }
void TstGauge::SetFontColor(const QColor& color) { SetColorField(fontColor_, color); }

void TstGauge::SetGaugePercent(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == gaugePercent_) return;
  gaugePercent_ = percent;
  Invalidate();
}

void TstGauge::SetIndent(int indent) {
  if (indent == indent_) return;
  indent_ = indent;
  Invalidate();
}

QRect TstGauge::GaugeInnerRect() const { return InnerRect().adjusted(indent_, indent_, -indent_, -indent_); }

QRect TstGauge::GaugeRect() const {
  const QRect inner = GaugeInnerRect();
  if (inner.isEmpty()) return {};
  return {inner.left(), inner.top(), MulDivRounded(inner.width(), gaugePercent_, 100), inner.height()};
}

// The bar shows where Current lies between Min and Max; a gauge without a
// range has nothing to show.
int TstGauge::ValueBarWidth() const {
  const int64_t range = int64_t(max_) - min_;
  if (range <= 0) return 0;
  return MulDivRounded(GaugeRect().width(), int64_t(current_) - min_, range);
}

void TstGauge::Render(QPainter& painter) {
  RenderPanel(painter);
  const QRect inner = GaugeInnerRect();
  if (inner.isEmpty()) return;
  painter.fillRect(inner, Color());
  const QRect scale = GaugeRect();
  painter.fillRect(scale, backColor_);
  painter.fillRect(QRect(scale.left(), scale.top(), ValueBarWidth(), scale.height()), foreColor_);
  painter.setPen(fontColor_);
  painter.drawText(inner, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, QString::number(current_));
  if (OnAfterDraw) OnAfterDraw(this, painter, scale);
}
