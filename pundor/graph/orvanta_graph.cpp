#include "graph/orvanta_graph.h"

#include <QApplication>
#include <QBitmap>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/error.h"
#include "platform/pointer_clip.h"
#include "widgets/leveltext.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitGraphResources() { Q_INIT_RESOURCE(graph_cursors); }

namespace {

constexpr int kRawSteps = 255;
constexpr int kDbSpan = 140;
constexpr int kSourceSide = 40;
constexpr int kHalfSource = kSourceSide / 2;
constexpr int kPulseStep = 6;
constexpr int kPulseTop = 100;
constexpr int kPulseBase = 150;
constexpr int kPulseIntervalMs = 50;
// Beyond this the raster engine's coordinates stop being exact; a zoom
// image that large would not be drawable anyway.
constexpr int kMaxZoomImageSide = 32767;
const QColor kReadoutOutline{0x00, 0x80, 0x00};

// Real to whole numbers drop the fraction, as everywhere in the graph; the
// clamp keeps absurd values (huge levels, margins) from overflowing an int.
int Trunc(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(value, -1e9, 1e9));
}

int SpanX(const QRect& r) { return r.right() - r.left(); }
int SpanY(const QRect& r) { return r.bottom() - r.top(); }

// A level drawn in whole dB steps: the magnitude of -level, fraction dropped.
int WholeDb(double level) { return std::abs(Trunc(-level)); }

// Pixel positions inside a plot rectangle (left, top, right, bottom). The
// products are formed before dividing, so that whole-pixel results stay
// exact.
struct PlotMapping {
  explicit PlotMapping(const QRect& area)
      : l(area.left()), t(area.top()), r(area.right()), b(area.bottom()) {}
  int X(int raw) const { return Trunc(l + (double(raw) * (r - l)) / kRawSteps); }
  // Curve points after the first sit half a raw step to the right.
  int CurveX(int raw) const { return Trunc(l + (double(2 * raw + 1) * (r - l)) / (2 * kRawSteps)); }
  int YOfDepth(int db) const { return Trunc(b - (double(kDbSpan - db) * (b - t)) / kDbSpan); }
  int Y(double level) const { return YOfDepth(WholeDb(level)); }
  int l, t, r, b;
};

// Lines the way the original drawing code draws them: the end point itself
// is left out. Only horizontal and vertical lines are drawn this way.
void LineTo(QPainter& painter, QPoint from, QPoint to) {
  if (from == to) return;
  const QPoint step((to.x() > from.x()) - (to.x() < from.x()), (to.y() > from.y()) - (to.y() < from.y()));
  painter.drawLine(from, to - step);
}

// Text with its top-left corner at (x, top).
void TextAt(QPainter& painter, int x, int top, const QString& text) {
  painter.drawText(x, top + painter.fontMetrics().ascent(), text);
}

// Outlines the pixels of area, all edges included.
void OutlinePixels(QPainter& painter, const QRect& area) {
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(area.adjusted(0, 0, -1, -1));
}

QCursor LoadCursor(const QString& name) {
  InitGraphResources();
  const QBitmap bitmap(QStringLiteral(":/graph/%1.xbm").arg(name));
  const QBitmap mask(QStringLiteral(":/graph/%1_mask.xbm").arg(name));
  return QCursor(bitmap, mask, 7, 7);
}

// Copies area of source onto the same place of target (same size images).
void CopyArea(QImage& target, const QImage& source, const QRect& area) {
  const QRect clipped = area & source.rect() & target.rect();
  if (clipped.isEmpty()) return;
  const int bytes = clipped.width() * 4;
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    std::memcpy(target.scanLine(y) + clipped.left() * 4, source.constScanLine(y) + clipped.left() * 4, bytes);
  }
}

void CheckIndex(int index) {
  if (index < 0 || index >= TDBMSet::kLevelCount) {
    throw platform::Error("DBM index out of range (" + std::to_string(index) + ")");
  }
}

}  // namespace

// ---- TDBMSet ---------------------------------------------------------------

double TDBMSet::GetValue(int index) const {
  CheckIndex(index);
  return levels_[index];
}

void TDBMSet::SetValue(int index, double level) {
  CheckIndex(index);
  if (levels_[index] == level) return;
  levels_[index] = level;
  RefreshOwner();
}

void TDBMSet::SetColor(QColor color) {
  if (color_ == color) return;
  color_ = color;
  RefreshOwner();
}

void TDBMSet::SetName(const QString& name) {
  if (name_ == name) return;
  name_ = name;
  RefreshOwner();
}

