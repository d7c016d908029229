// Holding the pointer in a screen rectangle: moves outside it arrive clamped
// and the pointer is put back inside.
#include "platform/pointer_clip.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QWidget>
#include <vector>

namespace {

// A window that records where it was told the pointer went.
class MoveRecorder : public QWidget {
 public:
  MoveRecorder() {
    setMouseTracking(true);
    setGeometry(0, 0, 300, 200);
    show();
    QApplication::processEvents();
  }
  std::vector<QPoint> moves;

 protected:
  void mouseMoveEvent(QMouseEvent* event) override { moves.push_back(event->globalPosition().toPoint()); }
};

class PointerClipTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::ReleasePointer(); }

  // A move as the window system delivers it to the widget.
  void SendMove(QPoint global) {
    QMouseEvent move(QEvent::MouseMove, window.mapFromGlobal(QPointF(global)), QPointF(global), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &move);
  }

  QRect Strip() const { return QRect(window.mapToGlobal(QPoint(100, 20)), QSize(1, 150)); }

  MoveRecorder window;
};

TEST_F(PointerClipTest, MovesOutsideArriveAtTheNearestPointInside) {
  platform::ConfinePointer(Strip());
  EXPECT_EQ(platform::PointerConfinement(), Strip());
  window.moves.clear();
  SendMove(Strip().topLeft() + QPoint(40, -15));
  ASSERT_FALSE(window.moves.empty());
  EXPECT_EQ(window.moves.front(), Strip().topLeft());
  EXPECT_EQ(QCursor::pos(), Strip().topLeft()) << "the pointer is put back";
  window.moves.clear();
  SendMove(Strip().bottomLeft() + QPoint(-30, 500));
  EXPECT_EQ(window.moves.front(), Strip().bottomLeft());
  window.moves.clear();
  const QPoint inside = Strip().topLeft() + QPoint(0, 60);
  SendMove(inside);
  ASSERT_EQ(window.moves.size(), 1u);
  EXPECT_EQ(window.moves.front(), inside);
}

TEST_F(PointerClipTest, ConfiningPullsAPointerOutsideIn) {
  QCursor::setPos(window.mapToGlobal(QPoint(10, 10)));
  platform::ConfinePointer(Strip());
  EXPECT_TRUE(Strip().contains(QCursor::pos()));
}

TEST_F(PointerClipTest, ReleaseFreesThePointer) {
  platform::ConfinePointer(Strip());
  platform::ReleasePointer();
  EXPECT_EQ(platform::PointerConfinement(), std::nullopt);
  window.moves.clear();
  const QPoint outside = Strip().topLeft() + QPoint(40, -15);
  SendMove(outside);
  ASSERT_EQ(window.moves.size(), 1u);
  EXPECT_EQ(window.moves.front(), outside);
  platform::ReleasePointer();  // releasing twice is harmless
}

TEST_F(PointerClipTest, ANewConfinementReplacesTheOldAndAnEmptyOneReleases) {
  platform::ConfinePointer(Strip());
  const QRect other(window.mapToGlobal(QPoint(10, 10)), QSize(50, 50));
  platform::ConfinePointer(other);
  EXPECT_EQ(platform::PointerConfinement(), other);
  window.moves.clear();
  SendMove(other.topLeft() + QPoint(100, 10));
  EXPECT_EQ(window.moves.front(), other.topLeft() + QPoint(49, 10));
  platform::ConfinePointer(QRect());
  EXPECT_EQ(platform::PointerConfinement(), std::nullopt);
}

}  // namespace
