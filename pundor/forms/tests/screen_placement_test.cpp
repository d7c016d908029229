// Where windows open on a real screen. Only an X server places windows as a
// desktop does, so these run under Xvfb at 1280 x 1024 (the CTest test
// pundor_forms_tests.OnAnXServer) and are skipped offscreen.
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cstdlib>

#include "forms/U_autocalform.h"
#include "graph/U_graphform.h"
#include "main_window_fixture.h"

namespace {

class ScreenPlacementTest : public MainWindowTest {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
      if (std::getenv("ORVANTA_SCREEN_TESTS")) FAIL() << "no X server: " << QGuiApplication::platformName().toStdString();
      GTEST_SKIP() << "needs an X server (Xvfb)";
    }
    MainWindowTest::SetUp();
    CreateWindow();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    area = form->screen()->availableGeometry();
  }

  static int Overlap(int start, int length, int anchorStart, int anchorLength) {
    return std::max(0, std::min(start + length, anchorStart + anchorLength) - std::max(start, anchorStart));
  }
  // The least that a window of `size` anywhere on the screen must cover of `anchor`.
  int LeastCover(const QSize& size, const QRect& anchor) const {
    int leastX = size.width(), leastY = size.height();
    for (int x = area.left(); x + size.width() <= area.right() + 1; ++x)
      leastX = std::min(leastX, Overlap(x, size.width(), anchor.left(), anchor.width()));
    for (int y = area.top(); y + size.height() <= area.bottom() + 1; ++y)
      leastY = std::min(leastY, Overlap(y, size.height(), anchor.top(), anchor.height()));
    return leastX * leastY;
  }
  static int Cover(const QRect& a, const QRect& b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : both.width() * both.height();
  }

  QRect area;
};

// The table editor in its central place: the graph covers as little of it as
// the screen allows, and lies wholly on the screen.
TEST_F(ScreenPlacementTest, TheGraphHidesAsLittleOfTheTableEditorAsTheScreenAllows) {
  ASSERT_EQ(area.size(), QSize(1280, 1024)) << "the screen the fault was seen on";
  TGraphForm graph;
  GraphForm = &graph;
  table->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(table.get()));
  table->stSpeedButton4Click();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));
  const QRect editor = table->frameGeometry(), placed = graph.frameGeometry();
  EXPECT_TRUE(area.contains(placed)) << placed.x() << "," << placed.y();
  EXPECT_EQ(Cover(placed, editor), LeastCover(placed.size(), editor));
  table->hide();
  GraphForm = nullptr;
}

// The automatic calibration window opens clear of the main window, so that
// the columns can be seen arriving in its frequency list, and on the screen.
TEST_F(ScreenPlacementTest, TheAutomaticCalibrationWindowOpensBesideTheMainWindow) {
  OpenReceiver(kC1Row);
  NewTable();
  TAutoCalForm autocal;
  AutoCalForm = &autocal;
  autocal.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&autocal));
  const QRect placed = autocal.frameGeometry();
  EXPECT_TRUE(area.contains(placed)) << placed.x() << "," << placed.y();
  EXPECT_EQ(Cover(placed, form->frameGeometry()), 0);
  autocal.hide();
  AutoCalForm = nullptr;
}

}  // namespace
