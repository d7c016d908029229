// Editing by mouse: press, drag along the confined column, release, leave.
#include <QBitmap>

#include "graph_fixture.h"
#include "platform/pointer_clip.h"

namespace graph_test {
namespace {

constexpr int kReach = 30;  // (40 * 2.5 - 40) / 2

bool SameShape(const QCursor* cursor, const QCursor& expected) {
  return cursor != nullptr && cursor->bitmap().toImage() == expected.bitmap().toImage() &&
         cursor->mask().toImage() == expected.mask().toImage();
}

struct Change {
  TDBMSet* set;
  int raw;
  double level;
};

class GraphDragTest : public GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    graph->OnDBMChanged = [this](TOrvantaGraph* g, TDBMSet* set, int raw) {
      EXPECT_EQ(g, graph);
      changes.push_back({set, raw, set->GetValue(raw)});
    };
  }
  QPoint At(int raw, int wholeDb) const { return QPoint(RawX(Plot(), raw), LevelY(Plot(), wholeDb)); }
  QRect ExpectedStrip(int x) const {
    return QRect(graph->mapToGlobal(QPoint(x, Plot().top() - kReach)),
                 QSize(1, Plot().bottom() - Plot().top() + 2 * kReach));
  }

  std::vector<Change> changes;
};

TEST_F(GraphDragTest, PressWithoutDataSetOnlyShowsTheDragCursorAndHoldsThePointer) {
  const QPoint at = At(128, 70);
  MoveTo(at);
  Press(at);
  EXPECT_TRUE(graph->Dragging());
  EXPECT_EQ(graph->DragIndex(), -1);
  EXPECT_TRUE(SameShape(QApplication::overrideCursor(), TOrvantaGraph::Cross2Cursor()));
  EXPECT_EQ(platform::PointerConfinement(), ExpectedStrip(at.x()));
  MoveTo(at + QPoint(0, 20));
  EXPECT_TRUE(changes.empty());
  Release(at + QPoint(0, 20));
  EXPECT_FALSE(graph->Dragging());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(platform::PointerConfinement(), std::nullopt);
}

TEST_F(GraphDragTest, PressOutsideTheMagnifierChangesNoSet) {
  TDBMSet* set = AddFlatSet(-60.0);
  const QPoint onAxisLabels(Plot().left() - 20, Plot().center().y());
  MoveTo(onAxisLabels);
  Press(onAxisLabels);
  MoveTo(onAxisLabels + QPoint(0, 15));
  Release(onAxisLabels + QPoint(0, 15));
  EXPECT_TRUE(changes.empty());
  for (int raw = 0; raw < 256; ++raw) ASSERT_EQ(set->GetValue(raw), -60.0);
}

TEST_F(GraphDragTest, OtherButtonsDoNotEdit) {
  AddFlatSet(-60.0);
  MoveTo(At(100, 60));
  QTest::mousePress(graph, Qt::RightButton, {}, At(100, 60));
  EXPECT_FALSE(graph->Dragging());
  QTest::mouseRelease(graph, Qt::RightButton, {}, At(100, 60));
  EXPECT_TRUE(changes.empty());
}

TEST_F(GraphDragTest, DraggingChangesOneLevelAndReportsEachChange) {
  TDBMSet* set = AddFlatSet(-60.0);
  const QPoint start = At(100, 60);
  MoveTo(start);
  const int raw = graph->CursorToValue(start)->Raw;
  Press(start);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].set, set);
  EXPECT_EQ(changes[0].raw, raw);
  EXPECT_NEAR(changes[0].level, -60.0, 0.6);
  EXPECT_EQ(graph->DragIndex(), raw);

  // Inside the lens the pointer moves over the enlarged plot: going down
  // step by step lowers the level a little at a time until it reaches -80.
  QPoint at = start;
  for (int step = 0; step < 200 && set->GetValue(raw) > -80.0; ++step) {
    at += QPoint(0, 1);
    MoveTo(at);
    ASSERT_EQ(set->GetValue(raw), graph->CursorToValue(at)->Level) << "the tenth under the pointer";
  }
  EXPECT_NEAR(set->GetValue(raw), -80.0, 0.3);
  EXPECT_GT(changes.size(), 20u);
  for (const Change& change : changes) EXPECT_EQ(change.raw, raw);
  EXPECT_EQ(changes.back().level, set->GetValue(raw)) << "already stored when reported";
  for (int other = 0; other < 256; ++other) {
    if (other != raw) {
      ASSERT_EQ(set->GetValue(other), -60.0) << other;
    }
  }
  // The curve in the background image follows the drag.
  const int pointX = Plot().left() + ((2 * raw + 1) * (Plot().right() - Plot().left())) / 510;
  EXPECT_EQ(Pixel(graph->BackgroundImage(), pointX,
                  LevelY(Plot(), std::abs(static_cast<int>(-set->GetValue(raw))))),
            kLime);
  Release(at);
  const size_t edits = changes.size();
  MoveTo(At(100, 40));
  EXPECT_EQ(changes.size(), edits) << "no edits after release";
}

