// What the graph paints: layout, axes, ticks, captions, legend and curves,
// read back from the rendered image.
#include <cmath>

#include "graph_fixture.h"

namespace graph_test {
namespace {

class GraphRenderTest : public GraphTest {
 protected:
  QFontMetrics Metrics() const { return QFontMetrics(graph->font(), &graph->BackgroundImage()); }
};

TEST_F(GraphRenderTest, DefaultLayoutLeavesRoomForLabelsAndMargins) {
  const QFontMetrics fm = Metrics();
  const int h = fm.height();
  const int leftText = std::max(fm.horizontalAdvance("[dBm]"), fm.horizontalAdvance("-140"));
  EXPECT_EQ(Plot().left(), leftText + 15 + 7);
  EXPECT_EQ(Plot().top(), 15 + h + h / 2 + 3);
  EXPECT_EQ(Plot().right(), 500 - 15 - (fm.horizontalAdvance("[RAW]") + 3) - 3);
  EXPECT_EQ(Plot().bottom(), 280 - 15 - h - 7);
}

TEST_F(GraphRenderTest, AxesRunAlongTheLeftAndBottomOutsideThePlot) {
  const QImage image = Grab();
  const QRect p = Plot();
  for (int y = p.top(); y <= p.bottom() + 1; ++y) EXPECT_EQ(Pixel(image, p.left() - 1, y), kYellow) << y;
  for (int x = p.left() - 1; x < p.right(); ++x) EXPECT_EQ(Pixel(image, x, p.bottom() + 1), kYellow) << x;
  // The end point of the horizontal axis itself is left out.
  EXPECT_NE(Pixel(image, p.right(), p.bottom() + 1), kYellow);
  EXPECT_NE(Pixel(image, p.left() - 1, p.top() - 1), kYellow);
}

TEST_F(GraphRenderTest, HorizontalTicksEveryTwentyRawValuesUpTo240) {
  const QImage image = Grab();
  const QRect p = Plot();
  for (int raw = 0; raw <= 240; raw += 20) {
    const int x = RawX(p, raw);
    EXPECT_EQ(Pixel(image, x, p.bottom() + 2), kYellow) << raw;
    EXPECT_EQ(Pixel(image, x, p.bottom() + 3), kYellow) << raw;
    EXPECT_EQ(Pixel(image, x, p.bottom() + 4), Qt::black) << raw;
    // Its number sits centred below, from bottom + 7 down.
    const int w = Metrics().horizontalAdvance(QString::number(raw));
    EXPECT_TRUE(AnyTextPixel(image, QRect(x - w / 2, p.bottom() + 7, w, Metrics().height()), kYellow)) << raw;
    EXPECT_FALSE(AnyTextPixel(image, QRect(x - w / 2, p.bottom() + 4, w, 3), kYellow)) << raw;
  }
  EXPECT_EQ(Pixel(image, RawX(p, 10), p.bottom() + 2), Qt::black);
  EXPECT_EQ(Pixel(image, RawX(p, 255), p.bottom() + 2), Qt::black) << "255 has no tick";
}

TEST_F(GraphRenderTest, VerticalTicksEveryTenDbWithNumbersLeftOfThem) {
  const QImage image = Grab();
  const QRect p = Plot();
  for (int level = -140; level <= 0; level += 10) {
    const int y = LevelY(p, -level);
    EXPECT_EQ(Pixel(image, p.left() - 2, y), kYellow) << level;
    EXPECT_EQ(Pixel(image, p.left() - 3, y), kYellow) << level;
    EXPECT_EQ(Pixel(image, p.left() - 4, y), Qt::black) << level;
    const int w = Metrics().horizontalAdvance(QString::number(level));
    const int h = Metrics().height();
    EXPECT_TRUE(AnyTextPixel(image, QRect(p.left() - 7 - w, y - h / 2, w, h), kYellow)) << level;
  }
  EXPECT_EQ(Pixel(image, p.left() - 2, LevelY(p, 75)), Qt::black);
}

TEST_F(GraphRenderTest, CaptionsAtTopLeftAndAfterTheHorizontalAxis) {
  const QImage image = Grab();
  const QRect p = Plot();
  const QFontMetrics fm = Metrics();
  const int wY = fm.horizontalAdvance("[dBm]");
  EXPECT_TRUE(AnyTextPixel(image, QRect(p.left() - wY - 7, 15, wY, fm.height()), kWhite));
  EXPECT_TRUE(AnyTextPixel(
      image, QRect(p.right() + 3, p.bottom() + 7, fm.horizontalAdvance("[RAW]"), fm.height()), kWhite));
  // The margins stay blank.
  EXPECT_FALSE(AnyTextPixel(image, QRect(0, 0, 500, 15), kWhite));
  EXPECT_FALSE(AnyTextPixel(image, QRect(0, 265, 500, 15), kYellow));
}

TEST_F(GraphRenderTest, AllZeroSetIsALimeLineAlongThePlotsTopEdge) {
  AddFlatSet(0.0);
  const QImage image = Grab();
  const QRect p = Plot();
  for (int x = p.left(); x <= p.right(); ++x) {
    EXPECT_EQ(Pixel(image, x, p.top()), kLime) << x;
    EXPECT_NE(Pixel(image, x, p.top() + 1), kLime) << x;
    EXPECT_NE(Pixel(image, x, p.top() - 1), kLime) << x;
  }
  EXPECT_NE(Pixel(image, p.right() + 1, p.top()), kLime) << "the curve stays inside the plot";
}

TEST_F(GraphRenderTest, LevelsAreDrawnInWholeDbStepsByMagnitude) {
  TDBMSet* set = AddFlatSet(-73.6);
  const int x = RawX(Plot(), 128);
  EXPECT_EQ(Pixel(Grab(), x, LevelY(Plot(), 73)), kLime);
  EXPECT_NE(Pixel(Grab(), x, LevelY(Plot(), 74)), kLime);

  graph->BeginUpdate();
  for (int raw = 0; raw < 256; ++raw) set->SetValue(raw, 10.0);
  graph->EndUpdate();
  EXPECT_EQ(Pixel(Grab(), x, LevelY(Plot(), 10)), kLime) << "+10 is drawn where -10 is";
}

TEST_F(GraphRenderTest, CurveStepsHalfARawValueRightOfEachPoint) {
  TDBMSet* set = AddFlatSet(0.0);
  set->SetValue(100, -140.0);
  const QImage image = Grab();
  const QRect p = Plot();
  const int pointX = p.left() + (201 * (p.right() - p.left())) / 510;
  EXPECT_EQ(Pixel(image, pointX, p.bottom()), kLime);
  EXPECT_EQ(Pixel(image, pointX, (p.top() + p.bottom()) / 2), kLime);
}

TEST_F(GraphRenderTest, DottedGridLinesInGridColour) {
  const QImage image = Grab();
  const QRect p = Plot();
  int green = 0;
  int black = 0;
  const int x = RawX(p, 100);
  for (int y = p.top(); y < p.bottom(); ++y) (Pixel(image, x, y) == kGridGreen ? green : black)++;
  EXPECT_GT(green, (p.bottom() - p.top()) / 3);
  EXPECT_GT(black, (p.bottom() - p.top()) / 3);
  EXPECT_TRUE(AnyPixel(image, QRect(p.left(), LevelY(p, 70), p.right() - p.left(), 1), kGridGreen));
  EXPECT_FALSE(AnyPixel(image, QRect(p.left(), LevelY(p, 75), p.right() - p.left(), 1), kGridGreen));
}

TEST_F(GraphRenderTest, LegendListsSetsRightAlignedAtTheMarginInTheirColours) {
  const QColor red(0xFF, 0x00, 0x00);
  AddFlatSet(-20.0, kLime, QStringLiteral("7.100000"));
  AddFlatSet(-40.0, red, QStringLiteral("145.500000"));
  const QImage image = Grab();
  const QFontMetrics fm = Metrics();
  const int h = fm.height();
  const int top = Plot().top();
  const int w0 = fm.horizontalAdvance("7.100000");
  EXPECT_TRUE(AnyTextPixel(image, QRect(500 - 15 - w0, top, w0, h), kLime));
  EXPECT_TRUE(
      AnyTextPixel(image, QRect(500 - 15 - fm.horizontalAdvance("145.500000"), top + h + 3, 60, h), red));
  EXPECT_FALSE(AnyTextPixel(image, QRect(500 - 15, 0, 15, 280), kLime));
  EXPECT_FALSE(AnyTextPixel(image, QRect(500 - 15, 0, 15, 280), red));
  // The widest name pushes the plot's right edge in.
  EXPECT_EQ(Plot().right(),
            500 - 15 - std::max(fm.horizontalAdvance("[RAW]") + 3, fm.horizontalAdvance("145.500000")) - 3);
}

TEST_F(GraphRenderTest, PaintingCopiesTheScreenImage) {
  AddFlatSet(-50.0);
  EXPECT_EQ(Grab(), graph->ScreenImage().convertToFormat(QImage::Format_RGB32));
}

TEST_F(GraphRenderTest, ClientAreaTooSmallForTheMarginsShowsOnlyTheBackground) {
  AddFlatSet(-50.0);
  for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(30, 20), QSize(70, 60), QSize(90, 200)}) {
    graph->resize(size);
    QApplication::processEvents();
    for (int x = -5; x < size.width() + 5; x += 3) MoveTo(QPoint(x, size.height() / 2));
    Press(QPoint(size.width() / 2, size.height() / 2));
    Release(QPoint(size.width() / 2, size.height() / 2));
    EXPECT_FALSE(graph->MagnifierShown()) << size.width() << "x" << size.height();
    EXPECT_EQ(graph->Set(0)->GetValue(0), -50.0);
  }
  graph->resize(40, 30);
  const QImage image = Grab();
  EXPECT_FALSE(AnyTextPixel(image, image.rect(), kYellow));
  EXPECT_FALSE(AnyPixel(image, image.rect(), kLime));
}

}  // namespace
}  // namespace graph_test
