// Repaint costs of the controls that change while the receiver is measured:
// the table editor's grid marking a new raw value, and the signal gauge.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <QPixmap>

#include "widgets/stgauge.h"
#include "widgets/stringgrid.h"

namespace {

// The table editor's 22 x 25 grid with a cell painter like the window's.
void SetUpTable(TStringGrid& grid) {
  grid.SetFixedCols(0);
  grid.SetColCount(22);
  grid.SetRowCount(25);
  grid.SetDefaultRowHeight(14);
  grid.SetOptions(goFixedVertLine | goFixedHorzLine);
  for (int col = 0; col < 22; ++col) grid.SetColWidth(col, col % 2 ? 33 : 24);
  grid.resize(11 * 57, 25 * 14);
  grid.OnDrawCell = [](TStringGrid* g, int col, int row, const QRect& rect, QPainter& painter,
                       bool selected) {
    painter.fillRect(rect, selected ? QColor(0x90, 0x90, 0x90) : QColor(0x63, 0x63, 0x63));
    painter.setPen(QColor(0x00, 0xff, 0x00));
    painter.drawText(rect.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignTop, g->Cells(col, row));
  };
  for (int col = 1; col < 22; col += 2)
    for (int row = 1; row < 25; ++row) grid.SetCell(col, row, "-123.4");
}

void Paint(QWidget& widget, QPixmap& target) { widget.render(&target); }

void BM_TableGridFullRepaint(benchmark::State& state) {
  TStringGrid grid;
  SetUpTable(grid);
  QPixmap target(grid.size());
  bool wide = false;
  for (auto _ : state) {
    wide = !wide;
    grid.SetColWidth(0, wide ? 25 : 24);  // a layout change renders every cell
    Paint(grid, target);
  }
}
BENCHMARK(BM_TableGridFullRepaint)->Unit(benchmark::kMicrosecond);

// What the measurement loop does every 300 ms: rewrite the old and the new
// raw value's cells.
void BM_TableGridMarkRawValue(benchmark::State& state) {
  TStringGrid grid;
  SetUpTable(grid);
  QPixmap target(grid.size());
  Paint(grid, target);
  int raw = 0;
  for (auto _ : state) {
    const int next = (raw + 37) % 256;
    for (int index : {raw, next}) {
      grid.SetCell(2 * (index / 24), index % 24 + 1, "");
      grid.SetCell(2 * (index / 24), index % 24 + 1, QString::number(index));
    }
    raw = next;
    Paint(grid, target);
  }
}
BENCHMARK(BM_TableGridMarkRawValue)->Unit(benchmark::kMicrosecond);

void BM_GaugeNewReading(benchmark::State& state) {
  TstGauge gauge;
  gauge.resize(200, 20);
  gauge.SetMax(255);
  QPixmap target(gauge.size());
  int raw = 0;
  for (auto _ : state) {
    raw = (raw + 37) % 256;
    gauge.SetCurrent(raw);
    Paint(gauge, target);
  }
}
BENCHMARK(BM_GaugeNewReading)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
