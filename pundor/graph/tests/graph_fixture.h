#pragma once
// A shown graph driven through real mouse events, and pixel helpers for
// reading what it painted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "graph/orvanta_graph.h"

namespace graph_test {

const QColor kLime{0x00, 0xFF, 0x00};
const QColor kYellow{0xFF, 0xFF, 0x00};
const QColor kWhite{0xFF, 0xFF, 0xFF};
const QColor kGridGreen{0x00, 0x80, 0x00};
const QColor kReadoutFill{0x00, 0x50, 0x00};

// The raw value and level positions of the plot, as the graph maps them.
inline int RawX(const QRect& plot, int raw) {
  return plot.left() + (raw * (plot.right() - plot.left())) / 255;
}
inline int LevelY(const QRect& plot, int wholeDb) {
  // bottom - (140 - |level|) * sy with the fraction dropped: the distance
  // above the bottom is rounded up.
  const int rise = (140 - wholeDb) * (plot.bottom() - plot.top());
  return plot.bottom() - (rise + 139) / 140;
}

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graph = new TOrvantaGraph;
    graph->move(0, 0);
    graph->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(graph));
  }
  void TearDown() override {
    QTest::mouseMove(graph, QPoint(-50, -50));
    delete graph;
    while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
  }

  // Adds a set whose levels are all level.
  TDBMSet* AddFlatSet(double level, QColor color = kLime,
                      const QString& name = QStringLiteral("145.500000")) {
    auto* set = new TDBMSet;
    graph->BeginUpdate();
    for (int raw = 0; raw < TDBMSet::kLevelCount; ++raw) set->SetValue(raw, level);
    set->SetColor(color);
    set->SetName(name);
    graph->AddSet(set);
    graph->EndUpdate();
    return set;
  }

  QImage Grab() { return graph->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  void MoveTo(QPoint at) { QTest::mouseMove(graph, at); }
  void Press(QPoint at) { QTest::mousePress(graph, Qt::LeftButton, {}, at); }
  void Release(QPoint at) { QTest::mouseRelease(graph, Qt::LeftButton, {}, at); }

  QRect Plot() const { return graph->PlotRect(); }

  TOrvantaGraph* graph = nullptr;
};

inline QColor Pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

// Whether any pixel of area passes test.
template <typename Test>
bool AnyPixelWhere(const QImage& image, const QRect& area, Test test) {
  const QRect clipped = area & image.rect();
  for (int y = clipped.top(); y <= clipped.bottom(); ++y)
    for (int x = clipped.left(); x <= clipped.right(); ++x)
      if (test(image.pixelColor(x, y))) return true;
  return false;
}

// Text is antialiased: a glyph pixel of a pure colour (channels 0 or 255)
// is bright where that colour is and dark where it is not.
inline bool AnyTextPixel(const QImage& image, const QRect& area, const QColor& pure) {
  const auto like = [](int channel, int pureChannel) {
    return pureChannel ? channel >= 0x80 : channel <= 0x30;
  };
  return AnyPixelWhere(image, area, [&](QColor c) {
    return like(c.red(), pure.red()) && like(c.green(), pure.green()) && like(c.blue(), pure.blue());
  });
}

inline bool AnyPixel(const QImage& image, const QRect& area, const QColor& colour) {
  return AnyPixelWhere(image, area, [&](QColor c) { return c == colour; });
}

}  // namespace graph_test
