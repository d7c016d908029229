// Data sets, properties and when the graph rebuilds.
#include <cmath>
#include <limits>

#include "graph_fixture.h"
#include "platform/error.h"

namespace graph_test {
namespace {

using GraphUpdateTest = GraphTest;

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const platform::Error& error) {
    return error.what();
  }
  return "no error";
}

TEST(DBMSet, StartsWithZeroLevelsBlackAndNoName) {
  TDBMSet set;
  EXPECT_EQ(set.Owner(), nullptr);
  EXPECT_EQ(set.Color(), QColor(Qt::black));
  EXPECT_TRUE(set.Name().isEmpty());
  for (double level : set.Levels()) EXPECT_EQ(level, 0.0);
}

TEST(DBMSet, IndexOutsideTheTableIsAnErrorAndChangesNothing) {
  TDBMSet set;
  set.SetValue(255, -12.5);
  EXPECT_EQ(ErrorOf([&] { set.SetValue(256, -1.0); }), "DBM index out of range (256)");
  EXPECT_EQ(ErrorOf([&] { set.GetValue(-1); }), "DBM index out of range (-1)");
  EXPECT_EQ(ErrorOf([&] { set.SetValue(-1, -1.0); }), "DBM index out of range (-1)");
  EXPECT_EQ(ErrorOf([&] { set.GetValue(256); }), "DBM index out of range (256)");
  EXPECT_EQ(set.GetValue(255), -12.5);
  EXPECT_EQ(set.GetValue(0), 0.0);
}

TEST_F(GraphUpdateTest, ImagesHaveClientAndZoomedPlotSizes) {
  const QRect p = Plot();
  EXPECT_EQ(graph->BackgroundImage().size(), QSize(500, 280));
  EXPECT_EQ(graph->ScreenImage().size(), QSize(500, 280));
  EXPECT_EQ(graph->ZoomImage().size(),
            QSize(int((p.right() - p.left()) * 2.5), int((p.bottom() - p.top()) * 2.5)));
  graph->resize(545, 345);
  EXPECT_EQ(graph->BackgroundImage().size(), QSize(545, 345));
  EXPECT_EQ(Plot().bottom(), 345 - 15 - QFontMetrics(graph->font(), &graph->BackgroundImage()).height() - 7);
}

TEST_F(GraphUpdateTest, ZoomBelowOneIsRefusedAndTheSameZoomIgnored) {
  const int rebuilds = graph->RebuildCount();
  EXPECT_EQ(ErrorOf([&] { graph->SetZoom(0.5); }), "Value of Zoom must be greater or equal than 1");
  EXPECT_EQ(ErrorOf([&] { graph->SetZoom(std::nan("")); }), "Value of Zoom must be greater or equal than 1");
  EXPECT_EQ(graph->Zoom(), 2.5);
  graph->SetZoom(2.5);
  EXPECT_EQ(graph->RebuildCount(), rebuilds);
  graph->SetZoom(1.0);
  EXPECT_EQ(graph->RebuildCount(), rebuilds + 1);
  EXPECT_EQ(graph->ZoomImage().width(), Plot().right() - Plot().left());
}

TEST_F(GraphUpdateTest, EverySetterRebuildsOnceOnAChangeAndNotForTheSameValue) {
  const std::vector<std::function<void()>> setters = {
      [&] { graph->SetColor(QColor(1, 2, 3)); },
      [&] { graph->SetAxisColor(QColor(1, 2, 3)); },
      [&] { graph->SetGridColor(QColor(1, 2, 3)); },
      [&] { graph->SetLabelColor(QColor(1, 2, 3)); },
      [&] { graph->SetCursorPosColor(QColor(1, 2, 3)); },
      [&] { graph->SetCursorPosFontColor(QColor(1, 2, 3)); },
      [&] { graph->SetMargin(20); },
      [&] { graph->SetLabelX(QStringLiteral("x")); },
      [&] { graph->SetLabelY(QStringLiteral("y")); },
      [&] { graph->SetZoom(3.0); },
  };
  for (size_t i = 0; i < setters.size(); ++i) {
    const int rebuilds = graph->RebuildCount();
    setters[i]();
    EXPECT_EQ(graph->RebuildCount(), rebuilds + 1) << "setter " << i;
    setters[i]();
    EXPECT_EQ(graph->RebuildCount(), rebuilds + 1) << "setter " << i << " again";
  }
  EXPECT_EQ(graph->Color(), QColor(1, 2, 3));
  EXPECT_EQ(graph->Margin(), 20);
  EXPECT_EQ(graph->LabelX(), "x");
  EXPECT_EQ(Pixel(Grab(), 0, 0), QColor(1, 2, 3));
}

