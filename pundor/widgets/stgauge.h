#pragma once
// Bar gauge: a scale bar taking GaugePercent of the inner width, a value bar
// over it in proportion to Current, and the number at the right.
#include <QColor>
#include <QRect>
#include <cstdint>
#include <functional>

#include "widgets/stpanel.h"

class TstGauge : public TstPanel {
 public:
  explicit TstGauge(QWidget* parent = nullptr);

  int32_t Min() const { return min_; }
  void SetMin(int32_t min);
  int32_t Max() const { return max_; }
  void SetMax(int32_t max);
  int32_t Current() const { return current_; }
  void SetCurrent(int32_t current);
  QColor ForeColor() const { return foreColor_; }
  void SetForeColor(const QColor& color);
  QColor BackColor() const { return backColor_; }
  void SetBackColor(const QColor& color);
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color);
  int GaugePercent() const { return gaugePercent_; }
  void SetGaugePercent(int percent);
  int Indent() const { return indent_; }
  void SetIndent(int indent);

  // The scale bar's rectangle as last laid out.
  QRect GaugeRect() const;
  // Width of the value bar for the current settings.
  int ValueBarWidth() const;

  // Called after every drawing with the painter and the scale bar's rectangle.
  std::function<void(TstGauge*, QPainter&, const QRect&)> OnAfterDraw;

 protected:
  void Render(QPainter& painter) override;

 private:
  QRect GaugeInnerRect() const;
  void SetColorField(QColor& field, const QColor& color);

  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t current_ = 0;
  QColor foreColor_{0xff, 0xff, 0xff};
  QColor backColor_{0, 0, 0};
  QColor fontColor_{0xc0, 0xc0, 0xc0};
  int gaugePercent_ = 80;
  int indent_ = 0;
};