void TDBMSet::RefreshOwner() {
  if (owner_ != nullptr) owner_->Refresh();
}

// ---- TOrvantaGraph: construction and properties -----------------------------

struct TOrvantaGraph::TextMetrics {
  QString capX, capY;
  int w140 = 0, h140 = 0, h256 = 0;
  int wX = 0, wY = 0, hY = 0;
  int namesW = 0, namesH = 0;
};

const QCursor& TOrvantaGraph::Cross1Cursor() {
  static const QCursor cursor = LoadCursor(QStringLiteral("cross1"));
  return cursor;
}

const QCursor& TOrvantaGraph::Cross2Cursor() {
  static const QCursor cursor = LoadCursor(QStringLiteral("cross2"));
  return cursor;
}

TOrvantaGraph::TOrvantaGraph(QWidget* owner) : QWidget(owner) {
  // The control paints every pixel from its screen image.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setCursor(Cross1Cursor());
  QFont arial(QStringLiteral("Arial"));
  arial.setPointSize(8);
  setFont(arial);
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, QColor(0xFF, 0xFF, 0x00));
  setPalette(colours);
  resize(500, 280);
  pulseTimer_.setInterval(kPulseIntervalMs);
  QObject::connect(&pulseTimer_, &QTimer::timeout, this, [this] { Pulse(); });
  pulseTimer_.start();
  Rebuild();
}

TOrvantaGraph::~TOrvantaGraph() {
  if (dragging_) EndDrag();
}

void TOrvantaGraph::AddSet(TDBMSet* set) {
  // A set that already has an owner is owned there; taking it too would
  // free it twice.
  if (set == nullptr || set->owner_ != nullptr) return;
  set->owner_ = this;
  sets_.emplace_back(set);
  Refresh();
}

void TOrvantaGraph::BeginUpdate() { redrawEnabled_ = false; }

void TOrvantaGraph::EndUpdate() {
  if (redrawEnabled_) return;
  redrawEnabled_ = true;
  Refresh();
}

void TOrvantaGraph::Refresh() {
  if (!redrawEnabled_) return;
  Rebuild();
  update();
}

template <typename T>
void TOrvantaGraph::Assign(T& field, const T& value) {
  if (field == value) return;
  field = value;
  Refresh();
}

void TOrvantaGraph::SetColor(QColor color) { Assign(color_, color); }
void TOrvantaGraph::SetAxisColor(QColor color) { Assign(axisColor_, color); }
void TOrvantaGraph::SetGridColor(QColor color) { Assign(gridColor_, color); }
void TOrvantaGraph::SetLabelColor(QColor color) { Assign(labelColor_, color); }
void TOrvantaGraph::SetCursorPosColor(QColor color) { Assign(cursorPosColor_, color); }
void TOrvantaGraph::SetCursorPosFontColor(QColor color) { Assign(cursorPosFontColor_, color); }
void TOrvantaGraph::SetMargin(int margin) { Assign(margin_, margin); }
void TOrvantaGraph::SetLabelX(const QString& label) { Assign(labelX_, label); }
void TOrvantaGraph::SetLabelY(const QString& label) { Assign(labelY_, label); }

void TOrvantaGraph::SetZoom(double zoom) {
  if (zoom == zoom_) return;
  // Written so that a NaN is refused too.
  if (!(zoom >= 1.0) || std::isinf(zoom))
    throw platform::Error("Value of Zoom must be greater or equal than 1");
  zoom_ = zoom;
  Refresh();
}

// ---- Layout and the background -------------------------------------------

void TOrvantaGraph::Rebuild() {
  ++rebuildCount_;
  SizeImages();
  const TextMetrics metrics = MeasureTexts();
  LayOut(metrics);
  DrawBackground(metrics);
  screen_ = background_.copy();
  RenderZoomImage();
  RefitLens();
  overlayRect_ = PaintOverlay();
}

void TOrvantaGraph::SizeImages() {
  if (background_.size() == size()) return;
  if (size().isEmpty()) {
    background_ = QImage();
    return;
  }
  background_ = QImage(size(), QImage::Format_RGB32);
  // Text in the images is measured and drawn at the screen's resolution.
  background_.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
  background_.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
}

