#pragma once
// The calibration graph: level-per-raw-value curves (raw 0..255 across,
// -140..0 dBm down) with a magnifier that follows the pointer, a readout of
// the raw value and level under it, and editing by dragging one level at a
// time. It knows nothing about receivers or calibration files.
//
// Rectangles named "...Rect" below are given by their corners: left(),
// top(), right() and bottom() are the pixels on the edges, all included.
#include <QColor>
#include <QCursor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/guarded.h"

class QPainter;
class TOrvantaGraph;

// One curve: 256 levels in dBm, indexed by raw value, with its colour and the
// name shown in the legend. Once added to a graph, the graph owns it and
// redraws on every change.
class TDBMSet {
 public:
  static constexpr int kLevelCount = 256;

  TDBMSet() = default;
  TDBMSet(const TDBMSet&) = delete;
  TDBMSet& operator=(const TDBMSet&) = delete;

  TOrvantaGraph* Owner() const { return owner_; }
  const std::array<double, kLevelCount>& Levels() const { return levels_; }

  // Both raise platform::Error "DBM index out of range (<index>)" for an
  // index outside 0..255.
  double GetValue(int index) const;
  void SetValue(int index, double level);

  QColor Color() const { return color_; }
  void SetColor(QColor color);
  QString Name() const { return name_; }
  void SetName(const QString& name);

 private:
  friend class TOrvantaGraph;
  void RefreshOwner();

  TOrvantaGraph* owner_ = nullptr;
  std::array<double, kLevelCount> levels_{};
  QColor color_{Qt::black};
  QString name_;
};

// What lies under the pointer in the magnifier, in the plot's ranges.
struct TGraphValue {
  int Raw = 0;         // 0..255
  double Level = 0.0;  // -140.0..0.0, rounded to a tenth of a dB
};

class TOrvantaGraph : public platform::Guarded<QWidget> {
 public:
  // The cursors of the graph, from the program's resources: CROSS1 over the
  // graph, CROSS2 while dragging. 32 x 32, hot spot (7, 7).
  static const QCursor& Cross1Cursor();
  static const QCursor& Cross2Cursor();

  explicit TOrvantaGraph(QWidget* owner = nullptr);
  ~TOrvantaGraph() override;

  // The graph takes ownership of set.
  void AddSet(TDBMSet* set);
  int SetCount() const { return static_cast<int>(sets_.size()); }
  TDBMSet* Set(int index) const { return sets_.at(index).get(); }

  // Suspend redrawing while many values change; EndUpdate redraws once.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return !redrawEnabled_; }

  // Rebuilds the layout and the images and repaints, unless suspended.
  void Refresh();
  // Lays out the plot and renders the background, zoom and screen images.
  void Rebuild();
  // How many times Rebuild ran since construction.
  int RebuildCount() const { return rebuildCount_; }

  // The font colour (tick labels) is the palette's WindowText; a change of
  // font or palette takes effect at the next Refresh.
  QColor Color() const { return color_; }
  void SetColor(QColor color);
  QColor AxisColor() const { return axisColor_; }
  void SetAxisColor(QColor color);
  QColor GridColor() const { return gridColor_; }
  void SetGridColor(QColor color);
  QColor LabelColor() const { return labelColor_; }
  void SetLabelColor(QColor color);
  QColor CursorPosColor() const { return cursorPosColor_; }
  void SetCursorPosColor(QColor color);
  QColor CursorPosFontColor() const { return cursorPosFontColor_; }
  void SetCursorPosFontColor(QColor color);
  int Margin() const { return margin_; }
  void SetMargin(int margin);
  QString LabelX() const { return labelX_; }
  void SetLabelX(const QString& label);
  QString LabelY() const { return labelY_; }
  void SetLabelY(const QString& label);
  double Zoom() const { return zoom_; }
  // Raises platform::Error "Value of Zoom must be greater or equal than 1"
  // for a value below 1 (or not a number) and keeps the old one.
  void SetZoom(double zoom);

