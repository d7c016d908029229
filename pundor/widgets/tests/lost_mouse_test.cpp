// A press on the speed buttons of the composite controls, and a drag of the
// scroll bar's thumb or the up-down's middle bar, ends however the mouse is
// lost. Driven with real pointer events through the window system, which
// drops the release for a window blocked by a modal window.
#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>
#include <vector>

#include "platform/application.h"
#include "platform/form.h"
#include "widgets/myscrollbar.h"
#include "widgets/myupdown.h"
#include "widgets/stspeedbutton.h"
#include "widgets/tests/testing.h"

namespace {

// A window with a mode stepper and a list's scroll bar, as on the main window.
struct Controls {
  Controls() {
    window.setGeometry(100, 100, 120, 220);
    upDown.setGeometry(10, 10, 16, 25);
    upDown.OnDirection = [this](TmyUpDown*, int amount) { steps.push_back(amount); };
    upDown.OnMiddleStart = [this](TmyUpDown*) { ++middleStarts; };
    upDown.OnMiddleEnd = [this](TmyUpDown*) { ++middleEnds; };
    bar.SetKind(TScrollBarKind::sbVertical);
    bar.setGeometry(60, 10, 20, 200);
    bar.SetRange(0, 100);
    bar.SetLength(20);
    bar.OnPositionChange = [this](TmyScrollBar*) { ++placements; };
    ShowForTest(window);
  }
  QPoint Centre(QWidget* part) const { return part->mapTo(&window, part->rect().center()); }
  void Press(QWidget* part) { QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, Centre(part)); }
  void Release(QWidget* part) {
    QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, Centre(part));
  }

  // A modal window appears while the button is held (a question, the wait
  // for a lost receiver); the operator lets go of the button over it, so the
  // release never reaches the blocked window. Then the modal window closes.
  void ModalWindowDuringPress(QWidget* held) {
    platform::Form modal;
    modal.setGeometry(300, 100, 100, 60);
    modal.OnShow = [&](platform::Form*) {
      platform::Post(&modal, [&] {
        Release(held);
        modal.SetModalResult(platform::ModalResult::Ok);
      });
    };
    modal.ShowModal();
  }

  QWidget window;
  TmyUpDown upDown{&window};
  TmyScrollBar bar{&window};
  std::vector<int> steps;
  int middleStarts = 0;
  int middleEnds = 0;
  int placements = 0;
};

}  // namespace

TEST(LostMouse, AModalWindowDuringAPressEndsThePressAndItsRepeat) {
  Controls c;
  c.Press(c.upDown.UpButton());
  ASSERT_EQ(c.steps, std::vector<int>{1});
  c.ModalWindowDuringPress(c.upDown.UpButton());
  EXPECT_FALSE(c.upDown.UpButton()->Down());

  c.Press(c.bar.SecondArrow());
  const int64_t stepped = c.bar.Position();
  EXPECT_EQ(stepped, 3);
  c.ModalWindowDuringPress(c.bar.SecondArrow());
  EXPECT_FALSE(c.bar.SecondArrow()->Down());

  // Past the repeat delay neither arrow steps again.
  QTest::qWait(700);
  EXPECT_EQ(c.steps, std::vector<int>{1});
  EXPECT_EQ(c.bar.Position(), stepped);
}

TEST(LostMouse, AModalWindowDuringADragEndsTheDrag) {
  Controls c;
  c.Press(c.bar.Thumb());
  ASSERT_TRUE(c.bar.ThumbHeld());
  c.ModalWindowDuringPress(c.bar.Thumb());
  EXPECT_FALSE(c.bar.ThumbHeld());
  c.bar.SetPosition(40);  // the list scrolls the bar again
  EXPECT_EQ(c.bar.Position(), 40);

  c.Press(c.upDown.MiddleBar());
  c.ModalWindowDuringPress(c.upDown.MiddleBar());
  EXPECT_EQ(c.middleEnds, 1);
  EXPECT_FALSE(c.upDown.MiddleBar()->Down());
}

TEST(LostMouse, DeactivatingOrHidingTheWindowEndsThePress) {
  Controls c;
  c.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&c.window));
  c.Press(c.upDown.DownButton());
  QWidget other;
  other.setGeometry(300, 300, 50, 50);
  ShowForTest(other);
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_FALSE(c.upDown.DownButton()->Down());

  c.Press(c.bar.FirstArrow());
  c.window.hide();
  EXPECT_FALSE(c.bar.FirstArrow()->Down());
  EXPECT_EQ(c.steps, std::vector<int>{-1});
}

// Every release that ends a drag of the middle bar reports its end, also
// when the pointer never moved.
TEST(LostMouse, MiddleBarReportsTheEndOfEveryDrag) {
  Controls c;
  c.Press(c.upDown.MiddleBar());
  c.Release(c.upDown.MiddleBar());
  EXPECT_EQ(c.middleStarts, 0);
  EXPECT_EQ(c.middleEnds, 1);
  c.Release(c.upDown.MiddleBar());  // no drag to end
  EXPECT_EQ(c.middleEnds, 1);
}