TOrvantaGraph::TextMetrics TOrvantaGraph::MeasureTexts() const {
  const QFontMetrics fm = background_.isNull() ? fontMetrics() : QFontMetrics(font(), &background_);
  TextMetrics m;
  m.capX = QStringLiteral("[%1]").arg(labelX_);
  m.capY = QStringLiteral("[%1]").arg(labelY_);
  m.w140 = fm.horizontalAdvance(QStringLiteral("-140"));
  m.h140 = fm.height();
  m.h256 = fm.height();
  m.wX = fm.horizontalAdvance(m.capX);
  m.wY = fm.horizontalAdvance(m.capY);
  m.hY = fm.height();
  for (const auto& set : sets_) {
    m.namesW = std::max(m.namesW, fm.horizontalAdvance(set->name_));
    m.namesH = std::max(m.namesH, fm.height());
  }
  return m;
}

void TOrvantaGraph::LayOut(const TextMetrics& m) {
  const int left = std::max(m.wY, m.w140) + margin_ + 7;
  const int top = margin_ + m.hY + m.h140 / 2 + 3;
  const int right = width() - margin_ - std::max(m.wX + 3, m.namesW) - 3;
  const int bottom = height() - margin_ - m.h256 - 7;
  plotRect_ = QRect(QPoint(left, top), QPoint(right, bottom));
}

bool TOrvantaGraph::HasPlot() const { return SpanX(plotRect_) > 0 && SpanY(plotRect_) > 0; }

void TOrvantaGraph::DrawBackground(const TextMetrics& metrics) {
  if (background_.isNull()) return;
  background_.fill(color_);
  // A client area too small for the margins and labels shows only the
  // background colour.
  if (!HasPlot()) return;
  QPainter painter(&background_);
  painter.setFont(font());
  DrawAxes(painter);
  DrawTicks(painter, metrics);
  DrawCaptions(painter, metrics);
  DrawLegend(painter, metrics);
  DrawPlot(painter, plotRect_);
}

void TOrvantaGraph::DrawAxes(QPainter& painter) const {
  const PlotMapping map(plotRect_);
  painter.setPen(QPen(axisColor_, 1));
  const QPoint corner(map.l - 1, map.b + 1);
  LineTo(painter, QPoint(map.l - 1, map.YOfDepth(0)), corner);
  LineTo(painter, corner, QPoint(map.X(kRawSteps), map.b + 1));
}

void TOrvantaGraph::DrawTicks(QPainter& painter, const TextMetrics& m) const {
  const PlotMapping map(plotRect_);
  const QPen tickPen(axisColor_, 1);
  const QPen textPen(palette().color(QPalette::WindowText));
  const QFontMetrics& fm = painter.fontMetrics();
  for (int raw = 0; raw <= 240; raw += 20) {
    const int x = map.X(raw);
    painter.setPen(tickPen);
    LineTo(painter, QPoint(x, map.b + 1), QPoint(x, map.b + 4));
    const QString text = QString::number(raw);
    painter.setPen(textPen);
    TextAt(painter, x - fm.horizontalAdvance(text) / 2, map.b + 7, text);
  }
  for (int level = -kDbSpan; level <= 0; level += 10) {
    const int y = map.Y(level);
    painter.setPen(tickPen);
    LineTo(painter, QPoint(map.l - 1, y), QPoint(map.l - 4, y));
    const QString text = QString::number(level);
    painter.setPen(textPen);
    TextAt(painter, map.l - 7 - fm.horizontalAdvance(text), y - m.h140 / 2, text);
  }
}

void TOrvantaGraph::DrawCaptions(QPainter& painter, const TextMetrics& m) const {
  painter.setPen(labelColor_);
  TextAt(painter, plotRect_.left() - m.wY - 7, margin_, m.capY);
  TextAt(painter, plotRect_.right() + 3, plotRect_.bottom() + 7, m.capX);
}

void TOrvantaGraph::DrawLegend(QPainter& painter, const TextMetrics& m) const {
  const QFontMetrics& fm = painter.fontMetrics();
  int top = plotRect_.top();
  for (const auto& set : sets_) {
    painter.setPen(set->color_);
    TextAt(painter, width() - margin_ - fm.horizontalAdvance(set->name_), top, set->name_);
    top += m.namesH + 3;
  }
}