  // A level was changed with the mouse; it is already stored in Set.
  std::function<void(TOrvantaGraph* Graph, TDBMSet* Set, int Raw)> OnDBMChanged;

  // Layout, from the last Rebuild.
  QRect PlotRect() const { return plotRect_; }
  // Whether the plot area holds the magnifier's 40 x 40 source square.
  bool PlotUsable() const;

  // The magnifier, following a pointer at client position (x, y).
  void PlaceLens(int x, int y);
  bool MagnifierShown() const { return lensShown_; }
  QRect SourceRect() const { return sourceRect_; }
  QRect LensRect() const { return lensRect_; }
  QRect FrameRect() const { return frameRect_; }
  QRect ZoomRect() const { return zoomRect_; }
  // The readout box of the last drawing; empty while the magnifier is off.
  QRect ReadoutRect() const { return readoutRect_; }
  // The raw value and level under a pointer at client position pointer;
  // none while the magnifier is off.
  std::optional<TGraphValue> CursorToValue(QPoint pointer) const;

  bool Dragging() const { return dragging_; }
  int DragIndex() const { return dragIndex_; }

  const QImage& BackgroundImage() const { return background_; }
  const QImage& ZoomImage() const { return zoomImage_; }
  const QImage& ScreenImage() const { return screen_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  struct TextMetrics;

  template <typename T>
  void Assign(T& field, const T& value);

  TextMetrics MeasureTexts() const;
  void SizeImages();
  void LayOut(const TextMetrics& metrics);
  void DrawBackground(const TextMetrics& metrics);
  void DrawAxes(QPainter& painter) const;
  void DrawTicks(QPainter& painter, const TextMetrics& metrics) const;
  void DrawCaptions(QPainter& painter, const TextMetrics& metrics) const;
  void DrawLegend(QPainter& painter, const TextMetrics& metrics) const;
  void DrawPlot(QPainter& painter, const QRect& area) const;
  void RenderZoomImage();
  void RedrawCurves();
  bool HasPlot() const;

  void PlaceLensFirst(int x, int y);
  void FollowWithLens(int x, int y);
  void RefitLens();
  void UpdateLensMapping();
  QRect LensAround(const QRect& source) const;
  void DrawMagnifier(QPainter& painter) const;
  void DrawFrame(QPainter& painter) const;
  QRect DrawReadout(QPainter& painter) const;
  QRect PaintOverlay();
  void RestoreScreen(const QRect& area);
  void RefreshScreen(const QRect& changed = {});

  void HandleMove(QPoint pointer);
  void BeginDrag(QPoint pointer);
  void StoreDraggedLevel(QPoint pointer);
  void EndDrag();
  void StopPointerWork();
  void Pulse();

  std::vector<std::unique_ptr<TDBMSet>> sets_;

  QColor color_{Qt::black};
  QColor axisColor_{0xFF, 0xFF, 0x00};
  QColor gridColor_{0x00, 0x80, 0x00};
  QColor labelColor_{0xFF, 0xFF, 0xFF};
  QColor cursorPosColor_{0x00, 0x50, 0x00};
  QColor cursorPosFontColor_{0x00, 0xC0, 0x00};
  int margin_ = 15;
  QString labelX_{QStringLiteral("RAW")};
  QString labelY_{QStringLiteral("dBm")};
  double zoom_ = 2.5;

  QImage background_;
  QImage zoomImage_;
  QImage screen_;
  QRect plotRect_;
  bool redrawEnabled_ = true;
  int rebuildCount_ = 0;

  bool lensShown_ = false;
  QRect sourceRect_;
  QRect lensRect_;
  QRect frameRect_;
  QRect zoomRect_;
  QRect readoutRect_;
  // What the overlay covers on the screen image, to be restored from the
  // background when it moves.
  QRect overlayRect_;

  bool mouseInside_ = false;
  bool dragging_ = false;
  int dragIndex_ = -1;
  int dragSet_ = -1;
  QPoint pointer_;

  int pulse_ = 0;
  int pulseStep_ = 6;
  QColor frameColor_{150, 150, 150};
  QTimer pulseTimer_;
};
