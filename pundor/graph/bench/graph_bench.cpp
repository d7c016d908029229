// Hand-editing speed of the calibration graph at the graph window's size:
// a pointer move over the plot (magnifier and readout only) and a drag step
// (one level changed, background and zoom images redrawn). Each includes
// the repaint of the control.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <cmath>

#include "graph/orvanta_graph.h"

namespace {

constexpr int kWindowWidth = 545;
constexpr int kWindowHeight = 345;

// A shown graph with one curve of a typical calibration shape.
struct ShownGraph {
  ShownGraph() {
    graph.resize(kWindowWidth, kWindowHeight);
    auto* set = new TDBMSet;
    set->SetColor(QColor(0x00, 0xFF, 0x00));
    set->SetName(QStringLiteral("145.500000 MHz"));
    graph.BeginUpdate();
    for (int raw = 0; raw < TDBMSet::kLevelCount; ++raw) set->SetValue(raw, -130.0 + raw * 0.45);
    graph.AddSet(set);
    graph.EndUpdate();
    graph.show();
    QCoreApplication::processEvents();
  }

  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, graph.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&graph, &event);
    QCoreApplication::processEvents();
  }

  void Enter(QPoint at) {
    QEnterEvent event(at, at, graph.mapToGlobal(at));
    QCoreApplication::sendEvent(&graph, &event);
  }

  TOrvantaGraph graph;
};

void BM_PointerMoveOverPlot(benchmark::State& state) {
  ShownGraph shown;
  const QPoint centre = shown.graph.PlotRect().center();
  shown.Enter(centre);
  // Back and forth across the lens, which therefore follows every move.
  if (!shown.graph.MagnifierShown()) state.SkipWithError("magnifier not shown");
  const int swing = shown.graph.LensRect().width();
  int step = 0;
  for (auto _ : state) {
    const QPoint at = centre + QPoint((step++ % 2 == 0) ? swing : -swing, 0) / 2;
    shown.Send(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
  }
  benchmark::DoNotOptimize(shown.graph.ScreenImage().constBits());
}
BENCHMARK(BM_PointerMoveOverPlot)->Unit(benchmark::kMillisecond);

void BM_DragStep(benchmark::State& state) {
  ShownGraph shown;
  const QPoint centre = shown.graph.PlotRect().center();
  shown.Enter(centre);
  shown.Send(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
  if (shown.graph.DragIndex() < 0) state.SkipWithError("not dragging a level");
  int step = 0;
  for (auto _ : state) {
    const QPoint at = centre + QPoint(0, (step++ % 2 == 0) ? 10 : -10);
    shown.Send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
  }
  if (!shown.graph.MagnifierShown()) state.SkipWithError("magnifier lost during the drag");
  shown.Send(QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