// Grid and curves inside area, all its edges included. Nothing is drawn
// outside it, so that redrawing the plot alone leaves no traces behind.
void TOrvantaGraph::DrawPlot(QPainter& painter, const QRect& area) const {
  const PlotMapping map(area);
  painter.fillRect(area, color_);
  QPen dotted(gridColor_, 1, Qt::CustomDashLine);
  dotted.setDashPattern({3, 3});
  painter.setPen(dotted);
  const auto verticalGridLine = [&](int raw) {
    LineTo(painter, QPoint(map.X(raw), map.YOfDepth(0)), QPoint(map.X(raw), map.b));
  };
  for (int raw = 0; raw <= 240; raw += 20) verticalGridLine(raw);
  verticalGridLine(kRawSteps);
  for (int depth = 0; depth <= kDbSpan; depth += 10) {
    const int y = map.YOfDepth(depth);
    LineTo(painter, QPoint(map.l, y), QPoint(map.X(kRawSteps), y));
  }
  painter.setClipRect(area);
  std::array<QPoint, TDBMSet::kLevelCount> points;
  for (const auto& set : sets_) {
    points[0] = QPoint(map.l, map.Y(set->levels_[0]));
    for (int raw = 1; raw < TDBMSet::kLevelCount; ++raw) {
      points[raw] = QPoint(map.CurveX(raw), map.Y(set->levels_[raw]));
    }
    painter.setPen(QPen(set->color_, 1));
    painter.drawPolyline(points.data(), static_cast<int>(points.size()));
  }
  painter.setClipping(false);
}

void TOrvantaGraph::RenderZoomImage() {
  const double width = std::floor(SpanX(plotRect_) * zoom_);
  const double height = std::floor(SpanY(plotRect_) * zoom_);
  if (!HasPlot() || width > kMaxZoomImageSide || height > kMaxZoomImageSide) {
    zoomImage_ = QImage();
    return;
  }
  const QSize size(static_cast<int>(width), static_cast<int>(height));
  if (zoomImage_.size() != size) zoomImage_ = QImage(size, QImage::Format_RGB32);
  if (zoomImage_.isNull()) return;
  QPainter painter(&zoomImage_);
  DrawPlot(painter, QRect(QPoint(0, 0), QPoint(size.width() - 1, size.height() - 1)));
}

// After a level changed by dragging: only the plot area of the background
// and the zoom image change.
void TOrvantaGraph::RedrawCurves() {
  if (!background_.isNull() && HasPlot()) {
    QPainter painter(&background_);
    DrawPlot(painter, plotRect_);
  }
  RenderZoomImage();
}

// ---- The magnifier ---------------------------------------------------------

bool TOrvantaGraph::PlotUsable() const {
  return SpanX(plotRect_) >= kSourceSide && SpanY(plotRect_) >= kSourceSide && !zoomImage_.isNull() &&
         !screen_.isNull();
}

void TOrvantaGraph::PlaceLens(int x, int y) {
  if (lensShown_) {
    FollowWithLens(x, y);
  } else {
    PlaceLensFirst(x, y);
  }
  if (lensShown_) UpdateLensMapping();
}

namespace {
// Where the source square starts along one axis: centred on the pointer, or
// pushed against the nearer edge (the far one on a tie).
int SourceStart(int pointer, int low, int high) {
  const int toLow = pointer - low;
  const int toHigh = high - pointer;
  if (std::min(toLow, toHigh) >= kHalfSource) return pointer - kHalfSource;
  return toLow < toHigh ? low : high - kSourceSide;
}
}  // namespace

void TOrvantaGraph::PlaceLensFirst(int x, int y) {
  if (!PlotUsable() || !plotRect_.contains(x, y)) return;
  const QPoint start(SourceStart(x, plotRect_.left(), plotRect_.right()),
                     SourceStart(y, plotRect_.top(), plotRect_.bottom()));
  sourceRect_ = QRect(start, start + QPoint(kSourceSide, kSourceSide));
  lensRect_ = LensAround(sourceRect_);
  lensShown_ = true;
}

QRect TOrvantaGraph::LensAround(const QRect& source) const {
  const int side = Trunc(kSourceSide * zoom_);
  const int grow = (side - kSourceSide) / 2;
  return QRect(QPoint(source.left() - grow, source.top() - grow),
               QPoint(source.right() + grow, source.top() - grow + side));
}

void TOrvantaGraph::FollowWithLens(int x, int y) {
  if (lensRect_.contains(x, y)) return;
  const auto overshoot = [](int pointer, int low, int high) {
    if (pointer < low) return pointer - low;
    if (pointer > high) return pointer - high;
    return 0;
  };
  const QPoint shift(overshoot(x, lensRect_.left(), lensRect_.right()),
                     overshoot(y, lensRect_.top(), lensRect_.bottom()));
  const QRect moved = sourceRect_.translated(shift);
  if (plotRect_.contains(moved.topLeft()) && plotRect_.contains(moved.bottomRight())) {
    sourceRect_ = moved;
    lensRect_.translate(shift);
  } else {
    lensShown_ = false;
  }
}

