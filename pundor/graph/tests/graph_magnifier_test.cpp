// The magnifier and the readout box, driven by real pointer moves.
#include <QPaintEvent>

#include "graph_fixture.h"

namespace graph_test {
namespace {

constexpr int kLensGrow = 30;  // (40 * 2.5 - 40) / 2

class GraphMagnifierTest : public GraphTest {
 protected:
  QPoint Centre() const { return Plot().center(); }
  int TextHeight() const { return QFontMetrics(graph->font(), &graph->BackgroundImage()).height(); }
};

TEST_F(GraphMagnifierTest, StaysOffOutsideThePlot) {
  MoveTo(QPoint(Plot().left() - 1, Centre().y()));
  EXPECT_FALSE(graph->MagnifierShown());
  MoveTo(QPoint(Centre().x(), Plot().bottom() + 1));
  EXPECT_FALSE(graph->MagnifierShown());
  EXPECT_EQ(graph->CursorToValue(Centre()), std::nullopt);
  EXPECT_EQ(Grab(), graph->BackgroundImage());
}

TEST_F(GraphMagnifierTest, SourceSquareCentresOnThePointerWithTheLensAroundIt) {
  MoveTo(Centre());
  ASSERT_TRUE(graph->MagnifierShown());
  const QPoint c = Centre();
  EXPECT_EQ(graph->SourceRect(), QRect(c - QPoint(20, 20), c + QPoint(20, 20)));
  const QRect lens(QPoint(c.x() - 20 - kLensGrow, c.y() - 20 - kLensGrow),
                   QPoint(c.x() + 20 + kLensGrow, c.y() - 20 - kLensGrow + 100));
  EXPECT_EQ(graph->LensRect(), lens);
  EXPECT_EQ(graph->FrameRect(), lens.adjusted(-1, -1, 1, 1));
}

TEST_F(GraphMagnifierTest, SourceSquareIsPushedAgainstANearEdge) {
  const QRect p = Plot();
  struct Case {
    QPoint at;
    QPoint sourceTopLeft;
  };
  for (const Case& c : {Case{QPoint(p.left() + 5, p.top() + 19), p.topLeft()},
                        Case{QPoint(p.right() - 19, p.bottom()), QPoint(p.right() - 40, p.bottom() - 40)},
                        Case{QPoint(p.left() + 20, p.bottom() - 20), QPoint(p.left(), p.bottom() - 40)}}) {
    MoveTo(QPoint(-20, -20));  // leaving switches it off
    MoveTo(c.at);
    ASSERT_TRUE(graph->MagnifierShown());
    EXPECT_EQ(graph->SourceRect().topLeft(), c.sourceTopLeft) << c.at.x() << "," << c.at.y();
    EXPECT_EQ(graph->SourceRect().size(), QSize(41, 41)) << "40 pixels from edge to edge";
  }
}

TEST_F(GraphMagnifierTest, LensFollowsThePointerByItsOvershoot) {
  MoveTo(Centre());
  const QRect lens = graph->LensRect();
  const QRect source = graph->SourceRect();
  MoveTo(lens.bottomRight());  // inside, edges included: nothing moves
  EXPECT_EQ(graph->LensRect(), lens);
  MoveTo(QPoint(lens.right() + 7, lens.top() - 3));
  EXPECT_EQ(graph->LensRect(), lens.translated(7, -3));
  EXPECT_EQ(graph->SourceRect(), source.translated(7, -3));
}

TEST_F(GraphMagnifierTest, DisappearsWhenItsSourceWouldLeaveThePlot) {
  MoveTo(Centre());
  const int room = Plot().right() - graph->SourceRect().right();
  MoveTo(QPoint(graph->LensRect().right() + room, Centre().y()));
  ASSERT_TRUE(graph->MagnifierShown());
  EXPECT_EQ(graph->SourceRect().right(), Plot().right());
  MoveTo(QPoint(graph->LensRect().right() + 1, Centre().y()));
  EXPECT_FALSE(graph->MagnifierShown());
  EXPECT_EQ(Grab(), graph->BackgroundImage()) << "nothing of the magnifier is left behind";
}

TEST_F(GraphMagnifierTest, LensShowsTheZoomImageInsideAGreyFrame) {
  AddFlatSet(0.0);
  MoveTo(QPoint(Centre().x(), Plot().top() + 2));
  const QImage image = Grab();
  const QRect lens = graph->LensRect();
  // The source lies against the top: the enlarged top edge of the plot, with
  // its lime line, is the lens's top row.
  EXPECT_EQ(graph->ZoomRect().top(), 0);
  EXPECT_EQ(Pixel(image, lens.left() + 2, lens.top()), kLime);
  const QColor frame = Pixel(image, graph->FrameRect().left(), lens.center().y());
  EXPECT_EQ(frame.red(), frame.green());
  EXPECT_EQ(frame.red(), frame.blue());
  EXPECT_GE(frame.red(), 150);
  EXPECT_LE(frame.red(), 252);
  EXPECT_EQ(Pixel(image, graph->FrameRect().right(), lens.bottom() - 2), frame);
  EXPECT_EQ(Pixel(image, lens.center().x(), graph->FrameRect().bottom()), frame);
}

TEST_F(GraphMagnifierTest, CursorToValueReadsRawAndLevelUnderThePointer) {
  const QRect p = Plot();
  MoveTo(QPoint(RawX(p, 128), LevelY(p, 70)));
  const auto value = graph->CursorToValue(QPoint(RawX(p, 128), LevelY(p, 70)));
  ASSERT_TRUE(value.has_value());
  EXPECT_NEAR(value->Raw, 128, 1);
  EXPECT_NEAR(value->Level, -70.0, 0.6);
  EXPECT_DOUBLE_EQ(value->Level * 10, std::round(value->Level * 10)) << "a tenth of a dB";
}

TEST_F(GraphMagnifierTest, CursorToValueStaysOnTheScalesAroundThePlotsEdges) {
  MoveTo(QPoint(Plot().right() - 1, Plot().top() + 1));
  const QPoint beyond(graph->LensRect().right(), graph->LensRect().top());
  MoveTo(beyond);
  ASSERT_TRUE(graph->MagnifierShown());
  EXPECT_EQ(graph->CursorToValue(beyond)->Raw, 255);
  EXPECT_EQ(graph->CursorToValue(beyond)->Level, 0.0);
  EXPECT_FALSE(std::signbit(graph->CursorToValue(beyond)->Level)) << "shown as 0.0, not -0.0";
}

TEST_F(GraphMagnifierTest, ReadoutBoxSitsBelowRightOfThePointer) {
  const QPoint at = Centre();
  MoveTo(at);
  const QRect box = graph->ReadoutRect();
  const int th = TextHeight();
  EXPECT_EQ(box.topLeft(), at + QPoint(5, 5));
  EXPECT_EQ(box.bottom(), at.y() + 2 * th + 7 - 1);
  const QImage image = Grab();
  EXPECT_EQ(Pixel(image, box.left() + 1, box.center().y()), kReadoutFill);
  EXPECT_EQ(Pixel(image, box.left(), box.center().y()), kGridGreen) << "outline";
  EXPECT_EQ(Pixel(image, box.right(), box.center().y()), kGridGreen);
  EXPECT_TRUE(AnyPixelWhere(image, box, [](QColor c) { return c.green() > 0x80 && c.red() == 0; })) << "text";
}

TEST_F(GraphMagnifierTest, ReadoutBoxFlipsAboveAndLeftNearTheBottomAndRightEdges) {
  const QRect p = Plot();
  const int th = TextHeight();
  MoveTo(QPoint(p.right() - 1, p.bottom() - 1));
  const QPoint at(graph->LensRect().right(), graph->LensRect().bottom());  // outside the plot, in the lens
  MoveTo(at);
  ASSERT_TRUE(graph->MagnifierShown());
  ASSERT_GT(at.y() + 2 * th + 7, 280);
  const QRect box = graph->ReadoutRect();
  EXPECT_EQ(box.bottom(), at.y() - 5 - 1);
  EXPECT_EQ(box.top(), at.y() - 2 * th - 7);
  EXPECT_EQ(box.right(), at.x() - 5 - 1);
  const QImage image = Grab();
  EXPECT_EQ(Pixel(image, box.left() + 1, box.center().y()), kReadoutFill);
  EXPECT_NE(Pixel(image, at.x() + 6, at.y() - 6), kReadoutFill);
}

// Records the areas the control is asked to repaint.
class PaintRecorder : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  QRegion region;
  int paints = 0;
};

TEST_F(GraphMagnifierTest, PulseRepaintsOnlyTheFrameAndReadoutAndMakesTheFrameGlow) {
  MoveTo(Centre());
  QApplication::processEvents();
  PaintRecorder recorder;
  graph->installEventFilter(&recorder);
  const QPoint framePixel(graph->FrameRect().left(), Centre().y());
  QSet<int> greys;
  for (int tick = 0; tick < 6; ++tick) {
    QTest::qWait(55);
    greys.insert(graph->ScreenImage().pixelColor(framePixel).red());
  }
  graph->removeEventFilter(&recorder);
  EXPECT_GE(recorder.paints, 2);
  const QRect pulseArea = graph->FrameRect() | graph->ReadoutRect();
  EXPECT_TRUE(QRegion(pulseArea).contains(recorder.region.boundingRect()))
      << "painted " << recorder.region.boundingRect().width() << "x"
      << recorder.region.boundingRect().height();
  EXPECT_GE(greys.size(), 2) << "the frame's grey changes";
  for (int grey : greys) {
    EXPECT_GE(grey, 150);
    EXPECT_LE(grey, 252);
  }
}

TEST_F(GraphMagnifierTest, MoveRepaintsOnlyWhereTheMagnifierWasAndIs) {
  MoveTo(Centre());
  QApplication::processEvents();
  const QRect before = graph->FrameRect() | graph->ReadoutRect();
  PaintRecorder recorder;
  graph->installEventFilter(&recorder);
  MoveTo(Centre() + QPoint(0, 70));
  QApplication::processEvents();
  graph->removeEventFilter(&recorder);
  const QRect after = graph->FrameRect() | graph->ReadoutRect();
  EXPECT_GT(recorder.paints, 0);
  EXPECT_TRUE(QRegion(before | after).contains(recorder.region.boundingRect()));
  EXPECT_EQ(Grab(), graph->ScreenImage());
}

TEST_F(GraphMagnifierTest, LeavingSwitchesTheMagnifierOff) {
  MoveTo(Centre());
  ASSERT_TRUE(graph->MagnifierShown());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(graph, &leave);
  EXPECT_FALSE(graph->MagnifierShown());
  EXPECT_EQ(Grab(), graph->BackgroundImage());
}

TEST_F(GraphMagnifierTest, RebuildKeepsAShownLensInItsPlace) {
  MoveTo(Centre());
  const QRect source = graph->SourceRect();
  graph->SetZoom(3.0);
  ASSERT_TRUE(graph->MagnifierShown());
  EXPECT_EQ(graph->SourceRect(), source);
  EXPECT_EQ(graph->LensRect().height(), 120 + 1);
  EXPECT_EQ(Grab(), graph->ScreenImage());
}

}  // namespace
}  // namespace graph_test
