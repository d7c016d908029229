#include "widgets/myscrollbar.h"

#include <gtest/gtest.h>

#include <QTest>
#include <limits>

#include "widgets/stspeedbutton.h"
#include "widgets/tests/testing.h"

namespace {

void Click(TstSpeedButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(2, 2)); }

// A list's scroll bar, 20 x 200, bevel 3: arrows 14 x 14, track 166 pixels
// from y = 17 to the second arrow at y = 183.
struct VerticalBar {
  VerticalBar() {
    bar.SetKind(TScrollBarKind::sbVertical);
    bar.resize(20, 200);
    ShowForTest(bar);
    bar.OnPositionChange = [this](TmyScrollBar*) { ++placements; };
  }
  TmyScrollBar bar;
  int placements = 0;
};

}  // namespace

TEST(TmyScrollBar, StartsHorizontalWithItsDefaults) {
  TmyScrollBar bar;
  EXPECT_EQ(bar.size(), QSize(200, 20));
  EXPECT_EQ(bar.Kind(), TScrollBarKind::sbHorizontal);
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Length(), 20);
  EXPECT_EQ(bar.Bevel(), 3);
  EXPECT_EQ(bar.FirstArrow()->geometry(), QRect(3, 3, 14, 14));
  EXPECT_EQ(bar.SecondArrow()->geometry(), QRect(183, 3, 14, 14));
  EXPECT_EQ(bar.Thumb()->geometry(), QRect(17, 3, 33, 14));  // 166 * 20 / 100
}

TEST(TmyScrollBar, ListAtItsLastRowHasTheThumbAtTheEnd) {
  VerticalBar v;
  v.bar.SetMax(10);
  v.bar.SetLength(1);
  v.bar.SetPosition(9);
  EXPECT_EQ(v.bar.FirstArrow()->geometry(), QRect(3, 3, 14, 14));
  EXPECT_EQ(v.bar.SecondArrow()->geometry(), QRect(3, 183, 14, 14));
  EXPECT_EQ(v.bar.Thumb()->geometry(), QRect(3, 166, 14, 17));

  const int before = v.placements;
  Click(v.bar.SecondArrow());
  EXPECT_EQ(v.bar.Position(), 9);
  EXPECT_EQ(v.placements, before);
  Click(v.bar.FirstArrow());
  EXPECT_EQ(v.bar.Position(), 8);
  EXPECT_EQ(v.placements, before + 1);
}

TEST(TmyScrollBar, ThumbIsDrawnWhereItIsPlaced) {
  VerticalBar v;
  v.bar.SetMax(10);
  v.bar.SetLength(1);
  v.bar.SetPosition(9);
  const QImage image = Snapshot(v.bar);
  // The thumb's bevel, at full shadow, is white along its top-left edge.
  EXPECT_EQ(PixelAt(image, 3, 166), QColor(Qt::white));
  EXPECT_EQ(PixelAt(image, 3, 181), QColor(Qt::white));
  EXPECT_EQ(PixelAt(image, 16, 182), QColor(Qt::black));
  EXPECT_NE(PixelAt(image, 3, 165), QColor(Qt::white));
}

TEST(TmyScrollBar, LoweringMaxMovesThePageBack) {
  VerticalBar v;
  v.bar.SetMax(10);
  v.bar.SetLength(1);
  v.bar.SetPosition(9);
  v.bar.SetMax(5);
  EXPECT_EQ(v.bar.Position(), 4);
  EXPECT_EQ(v.bar.Length(), 1);
}

TEST(TmyScrollBar, EmptyRangeHidesTheThumbAndDisablesTheArrows) {
  VerticalBar v;
  v.bar.SetMax(0);
  EXPECT_TRUE(v.bar.Thumb()->isHidden());
  EXPECT_FALSE(v.bar.FirstArrow()->isEnabled());
  EXPECT_FALSE(v.bar.SecondArrow()->isEnabled());
  v.bar.SetMax(10);
  v.bar.SetLength(10);  // everything shown
  EXPECT_TRUE(v.bar.Thumb()->isHidden());
  v.bar.SetLength(3);
  EXPECT_FALSE(v.bar.Thumb()->isHidden());
  EXPECT_TRUE(v.bar.SecondArrow()->isEnabled());
}