TEST_F(GraphDragTest, DragIsHeldOnThePressedColumn) {
  TDBMSet* set = AddFlatSet(-60.0);
  const QPoint start = At(100, 60);
  MoveTo(start);
  const int raw = graph->CursorToValue(start)->Raw;
  Press(start);
  MoveTo(start + QPoint(35, 25));  // sideways: held on the column
  EXPECT_EQ(QCursor::pos().x(), graph->mapToGlobal(start).x());
  MoveTo(QPoint(start.x(), -100));  // far above: held at the strip's top
  EXPECT_EQ(platform::PointerConfinement(), ExpectedStrip(start.x()));
  EXPECT_EQ(QCursor::pos(), graph->mapToGlobal(QPoint(start.x(), Plot().top() - kReach)));
  EXPECT_EQ(set->GetValue(raw), 0.0) << "the strip's top is the top of the scale";
  MoveTo(QPoint(start.x(), 1000));
  EXPECT_GE(set->GetValue(raw), -140.0);
  for (int other = 0; other < 256; ++other) {
    if (other != raw) {
      ASSERT_EQ(set->GetValue(other), -60.0) << other;
    }
  }
  for (const Change& change : changes) EXPECT_EQ(change.raw, raw);
  Release(QCursor::pos());
}

TEST_F(GraphDragTest, ReleaseRestoresTheCursorAndFreesThePointer) {
  AddFlatSet(-60.0);
  MoveTo(At(50, 30));
  Press(At(50, 30));
  ASSERT_TRUE(platform::PointerConfinement().has_value());
  Release(At(50, 30));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(platform::PointerConfinement(), std::nullopt);
  EXPECT_EQ(graph->DragIndex(), -1);
  const QCursor own = graph->cursor();
  EXPECT_TRUE(SameShape(&own, TOrvantaGraph::Cross1Cursor()));
}

// The graph window lets pending events run inside its handler, so the
// release may arrive before the press has been handled to its end.
TEST_F(GraphDragTest, ReleaseArrivingInsideTheHandlerEndsTheDragForGood) {
  TDBMSet* set = AddFlatSet(-60.0);
  const QPoint at = At(50, 30);
  graph->OnDBMChanged = [](TOrvantaGraph*, TDBMSet*, int) { QApplication::processEvents(); };
  MoveTo(at);
  QApplication::postEvent(graph, new QMouseEvent(QEvent::MouseButtonRelease, at, graph->mapToGlobal(at),
                                                 Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  Press(at);
  EXPECT_FALSE(graph->Dragging());
  EXPECT_EQ(platform::PointerConfinement(), std::nullopt);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_NE(set->GetValue(graph->CursorToValue(at)->Raw), -60.0) << "the press still set its level";
  Release(at);  // for the test driver's button state
}

TEST_F(GraphDragTest, LeavingEndsTheDrag) {
  AddFlatSet(-60.0);
  MoveTo(At(50, 30));
  Press(At(50, 30));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(graph, &leave);
  EXPECT_FALSE(graph->Dragging());
  EXPECT_EQ(graph->DragIndex(), -1);
  EXPECT_FALSE(graph->MagnifierShown());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(platform::PointerConfinement(), std::nullopt);
  EXPECT_EQ(Grab(), graph->BackgroundImage());
}

TEST_F(GraphDragTest, DestroyingWhileDraggingFreesThePointer) {
  AddFlatSet(-60.0);
  MoveTo(At(50, 30));
  Press(At(50, 30));
  delete graph;
  graph = new TOrvantaGraph;  // for TearDown
  Release(At(50, 30));        // the test driver still holds the button
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(platform::PointerConfinement(), std::nullopt);
}

TEST(GraphCursors, Cross1IsAnOpenCrossHairAndCross2AClosedPlus) {
  for (const QCursor* cursor : {&TOrvantaGraph::Cross1Cursor(), &TOrvantaGraph::Cross2Cursor()}) {
    EXPECT_EQ(cursor->bitmap().size(), QSize(32, 32));
    EXPECT_EQ(cursor->hotSpot(), QPoint(7, 7));
  }
  const QImage mask1 = TOrvantaGraph::Cross1Cursor().mask().toImage();
  const QImage mask2 = TOrvantaGraph::Cross2Cursor().mask().toImage();
  const auto shown = [](const QImage& mask, int x, int y) { return mask.pixelIndex(x, y) == 1; };
  // 15 pixels across with the outline, open in the middle.
  EXPECT_TRUE(shown(mask1, 0, 7));
  EXPECT_TRUE(shown(mask1, 14, 7));
  EXPECT_FALSE(shown(mask1, 15, 7));
  EXPECT_TRUE(shown(mask1, 7, 0));
  EXPECT_FALSE(shown(mask1, 7, 7));
  // 11 pixels across, closed.
  EXPECT_TRUE(shown(mask2, 2, 7));
  EXPECT_TRUE(shown(mask2, 12, 7));
  EXPECT_FALSE(shown(mask2, 13, 7));
  EXPECT_FALSE(shown(mask2, 1, 7));
  EXPECT_TRUE(shown(mask2, 7, 7));
}

}  // namespace
}  // namespace graph_test
