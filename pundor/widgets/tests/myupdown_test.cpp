#include "widgets/myupdown.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <vector>

#include "widgets/frequencyedit.h"
#include "widgets/myintedit.h"
#include "widgets/stspeedbutton.h"
#include "widgets/tests/testing.h"

namespace {

struct Recorder {
  explicit Recorder(TmyUpDown& upDown) {
    upDown.OnDirection = [this](TmyUpDown*, int amount) { amounts.push_back(amount); };
    upDown.OnMiddleStart = [this](TmyUpDown*) { ++starts; };
    upDown.OnMiddleEnd = [this](TmyUpDown*) { ++ends; };
  }
  std::vector<int> amounts;
  int starts = 0;
  int ends = 0;
};

void Wheel(QWidget* target, int delta) {
  QWheelEvent event(QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)), QPoint(), QPoint(0, delta),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &event);
}

void MoveMiddle(TstSpeedButton* bar, int globalY) {
  const QPointF global(bar->mapToGlobal(QPoint(1, 1)).x(), globalY);
  QMouseEvent event(QEvent::MouseMove, bar->mapFromGlobal(global), global, Qt::NoButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(bar, &event);
}

}  // namespace

TEST(TmyUpDown, ArrowsAndBarShareTheHeight) {
  TmyUpDown upDown;
  upDown.resize(17, 26);
  ShowForTest(upDown);
  EXPECT_EQ(upDown.UpButton()->geometry(), QRect(0, 0, 17, 11));
  EXPECT_EQ(upDown.MiddleBar()->geometry(), QRect(0, 11, 17, 3));
  EXPECT_EQ(upDown.DownButton()->geometry(), QRect(0, 14, 17, 11));
  EXPECT_EQ(upDown.MiddleBar()->cursor().shape(), Qt::SplitVCursor);
}