// After a rebuild the plot or the zoom may differ: the lens keeps its source
// square if that still lies in the plot.
void TOrvantaGraph::RefitLens() {
  if (!lensShown_) return;
  if (!PlotUsable() || !plotRect_.contains(sourceRect_.topLeft()) ||
      !plotRect_.contains(sourceRect_.bottomRight())) {
    lensShown_ = false;
    return;
  }
  lensRect_ = LensAround(sourceRect_);
  UpdateLensMapping();
}

void TOrvantaGraph::UpdateLensMapping() {
  const int plotW = SpanX(plotRect_);
  const int plotH = SpanY(plotRect_);
  const auto scaled = [](int offset, int zoomSide, int plotSide) {
    return Trunc((double(offset) * zoomSide) / plotSide);
  };
  const QPoint origin = plotRect_.topLeft();
  zoomRect_ = QRect(QPoint(scaled(sourceRect_.left() - origin.x(), zoomImage_.width(), plotW),
                           scaled(sourceRect_.top() - origin.y(), zoomImage_.height(), plotH)),
                    QPoint(scaled(sourceRect_.right() - origin.x(), zoomImage_.width(), plotW),
                           scaled(sourceRect_.bottom() - origin.y(), zoomImage_.height(), plotH)));
  frameRect_ = lensRect_.adjusted(-1, -1, 1, 1);
}

std::optional<TGraphValue> TOrvantaGraph::CursorToValue(QPoint pointer) const {
  if (!lensShown_) return std::nullopt;
  const double zsx = zoomImage_.width() / double(kRawSteps);
  const double zsy = zoomImage_.height() / double(kDbSpan);
  const int raw = Trunc((zoomRect_.left() + pointer.x() - lensRect_.left() + 0.5 * zsx) / zsx);
  const int tenths = Trunc(10.0 * (pointer.y() + zoomRect_.top() - lensRect_.top()) / zsy + 0.5);
  // Around the plot's edges the lens reaches past the scales; what lies
  // there is the nearest value on them.
  TGraphValue value;
  value.Raw = std::clamp(raw, 0, kRawSteps);
  value.Level = -std::clamp(tenths, 0, kDbSpan * 10) / 10.0 + 0.0;
  return value;
}

// ---- The screen image --------------------------------------------------------

void TOrvantaGraph::DrawMagnifier(QPainter& painter) const {
  painter.drawImage(lensRect_, zoomImage_, zoomRect_);
}

void TOrvantaGraph::DrawFrame(QPainter& painter) const {
  painter.setPen(QPen(frameColor_, 1));
  OutlinePixels(painter, frameRect_);
}

QRect TOrvantaGraph::DrawReadout(QPainter& painter) const {
  const TGraphValue value = *CursorToValue(pointer_);
  const QString line1 = FormatLevel(value.Level) + QLatin1Char(' ') + labelY_;
  const QString line2 = QString::number(value.Raw) + QLatin1Char(' ') + labelX_;
  const QFontMetrics& fm = painter.fontMetrics();
  const int w1 = fm.horizontalAdvance(line1);
  const int w2 = fm.horizontalAdvance(line2);
  const int boxWidth = std::max(w1, w2) + 6;
  const int th = fm.height();
  // Below and right of the pointer, flipped where that passes the client.
  int left = pointer_.x() + 5;
  int top = pointer_.y() + 5;
  int right = left + boxWidth;
  int bottom = pointer_.y() + 2 * th + 7;
  if (bottom > height()) {
    bottom = pointer_.y() - 5;
    top = pointer_.y() - 2 * th - 7;
  }
  if (right > width()) {
    right = pointer_.x() - 5;
    left = right - boxWidth;
  }
  // Right and bottom are the first pixels outside the box.
  const QRect box(QPoint(left, top), QPoint(right - 1, bottom - 1));
  painter.setPen(QPen(kReadoutOutline, 1));
  painter.setBrush(cursorPosColor_);
  const double radius = (th / 2) / 2.0;
  painter.drawRoundedRect(box.adjusted(0, 0, -1, -1), radius, radius);
  painter.setPen(cursorPosFontColor_);
  TextAt(painter, right - 3 - w1, top + 1, line1);
  TextAt(painter, right - 3 - w2, top + th + 1, line2);
  return box;
}