TEST_F(GraphUpdateTest, ChangingASetsLevelColourOrNameRebuildsItsOwner) {
  TDBMSet* set = AddFlatSet(-10.0);
  EXPECT_EQ(set->Owner(), graph);
  EXPECT_EQ(graph->Set(0), set);
  const int rebuilds = graph->RebuildCount();
  set->SetValue(5, -10.0);
  set->SetColor(kLime);
  set->SetName(QStringLiteral("145.500000"));
  EXPECT_EQ(graph->RebuildCount(), rebuilds) << "same values";
  set->SetValue(5, -11.0);
  set->SetColor(kWhite);
  set->SetName(QStringLiteral("7.100000"));
  EXPECT_EQ(graph->RebuildCount(), rebuilds + 3);
}

TEST_F(GraphUpdateTest, LoadingACurveBetweenBeginAndEndUpdateRebuildsOnce) {
  auto* set = new TDBMSet;
  set->SetColor(kLime);
  graph->AddSet(set);
  const int rebuilds = graph->RebuildCount();
  graph->BeginUpdate();
  set->SetName(QStringLiteral("145.500000"));
  for (int raw = 0; raw < 256; ++raw) set->SetValue(raw, -140.0 + raw * 0.5);
  EXPECT_EQ(graph->RebuildCount(), rebuilds);
  graph->EndUpdate();
  EXPECT_EQ(graph->RebuildCount(), rebuilds + 1);
  graph->EndUpdate();
  EXPECT_EQ(graph->RebuildCount(), rebuilds + 1) << "a second EndUpdate does nothing";
  EXPECT_EQ(Pixel(Grab(), RawX(Plot(), 0), Plot().bottom()), kLime);
}

TEST_F(GraphUpdateTest, AddingASetThatAlreadyHasAnOwnerIsIgnored) {
  TDBMSet* set = AddFlatSet(0.0);
  graph->AddSet(set);
  graph->AddSet(nullptr);
  TOrvantaGraph other;
  other.AddSet(set);
  EXPECT_EQ(graph->SetCount(), 1);
  EXPECT_EQ(other.SetCount(), 0);
  EXPECT_EQ(set->Owner(), graph);
}

TEST_F(GraphUpdateTest, FontChangeTakesEffectAtTheNextRefresh) {
  const QRect before = Plot();
  const int rebuilds = graph->RebuildCount();
  QFont big = graph->font();
  big.setPixelSize(20);
  graph->setFont(big);
  EXPECT_EQ(graph->RebuildCount(), rebuilds);
  EXPECT_EQ(Plot(), before);
  graph->Refresh();
  EXPECT_GT(Plot().top(), before.top());
}

TEST_F(GraphUpdateTest, AbsurdLevelsAreDrawnWithoutHarm) {
  TDBMSet* set = AddFlatSet(-50.0);
  graph->BeginUpdate();
  set->SetValue(0, std::numeric_limits<double>::quiet_NaN());
  set->SetValue(1, std::numeric_limits<double>::infinity());
  set->SetValue(2, -1e300);
  set->SetValue(3, 1e300);
  graph->EndUpdate();
  const QImage image = Grab();
  EXPECT_FALSE(AnyPixel(image, QRect(0, Plot().bottom() + 1, 500, 40), kLime)) << "nothing below the plot";
}

}  // namespace
}  // namespace graph_test
