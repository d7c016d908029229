#include "widgets/stgauge.h"

#include <gtest/gtest.h>

#include <QPainter>

#include "widgets/tests/testing.h"

namespace {

const QColor kFore(0x00, 0xb0, 0x00);
const QColor kBack(0x00, 0x50, 0x00);
const QColor kColor(0x42, 0x42, 0x42);

// The main window's signal gauge, 200 x 20: inner rect (2, 2, 196, 16),
// scale bar 196 * 88 % = 172 pixels wide.
void SetUpSignalGauge(TstGauge& gauge) {
  gauge.resize(200, 20);
  gauge.SetBevelOuter(TBevelCut::bvNone);
  gauge.SetBevelInner(TBevelCut::bvLowered);
  gauge.SetGradient(true);
  gauge.SetBevelWidth(2);
  gauge.SetMin(0);
  gauge.SetMax(255);
  gauge.SetGaugePercent(88);
  gauge.SetBackColor(kBack);
  gauge.SetForeColor(kFore);
  gauge.SetColor(kColor);
  QFont small("Arial");
  small.setPixelSize(8);
  gauge.setFont(small);
}

// Width of the run of a colour along the inner top row, from the inner left.
int RunWidth(const QImage& image, const QColor& color, int from) {
  int x = from;
  while (x < image.width() && image.pixelColor(x, 2) == color) ++x;
  return x - from;
}

}  // namespace

TEST(TstGauge, CurrentAboveMaxShowsMaxAndAFullBar) {
  TstGauge gauge;
  SetUpSignalGauge(gauge);
  gauge.SetCurrent(300);
  EXPECT_EQ(gauge.Current(), 255);
  EXPECT_EQ(gauge.GaugeRect(), QRect(2, 2, 172, 16));
  const QImage image = Snapshot(gauge);
  EXPECT_EQ(RunWidth(image, kFore, 2), 172);
  EXPECT_EQ(PixelAt(image, 2 + 172, 2), kColor);
}

TEST(TstGauge, ValueBarIsRoundedToTheNearestPixel) {
  TstGauge gauge;
  SetUpSignalGauge(gauge);
  gauge.SetCurrent(128);  // 172 * 128 / 255 = 86.3
  const QImage image = Snapshot(gauge);
  EXPECT_EQ(RunWidth(image, kFore, 2), 86);
  EXPECT_EQ(RunWidth(image, kBack, 2 + 86), 172 - 86);
}

TEST(TstGauge, ZeroShowsOnlyTheScaleBar) {
  TstGauge gauge;
  SetUpSignalGauge(gauge);
  const QImage image = Snapshot(gauge);
  EXPECT_EQ(RunWidth(image, kBack, 2), 172);
}

TEST(TstGauge, EqualMinAndMaxDrawsAnEmptyBar) {
  TstGauge gauge;
  SetUpSignalGauge(gauge);
  gauge.SetMax(0);
  gauge.SetCurrent(5);
  EXPECT_EQ(gauge.Current(), 0);
  EXPECT_EQ(gauge.ValueBarWidth(), 0);
  EXPECT_EQ(RunWidth(Snapshot(gauge), kBack, 2), 172);
}

TEST(TstGauge, SettersKeepTheRangeInOrder) {
  TstGauge gauge;
  gauge.SetCurrent(50);
  gauge.SetMin(150);
  EXPECT_EQ(gauge.Max(), 150);
  EXPECT_EQ(gauge.Current(), 150);
  gauge.SetMax(20);
  EXPECT_EQ(gauge.Min(), 20);
  EXPECT_EQ(gauge.Current(), 20);
  gauge.SetGaugePercent(140);
  EXPECT_EQ(gauge.GaugePercent(), 100);
  gauge.SetGaugePercent(-3);
  EXPECT_EQ(gauge.GaugePercent(), 0);
}

TEST(TstGauge, TooSmallForItsBevelsDrawsNothingMore) {
  TstGauge gauge;
  SetUpSignalGauge(gauge);
  gauge.resize(3, 3);
  int calls = 0;
  gauge.OnAfterDraw = [&](TstGauge*, QPainter&, const QRect&) { ++calls; };
  Snapshot(gauge);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(gauge.GaugeRect(), QRect());
}

TEST(TstGauge, AfterDrawGetsTheScaleBar) {
  TstGauge gauge;
  SetUpSignalGauge(gauge);
  QRect seen;
  gauge.OnAfterDraw = [&](TstGauge*, QPainter& painter, const QRect& scale) {
    seen = scale;
    painter.fillRect(scale.left(), scale.top(), 1, 1, Qt::red);
  };
  const QImage image = Snapshot(gauge);
  EXPECT_EQ(seen, QRect(2, 2, 172, 16));
  EXPECT_EQ(PixelAt(image, 2, 2), QColor(Qt::red));
}