// Draws magnifier, frame and readout over the screen image; returns the
// area they cover.
QRect TOrvantaGraph::PaintOverlay() {
  if (!lensShown_) {
    readoutRect_ = QRect();
    return {};
  }
  QPainter painter(&screen_);
  painter.setFont(font());
  DrawMagnifier(painter);
  DrawFrame(painter);
  readoutRect_ = DrawReadout(painter);
  return frameRect_ | readoutRect_;
}

void TOrvantaGraph::RestoreScreen(const QRect& area) { CopyArea(screen_, background_, area); }

// Takes the old overlay off the screen image, draws the current one and
// repaints what changed, together with changed.
void TOrvantaGraph::RefreshScreen(const QRect& changed) {
  const QRect old = overlayRect_;
  RestoreScreen(old | changed);
  overlayRect_ = PaintOverlay();
  update(old | changed | overlayRect_);
}

void TOrvantaGraph::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.drawImage(area, screen_, area);
}

void TOrvantaGraph::resizeEvent(QResizeEvent*) {
  if (background_.size() != size()) Rebuild();
}

// ---- Pointer --------------------------------------------------------------

void TOrvantaGraph::enterEvent(QEnterEvent* event) {
  mouseInside_ = true;
  HandleMove(event->position().toPoint());
}

void TOrvantaGraph::mouseMoveEvent(QMouseEvent* event) {
  if (mouseInside_) HandleMove(event->position().toPoint());
}

void TOrvantaGraph::HandleMove(QPoint pointer) {
  pointer_ = pointer;
  PlaceLens(pointer.x(), pointer.y());
  if (lensShown_ && dragging_ && dragIndex_ >= 0) {
    StoreDraggedLevel(pointer);
    RefreshScreen(plotRect_);
  } else {
    RefreshScreen();
  }
}

void TOrvantaGraph::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || dragging_) return;
  BeginDrag(event->position().toPoint());
}

void TOrvantaGraph::BeginDrag(QPoint pointer) {
  QApplication::setOverrideCursor(Cross2Cursor());
  dragging_ = true;
  // Hold the pointer on the pressed column, over the height the lens can
  // reach, so that a drag changes one raw value and stays within the scale.
  const int reach = Trunc((kSourceSide * zoom_ - kSourceSide) * 0.5);
  const QPoint stripTop(pointer.x(), plotRect_.top() - reach);
  platform::ConfinePointer(QRect(mapToGlobal(stripTop), QSize(1, SpanY(plotRect_) + 2 * reach)));
  if (sets_.empty() || !lensShown_) return;
  pointer_ = pointer;
  dragIndex_ = CursorToValue(pointer)->Raw;
  dragSet_ = 0;
  StoreDraggedLevel(pointer);
  RefreshScreen(plotRect_);
}

void TOrvantaGraph::StoreDraggedLevel(QPoint pointer) {
  TDBMSet* set = sets_.at(dragSet_).get();
  set->levels_[dragIndex_] = CursorToValue(pointer)->Level;
  if (OnDBMChanged) OnDBMChanged(this, set, dragIndex_);
  RedrawCurves();
}

void TOrvantaGraph::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && dragging_) EndDrag();
}

void TOrvantaGraph::EndDrag() {
  QApplication::restoreOverrideCursor();
  platform::ReleasePointer();
  dragging_ = false;
  dragIndex_ = -1;
  dragSet_ = -1;
}

void TOrvantaGraph::leaveEvent(QEvent*) { StopPointerWork(); }

// Hidden while dragging (e.g. its window closed by a key), it must not keep
// the pointer held.
void TOrvantaGraph::hideEvent(QHideEvent*) { StopPointerWork(); }

void TOrvantaGraph::StopPointerWork() {
  if (dragging_) EndDrag();
  lensShown_ = false;
  mouseInside_ = false;
  RefreshScreen();
}

// ---- Pulse ----------------------------------------------------------------

void TOrvantaGraph::Pulse() {
  if (pulse_ > kPulseTop) pulseStep_ = -kPulseStep;
  if (pulse_ <= 0) pulseStep_ = kPulseStep;
  if (lensShown_) {
    const int grey = pulse_ + kPulseBase;
    frameColor_ = QColor(grey, grey, grey);
    QPainter painter(&screen_);
    painter.setFont(font());
    DrawFrame(painter);
    readoutRect_ = DrawReadout(painter);
    painter.end();
    update(frameRect_ | readoutRect_);
  }
  pulse_ += pulseStep_;
}
