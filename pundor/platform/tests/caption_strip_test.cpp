#include "platform/caption_strip.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "platform/form.h"

namespace platform {
namespace {

class CaptionStrip : public testing::Test {
 protected:
  void SetUp() override {
    window.setGeometry(100, 100, 300, 120);
    strip = new QWidget(&window);
    strip->setGeometry(0, 0, 300, 18);
    label = new QLabel("Orvanta", strip);
    label->setGeometry(0, 0, 200, 18);
    button = new QPushButton(strip);
    button->setGeometry(280, 0, 18, 18);
    QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
    MakeCaptionStrip(strip, {label});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  // Presses at `from` (window coordinates), moves the pointer by `by` and
  // releases it there. Once the window has followed, the pointer is back at
  // `from` in the window's own coordinates.
  void Drag(QPoint from, QPoint by) {
    QWindow* handle = window.windowHandle();
    QTest::mousePress(handle, Qt::LeftButton, {}, from);
    QTest::mouseMove(handle, from + by);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, from);
  }

  Form window;
  QWidget* strip = nullptr;
  QLabel* label = nullptr;
  QPushButton* button = nullptr;
  int clicks = 0;
};

TEST_F(CaptionStrip, DraggingTheStripMovesTheWindow) {
  const QPoint before = window.pos();
  Drag({250, 9}, {30, 20});
  EXPECT_EQ(window.pos(), before + QPoint(30, 20));
}

TEST_F(CaptionStrip, DraggingTheCaptionLabelMovesTheWindowToo) {
  const QPoint before = window.pos();
  Drag({50, 9}, {-10, 15});
  EXPECT_EQ(window.pos(), before + QPoint(-10, 15));
}

TEST_F(CaptionStrip, ButtonsOnTheStripStillClick) {
  const QPoint before = window.pos();
  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, {289, 9});
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(window.pos(), before);
}

TEST_F(CaptionStrip, MovingWithoutPressingDoesNothing) {
  const QPoint before = window.pos();
  QTest::mouseMove(window.windowHandle(), {60, 9});
  QTest::mouseMove(window.windowHandle(), {90, 9});
  EXPECT_EQ(window.pos(), before);
}

TEST(CaptionColours, AreBlueWithWhiteTextWhenActiveAndGreyWithSilverOtherwise) {
  EXPECT_EQ(CaptionColoursFor(true).background, QColor(45, 64, 153));
  EXPECT_EQ(CaptionColoursFor(true).text, QColor(Qt::white));
  EXPECT_EQ(CaptionColoursFor(false).background, QColor(82, 82, 82));
  EXPECT_EQ(CaptionColoursFor(false).text, QColor(192, 192, 192));
}

}  // namespace
}  // namespace platform