TEST(TmyScrollBar, SettersKeepTheInvariants) {
  TmyScrollBar bar;
  bar.SetPosition(70);
  bar.SetMin(90);
  EXPECT_EQ(bar.Position(), 90);
  EXPECT_EQ(bar.Length(), 10);
  bar.SetMin(150);
  EXPECT_EQ(bar.Max(), 150);
  EXPECT_EQ(bar.Length(), 0);
  bar.SetMax(100);
  EXPECT_EQ(bar.Min(), 100);
  EXPECT_EQ(bar.Position(), 100);
  bar.SetMax(200);
  bar.SetLength(-5);
  EXPECT_EQ(bar.Length(), 0);
  bar.SetLength(500);
  EXPECT_EQ(bar.Length(), 100);
  EXPECT_EQ(bar.Position(), 100);
  EXPECT_FALSE(bar.SetRange(5, 4));
  EXPECT_TRUE(bar.SetRange(-10, 10));
  EXPECT_EQ(bar.Position(), -10);
  EXPECT_EQ(bar.Length(), 20);
  bar.SetLength(2);
  bar.SetPosition(1000);
  EXPECT_EQ(bar.Position(), 8);
}

TEST(TmyScrollBar, ArrowsStepByATenthOfThePagePlusOne) {
  TmyScrollBar bar;
  bar.SetLength(25);
  bar.SetPosition(50);
  Click(bar.SecondArrow());
  EXPECT_EQ(bar.Position(), 53);
  Click(bar.FirstArrow());
  EXPECT_EQ(bar.Position(), 50);
}

TEST(TmyScrollBar, PressingTheTrackPagesOnceAndTheBevelDoesNothing) {
  TmyScrollBar bar;
  ShowForTest(bar);
  bar.SetPosition(40);  // thumb at x 83..115
  PressAt(bar, QPoint(80, 10));
  EXPECT_EQ(bar.Position(), 19);
  PressAt(bar, QPoint(170, 10));
  EXPECT_EQ(bar.Position(), 40);
  PressAt(bar, QPoint(170, 2));  // the bevel along the long side
  PressAt(bar, QPoint(170, 17));
  EXPECT_EQ(bar.Position(), 40);
}

TEST(TmyScrollBar, DraggingTheThumbMovesInProportion) {
  TmyScrollBar bar;  // track 166, thumb 33: 133 free pixels for 80 positions
  TstSpeedButton* thumb = bar.Thumb();
  QTest::mousePress(thumb, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(bar.ThumbHeld());
  QTest::mouseMove(thumb, QPoint(5 + 33, 5));
  EXPECT_EQ(bar.Position(), 33 * 80 / 133);
  EXPECT_TRUE(thumb->Down());

  bar.SetPosition(0);  // a grid reporting back must not fight the drag
  EXPECT_EQ(bar.Position(), 33 * 80 / 133);
  QTest::mouseRelease(thumb, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(bar.ThumbHeld());
  bar.SetPosition(0);
  EXPECT_EQ(bar.Position(), 0);
}

TEST(TmyScrollBar, HugeRangesPlaceTheThumbWithoutOverflow) {
  VerticalBar v;
  const int64_t max = std::numeric_limits<int64_t>::max() / 2;
  v.bar.SetMax(max);
  v.bar.SetLength(1);
  v.bar.SetPosition(max - 1);
  const QRect thumb = v.bar.Thumb()->geometry();
  EXPECT_EQ(thumb.bottom() + 1, 183);
  EXPECT_EQ(thumb.height(), 16);  // the minimum for a vertical bar
}

TEST(TmyScrollBar, ThumbFillingTheTrackCannotBeDragged) {
  VerticalBar v;
  v.bar.resize(20, 40);  // track 6 pixels, thumb at its minimum of 16
  v.bar.SetMax(10);
  v.bar.SetLength(1);
  QTest::mousePress(v.bar.Thumb(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(v.bar.Thumb(), QPoint(5, 30));
  QTest::mouseRelease(v.bar.Thumb(), Qt::LeftButton, {}, QPoint(5, 30));
  EXPECT_EQ(v.bar.Position(), 0);
}
