#include "widgets/stpanel.h"

#include <gtest/gtest.h>

#include <QTest>

#include "widgets/mylabel.h"
#include "widgets/stspeedbutton.h"
#include "widgets/tests/testing.h"

TEST(TstPanel, Enable4AllPassesTheStateToChildrenWithoutNegativeTag) {
  TstPanel panel;
  panel.SetEnable4All(true);
  auto* button = new TstSpeedButton(&panel);
  auto* own = new TmyLabel(&panel);
  own->SetTag(-1);
  auto* plain = new QWidget(&panel);
  button->setEnabled(false);  // the panel's state wins over the child's own

  panel.setEnabled(false);
  EXPECT_FALSE(button->isEnabledTo(&panel));
  EXPECT_FALSE(plain->isEnabledTo(&panel));
  EXPECT_TRUE(own->isEnabledTo(&panel));

  panel.setEnabled(true);
  EXPECT_TRUE(button->isEnabled());
  EXPECT_TRUE(plain->isEnabled());
  EXPECT_TRUE(own->isEnabled());
}

TEST(TstPanel, WithoutEnable4AllChildrenKeepTheirOwnState) {
  TstPanel panel;
  auto* button = new TstSpeedButton(&panel);
  button->setEnabled(false);
  panel.setEnabled(false);
  panel.setEnabled(true);
  EXPECT_FALSE(button->isEnabled());
}

TEST(TstPanel, BevelsLightTheTopLeftAndShadeTheBottomRight) {
  TstPanel panel;
  panel.resize(40, 30);
  panel.SetColor(QColor(0x42, 0x42, 0x42));
  panel.SetBevelOuter(TBevelCut::bvRaised);
  panel.SetBevelInner(TBevelCut::bvLowered);
  panel.SetBevelWidth(2);
  EXPECT_EQ(panel.BorderWidth(), 4);
  EXPECT_EQ(panel.InnerRect(), QRect(4, 4, 32, 22));

  const QImage image = Snapshot(panel);
  const int base = 0x42;
  EXPECT_GT(PixelAt(image, 0, 10).red(), base);   // outer raised: lit left edge
  EXPECT_LT(PixelAt(image, 39, 10).red(), base);  // shaded right edge
  EXPECT_LT(PixelAt(image, 2, 10).red(), base);   // inner lowered: shaded left edge
  EXPECT_GT(PixelAt(image, 37, 10).red(), base);
  EXPECT_EQ(PixelAt(image, 20, 15), QColor(base, base, base));
}

TEST(TstPanel, GradientBevelFadesTowardsThePanelColour) {
  TstPanel panel;
  panel.resize(40, 30);
  panel.SetGradient(true);
  panel.SetBevelWidth(3);
  const QImage image = Snapshot(panel);
  const int outer = PixelAt(image, 0, 15).red();
  const int middle = PixelAt(image, 1, 15).red();
  const int inner = PixelAt(image, 2, 15).red();
  EXPECT_GT(outer, middle);
  EXPECT_GT(middle, inner);
  EXPECT_GT(inner, 0x42);
}

TEST(TstPanel, MouseNotificationsReachTheOwner) {
  TstPanel panel;
  panel.resize(50, 20);
  QPoint pressedAt;
  panel.OnMouseDown = [&](TstPanel*, QMouseEvent* event) { pressedAt = event->position().toPoint(); };
  QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(7, 9));
  EXPECT_EQ(pressedAt, QPoint(7, 9));
}
