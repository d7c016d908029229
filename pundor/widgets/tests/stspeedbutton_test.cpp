#include "widgets/stspeedbutton.h"

#include <gtest/gtest.h>

#include <QTest>

#include "widgets/tests/testing.h"

namespace {

struct Counts {
  int clicks = 0;
  int presses = 0;
};

Counts& Count(TstSpeedButton& button) {
  static Counts counts;
  counts = {};
  button.OnClick = [](TstSpeedButton*) { ++counts.clicks; };
  button.OnPress = [](TstSpeedButton*) { ++counts.presses; };
  return counts;
}

}  // namespace

TEST(TstSpeedButton, StartsAt22By23) {
  TstSpeedButton button;
  EXPECT_EQ(button.size(), QSize(22, 23));
}

TEST(TstSpeedButton, ClickFiresOnReleaseOverTheButtonOnly) {
  TstSpeedButton button;
  Counts& counts = Count(button);
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(button.Down());
  EXPECT_EQ(counts.presses, 1);
  EXPECT_EQ(counts.clicks, 0);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(button.Down());
  EXPECT_EQ(counts.clicks, 1);

  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(&button, QPoint(60, 5));
  EXPECT_FALSE(button.Down());
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(60, 5));
  EXPECT_EQ(counts.clicks, 1);
}

TEST(TstSpeedButton, KeepMouseStaysPressedOutside) {
  TstSpeedButton button;
  button.SetKeepMouse(true);
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(&button, QPoint(60, 40));
  EXPECT_TRUE(button.Down());
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(60, 40));
  EXPECT_FALSE(button.Down());
}

TEST(TstSpeedButton, DisabledButtonIgnoresPresses) {
  TstSpeedButton button;
  Counts& counts = Count(button);
  button.setEnabled(false);
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(counts.presses, 0);
  EXPECT_EQ(counts.clicks, 0);
}

TEST(TstSpeedButton, RepeatWaitsForTheDelayAndStopsAtRelease) {
  TstSpeedButton button;
  button.SetSpeed(10);
  button.SetDelay(150);
  Counts& counts = Count(button);
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::qWait(100);
  EXPECT_EQ(counts.presses, 1);
  QTest::qWait(150);
  EXPECT_GT(counts.presses, 2);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
  const int atRelease = counts.presses;
  QTest::qWait(50);
  EXPECT_EQ(counts.presses, atRelease);
}

TEST(TstSpeedButton, RepeatPausesWhileThePointerIsOutside) {
  TstSpeedButton button;
  button.SetSpeed(10);
  button.SetDelay(0);
  Counts& counts = Count(button);
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(&button, QPoint(80, 5));
  const int outside = counts.presses;
  QTest::qWait(60);
  EXPECT_EQ(counts.presses, outside);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(80, 5));
}

TEST(TstSpeedButton, FaceAndGlyphColoursFollowTheState) {
  TstSpeedButton button;
  button.resize(30, 30);
  button.SetKind(TButtonKind::bkClose);
  button.SetKindPercent(80);
  button.SetColor(QColor(10, 20, 30));
  button.SetColorDown(QColor(40, 50, 60));
  button.SetColorDisabled(QColor(70, 80, 90));
  button.SetFontColor(QColor(255, 0, 0));
  QImage image = Snapshot(button);
  EXPECT_EQ(PixelAt(image, 4, 14), QColor(10, 20, 30));
  EXPECT_TRUE(ContainsColor(image, QColor(255, 0, 0), QRect(12, 12, 6, 6)));

  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(PixelAt(Snapshot(button), 4, 14), QColor(40, 50, 60));
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));

  button.setEnabled(false);
  EXPECT_EQ(PixelAt(Snapshot(button), 4, 14), QColor(70, 80, 90));
}

TEST(TstSpeedButton, ArrowGlyphPointsItsWay) {
  TstSpeedButton button;
  button.resize(30, 30);
  button.SetKind(TButtonKind::bkArrowUp);
  button.SetKindPercent(100);
  button.SetFontColor(QColor(0, 255, 0));
  const QImage image = Snapshot(button);
  const auto greenWidth = [&](int y) {
    int count = 0;
    for (int x = 0; x < 30; ++x)
      count += PixelAt(image, x, y).green() > 200 && PixelAt(image, x, y).red() < 50;
    return count;
  };
  // An upward triangle is narrow at its tip and wide at its base.
  EXPECT_LT(greenWidth(11), greenWidth(19));
}
