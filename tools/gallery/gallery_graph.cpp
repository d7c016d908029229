// The calibration graph at the graph window's size, in its typical states.
#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <cmath>

#include "gallery.h"
#include "graph/orvanta_graph.h"

namespace {

constexpr int kWidth = 545;
constexpr int kHeight = 345;

// A level curve of a typical receiver: flat at the bottom, then rising.
TDBMSet* NewCurve(QColor color, const QString& name, double offset) {
  auto* set = new TDBMSet;
  set->SetColor(color);
  set->SetName(name);
  for (int raw = 0; raw < TDBMSet::kLevelCount; ++raw) {
    set->SetValue(raw, std::min(0.0, -132.0 + offset + 118.0 * std::pow(raw / 255.0, 1.4)));
  }
  return set;
}

void Enter(TOrvantaGraph& graph, QPoint at) {
  QEnterEvent enter(at, at, graph.mapToGlobal(at));
  QApplication::sendEvent(&graph, &enter);
}

// Raw value and level into client pixels, as the graph maps them.
QPoint At(const TOrvantaGraph& graph, int raw, double level) {
  const QRect p = graph.PlotRect();
  return QPoint(p.left() + raw * (p.right() - p.left()) / 255,
                int(p.bottom() - (140 + level) * (p.bottom() - p.top()) / 140.0));
}

}  // namespace

ORVANTA_GALLERY_PAGE("graph-empty") {
  TOrvantaGraph graph;
  graph.resize(kWidth, kHeight);
  return gallery::Grab(&graph);
}

ORVANTA_GALLERY_PAGE("graph-one-curve") {
  TOrvantaGraph graph;
  QFont font = graph.font();
  font.setPixelSize(11);
  graph.setFont(font);
  graph.resize(kWidth, kHeight);
  graph.AddSet(NewCurve(QColor(0x00, 0xFF, 0x00), QStringLiteral("145.500000"), 0.0));
  return gallery::Grab(&graph);
}

ORVANTA_GALLERY_PAGE("graph-several-curves-legend") {
  TOrvantaGraph graph;
  graph.resize(kWidth, kHeight);
  graph.BeginUpdate();
  graph.AddSet(NewCurve(QColor(0x00, 0xFF, 0x00), QStringLiteral("7.100000"), 0.0));
  graph.AddSet(NewCurve(QColor(0xFF, 0x60, 0x60), QStringLiteral("145.500000"), 6.0));
  graph.AddSet(NewCurve(QColor(0x60, 0xA0, 0xFF), QStringLiteral("433.920000"), 12.0));
  graph.EndUpdate();
  return gallery::Grab(&graph);
}

ORVANTA_GALLERY_PAGE("graph-magnifier-readout") {
  TOrvantaGraph graph;
  graph.resize(kWidth, kHeight);
  graph.AddSet(NewCurve(QColor(0x00, 0xFF, 0x00), QStringLiteral("145.500000"), 0.0));
  graph.show();
  Enter(graph, At(graph, 150, graph.Set(0)->GetValue(150)));
  return graph.ScreenImage();
}

ORVANTA_GALLERY_PAGE("graph-readout-flipped") {
  TOrvantaGraph graph;
  graph.resize(kWidth, kHeight);
  graph.AddSet(NewCurve(QColor(0x00, 0xFF, 0x00), QStringLiteral("145.500000"), 0.0));
  graph.show();
  Enter(graph, At(graph, 250, -138.0));
  const QPoint corner = graph.LensRect().bottomRight() - QPoint(2, 2);
  QMouseEvent move(QEvent::MouseMove, corner, graph.mapToGlobal(corner), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&graph, &move);
  return graph.ScreenImage();
}

ORVANTA_GALLERY_PAGE("graph-dragging") {
  TOrvantaGraph graph;
  graph.resize(kWidth, kHeight);
  graph.AddSet(NewCurve(QColor(0x00, 0xFF, 0x00), QStringLiteral("145.500000"), 0.0));
  graph.show();
  const QPoint start = At(graph, 100, graph.Set(0)->GetValue(100));
  Enter(graph, start);
  QMouseEvent press(QEvent::MouseButtonPress, start, graph.mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&graph, &press);
  const QPoint down = start + QPoint(0, 40);
  QMouseEvent move(QEvent::MouseMove, down, graph.mapToGlobal(down), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&graph, &move);
  const QImage image = graph.ScreenImage();
  QMouseEvent release(QEvent::MouseButtonRelease, down, graph.mapToGlobal(down), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(&graph, &release);
  return image;
}