TEST(TmyUpDown, HoldingAnArrowStepsOnceThenRepeatsAfterHalfASecond) {
  TmyUpDown upDown;
  upDown.resize(17, 25);
  Recorder record(upDown);
  QTest::mousePress(upDown.UpButton(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(record.amounts.size(), 1u);
  QTest::qWait(1200);
  QTest::mouseRelease(upDown.UpButton(), Qt::LeftButton, {}, QPoint(3, 3));
  const size_t repeats = record.amounts.size() - 1;
  EXPECT_GE(repeats, 7u);
  EXPECT_LE(repeats, 9u);
  for (int amount : record.amounts) EXPECT_EQ(amount, 1);
}

TEST(TmyUpDown, ArrowsStepTheLinkedIntegerField) {
  TmyUpDown upDown;
  TmyIntEdit edit;
  edit.SetMax(20);
  upDown.SetIntEdit(&edit);
  EXPECT_EQ(edit.UpDown(), &upDown);
  upDown.SetStep(5);
  QTest::mouseClick(upDown.UpButton(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(edit.Value(), 5);
  QTest::mouseClick(upDown.DownButton(), Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseClick(upDown.DownButton(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(edit.Value(), 0);  // clamped by the field
}

TEST(TmyUpDown, FieldShowingAnUndefinedTextStepsOnlyWithinItsLimitsOrOntoTheUndefinedValue) {
  TmyUpDown upDown;
  TmyIntEdit edit;
  edit.SetMin(0);
  edit.SetMax(2);
  edit.SetUndefValue(-1);
  edit.SetUndefValueText("off");
  edit.SetDisplayUndefValueText(true);
  edit.SetValue(-1);
  upDown.SetIntEdit(&edit);
  const auto up = [&] { QTest::mouseClick(upDown.UpButton(), Qt::LeftButton, {}, QPoint(3, 3)); };
  const auto down = [&] { QTest::mouseClick(upDown.DownButton(), Qt::LeftButton, {}, QPoint(3, 3)); };
  down();
  EXPECT_EQ(edit.Value(), -1);
  up();
  EXPECT_EQ(edit.Value(), 0);
  down();
  EXPECT_EQ(edit.Value(), -1);
  EXPECT_EQ(edit.text(), "off");
  up(), up(), up(), up();
  EXPECT_EQ(edit.Value(), 2);
}

TEST(TmyUpDown, DirectionIsReportedBeforeTheFieldsChange) {
  TmyUpDown upDown;
  TmyFrequencyEdit frequency;
  upDown.SetFrequencyEdit(&frequency);
  upDown.SetStep(1000);
  std::vector<int64_t> seen;
  upDown.OnDirection = [&](TmyUpDown*, int) { seen.push_back(frequency.Value()); };
  QTest::mouseClick(upDown.UpButton(), Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseClick(upDown.UpButton(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(seen, (std::vector<int64_t>{0, 1000}));
  EXPECT_EQ(frequency.Value(), 2000);
}

TEST(TmyUpDown, WheelStepsOncePerMessageBySign) {
  TmyUpDown upDown;
  Recorder record(upDown);
  Wheel(&upDown, 120);
  Wheel(&upDown, -240);
  Wheel(&upDown, 30);  // a fine-grained wheel still steps up
  EXPECT_EQ(record.amounts, (std::vector<int>{1, -1, 1}));
}

TEST(TmyUpDown, LinkedFieldsPassTheirWheelOn) {
  TmyUpDown upDown;
  TmyIntEdit edit;
  TmyFrequencyEdit frequency;
  upDown.SetIntEdit(&edit);
  upDown.SetFrequencyEdit(&frequency);
  Wheel(&edit, 120);
  Wheel(&frequency, 120);
  EXPECT_EQ(edit.Value(), 2);
  EXPECT_EQ(frequency.Value(), 2);
}

TEST(TmyUpDown, DraggingTheMiddleBarReportsThePixelDistance) {
  QWidget window;
  window.move(100, 300);
  TmyUpDown upDown(&window);
  upDown.move(10, 10);
  upDown.resize(17, 25);
  TmyIntEdit edit;
  upDown.SetIntEdit(&edit);
  upDown.SetStep(2);
  Recorder record(upDown);
  TstSpeedButton* bar = upDown.MiddleBar();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  const int y = bar->mapToGlobal(QPoint(1, 1)).y();
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 1));
  MoveMiddle(bar, y - 5);
  MoveMiddle(bar, y - 5);  // no vertical movement: nothing to report
  MoveMiddle(bar, y + 3);
  EXPECT_EQ(record.starts, 1);
  EXPECT_EQ(record.amounts, (std::vector<int>{5, -8}));
  EXPECT_EQ(edit.Value(), -6);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_EQ(record.ends, 1);
}

TEST(TmyUpDown, DragWrapsThePointerAtTheScreenEdges) {
  QWidget window;
  window.move(100, 300);
  TmyUpDown upDown(&window);
  upDown.resize(17, 25);
  Recorder record(upDown);
  TstSpeedButton* bar = upDown.MiddleBar();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QRect screen = upDown.screen()->geometry();

  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 1));
  MoveMiddle(bar, screen.top());
  EXPECT_EQ(QCursor::pos().y(), screen.bottom());
  const size_t reported = record.amounts.size();
  MoveMiddle(bar, screen.bottom());  // the jump itself is only recorded
  EXPECT_EQ(record.amounts.size(), reported);
  MoveMiddle(bar, screen.bottom() - 4);
  EXPECT_EQ(record.amounts.back(), 4);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1, 1));
}

TEST(TmyUpDown, DisablingDisablesAllThreeButtons) {
  TmyUpDown upDown;
  Recorder record(upDown);
  upDown.setEnabled(false);
  EXPECT_FALSE(upDown.UpButton()->isEnabled());
  EXPECT_FALSE(upDown.MiddleBar()->isEnabled());
  Wheel(&upDown, 120);
  EXPECT_TRUE(record.amounts.empty());
}
