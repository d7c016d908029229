// The graph window: the editor's levels as one lime curve, redrawn once per
// load, and dragging that hands single levels on.
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QTest>
#include <vector>

#include "graph/U_graphform.h"
#include "widgets/stspeedbutton.h"

namespace {

const QColor kLime(0x00, 0xff, 0x00);

class GraphWindowTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window.Set != nullptr); }

  // The pixel height of a level in the plot.
  int YOf(double level) const {
    const QRect plot = window.Graph->PlotRect();
    return plot.bottom() - static_cast<int>((140 + level) * (plot.bottom() - plot.top()) / 140.0);
  }
  int XOf(int raw) const {
    const QRect plot = window.Graph->PlotRect();
    return plot.left() + static_cast<int>(raw * (plot.right() - plot.left()) / 255.0);
  }

  TGraphForm window;
};

TEST_F(GraphWindowTest, AllZeroTableIsOneLimeLineAlongTheTopWithTheFrequencyAsLegend) {
  TLevelTable levels{};
  window.LoadCurve(levels, QStringLiteral("7.1 MHz"));
  EXPECT_EQ(window.Set->Name(), QStringLiteral("7.1 MHz"));
  EXPECT_EQ(window.Set->Color(), kLime);
  const QImage image = window.Graph->ScreenImage();
  const QRect plot = window.Graph->PlotRect();
  EXPECT_EQ(image.pixelColor(plot.center().x(), plot.top()), kLime);
  EXPECT_NE(image.pixelColor(plot.center().x(), plot.center().y()), kLime);
  bool legend = false;
  for (int x = plot.right(); x < image.width() && !legend; ++x)
    for (int y = plot.top(); y < plot.top() + 14 && !legend; ++y) legend = image.pixelColor(x, y) == kLime;
  EXPECT_TRUE(legend);
}

TEST_F(GraphWindowTest, LoadingRedrawsOnce) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  TLevelTable levels;
  for (int raw = 0; raw < 256; ++raw) levels[raw] = -raw / 2.0;
  const int before = window.Graph->RebuildCount();
  window.LoadCurve(levels, QStringLiteral("14 MHz"));
  EXPECT_EQ(window.Graph->RebuildCount(), before + 1);
  EXPECT_EQ(window.Set->GetValue(255), -127.5);
}

TEST_F(GraphWindowTest, DraggingChangesOneLevelAndHandsItOn) {
  TLevelTable levels;
  levels.fill(-60.0);
  window.LoadCurve(levels, QStringLiteral("7 MHz"));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  std::vector<std::pair<int, double>> dragged;
  window.OnLevelDragged = [&](int raw, double level) { dragged.emplace_back(raw, level); };

  TOrvantaGraph* graph = window.Graph;
  const QPoint from(XOf(100), YOf(-60));
  const QPoint to(XOf(100), YOf(-80));
  QEnterEvent enter(from, from, graph->mapToGlobal(from));
  QCoreApplication::sendEvent(graph, &enter);
  QTest::mouseMove(graph, from);
  QTest::mousePress(graph, Qt::LeftButton, {}, from);
  QTest::mouseMove(graph, to);
  QTest::mouseRelease(graph, Qt::LeftButton, {}, to);

  ASSERT_FALSE(dragged.empty());
  for (const auto& [raw, level] : dragged) EXPECT_EQ(raw, 100);
  // The press takes the level under the pointer; the drag moves it down
  // (through the magnifier, so by less than the pointer moved).
  EXPECT_NEAR(dragged.front().second, -60.0, 1.0);
  EXPECT_LT(dragged.back().second, -65.0);
  EXPECT_EQ(window.Set->GetValue(100), dragged.back().second);
  for (int raw = 0; raw < 256; ++raw) {
    if (raw == 100) continue;
    EXPECT_EQ(window.Set->GetValue(raw), -60.0) << raw;
  }
}

TEST_F(GraphWindowTest, CloseHidesTheWindowAndKeepsTheCurve) {
  TLevelTable levels;
  levels.fill(-33.0);
  window.LoadCurve(levels, QStringLiteral("3.6 MHz"));
  window.show();
  window.stSpeedButton3->OnClick(window.stSpeedButton3);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.Set->GetValue(7), -33.0);
}

}  // namespace
