#include "widgets/stringgrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

namespace {
constexpr int kWheelNotch = 120;
}

TStringGrid::TStringGrid(QWidget* parent) : TstDrawnWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  ResizeCells();
}

// ---- layout ---------------------------------------------------------------

void TStringGrid::ResizeCells() {
  colWidths_.resize(colCount_, defaultColWidth_);
  cells_.resize(rowCount_);
  for (auto& row : cells_) row.resize(colCount_);
}

void TStringGrid::SetColCount(int count) {
  count = std::max(count, fixedCols_ + 1);
  if (count == colCount_) return;
  colCount_ = count;
  ResizeCells();
  current_.Col = std::min(current_.Col, colCount_ - 1);
  Invalidate();
}

void TStringGrid::SetRowCount(int count) {
  count = std::max(count, fixedRows_ + 1);
  if (count == rowCount_) return;
  rowCount_ = count;
  ResizeCells();
  current_.Row = std::min(current_.Row, rowCount_ - 1);
  ClampTopRow();
  Invalidate();
}

// Changing the fixed part starts the grid over at its first scrolling cell.
void TStringGrid::SetFixedCols(int count) {
  count = std::clamp(count, 0, colCount_ - 1);
  if (count == fixedCols_) return;
  fixedCols_ = count;
  current_.Col = fixedCols_;
  Invalidate();
}

void TStringGrid::SetFixedRows(int count) {
  count = std::clamp(count, 0, rowCount_ - 1);
  if (count == fixedRows_) return;
  fixedRows_ = count;
  current_.Row = fixedRows_;
  SetTopRow(fixedRows_);
  ClampTopRow();
  Invalidate();
}

void TStringGrid::SetDefaultColWidth(int width) {
  defaultColWidth_ = std::max(0, width);
  std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
  Invalidate();
}

void TStringGrid::SetDefaultRowHeight(int height) {
  height = std::max(1, height);
  if (height == defaultRowHeight_) return;
  defaultRowHeight_ = height;
  ClampTopRow();
  Invalidate();
}

int TStringGrid::ColWidths(int col) const { return col >= 0 && col < colCount_ ? colWidths_[col] : 0; }

void TStringGrid::SetColWidth(int col, int width) {
  if (col < 0 || col >= colCount_) return;
  width = std::max(0, width);
  if (width == colWidths_[col]) return;
  colWidths_[col] = width;
  Invalidate();
}

void TStringGrid::SetGridLineWidth(int width) {
  width = std::max(0, width);
  if (width == gridLineWidth_) return;
  gridLineWidth_ = width;
  ClampTopRow();
  Invalidate();
}

void TStringGrid::SetOptions(unsigned options) {
  if (options == options_) return;
  options_ = options;
  ClampTopRow();
  Invalidate();
}

void TStringGrid::SetDefaultDrawing(bool on) {
  if (on == defaultDrawing_) return;
  defaultDrawing_ = on;
  Invalidate();
}

void TStringGrid::SetColorField(QColor& field, const QColor& color) {
  if (field == color) return;
  field = color;
  Invalidate();
}

void TStringGrid::SetColor(const QColor& color) { SetColorField(color_, color); }
void TStringGrid::SetFixedColor(const QColor& color) { SetColorField(fixedColor_, color); }
void TStringGrid::SetFontColor(const QColor& color) { SetColorField(fontColor_, color); }
void TStringGrid::SetSelectedColor(const QColor& color) { SetColorField(selectedColor_, color); }
void TStringGrid::SetSelectedFontColor(const QColor& color) { SetColorField(selectedFontColor_, color); }
void TStringGrid::SetGridLineColor(const QColor& color) { SetColorField(gridLineColor_, color); }

// Either kind of line (fixed or scrolling) keeps room for the lines between
// all cells, so that the cells of a grid with lines only around its fixed
// cells stay in step; the options decide where that room is painted as a line.
int TStringGrid::ColLineWidth() const {
  return options_ & (goVertLine | goFixedVertLine) ? gridLineWidth_ : 0;
}
int TStringGrid::RowLineWidth() const {
  return options_ & (goHorzLine | goFixedHorzLine) ? gridLineWidth_ : 0;
}
int TStringGrid::RowExtent() const { return defaultRowHeight_ + RowLineWidth(); }

int TStringGrid::ColLeft(int col) const {
  int left = 0;
  for (int i = 0; i < col; ++i) left += colWidths_[i] + ColLineWidth();
  return left;
}

int TStringGrid::RowTop(int row) const {
  if (row < fixedRows_) return row * RowExtent();
  return (fixedRows_ + row - topRow_) * RowExtent();
}

int TStringGrid::ColAt(int x) const {
  int left = 0;
  for (int col = 0; col < colCount_; ++col) {
    left += colWidths_[col] + ColLineWidth();
    if (x < left) return col;
  }
  return -1;
}

int TStringGrid::RowAt(int y) const {
  const int fixedExtent = fixedRows_ * RowExtent();
  const int row = y < fixedExtent ? y / RowExtent() : topRow_ + (y - fixedExtent) / RowExtent();
  return row < rowCount_ ? row : -1;
}

int TStringGrid::RowsThatFit() const {
  const int room = height() - fixedRows_ * RowExtent() + RowLineWidth();
  return std::max(0, room / RowExtent());
}

int TStringGrid::VisibleRowCount() const { return std::min(RowsThatFit(), rowCount_ - topRow_); }

int TStringGrid::MaxTopRow() const { return std::max(fixedRows_, rowCount_ - std::max(1, RowsThatFit())); }

void TStringGrid::SetTopRow(int row) {
  row = std::clamp(row, fixedRows_, MaxTopRow());
  if (row == topRow_) return;
  topRow_ = row;
  Invalidate();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TStringGrid::ClampTopRow() { SetTopRow(topRow_); }

void TStringGrid::resizeEvent(QResizeEvent* event) {
  TstDrawnWidget::resizeEvent(event);
  ClampTopRow();
}

bool TStringGrid::Contains(int col, int row) const {
  return col >= 0 && col < colCount_ && row >= 0 && row < rowCount_;
}

QRect TStringGrid::CellRect(int col, int row) const {
  if (!Contains(col, row) || (row >= fixedRows_ && row < topRow_)) return {};
  const QRect cell(ColLeft(col), RowTop(row), colWidths_[col], defaultRowHeight_);
  return cell.intersects(rect()) ? cell : QRect();
}

TGridCoord TStringGrid::MouseToCell(const QPoint& point) const {
  if (!rect().contains(point)) return {};
  const int col = ColAt(point.x());
  const int row = RowAt(point.y());
  if (col < 0 || row < 0) return {};
  return {col, row};
}

void TStringGrid::InvalidateCell(int col, int row) {
  const QRect cell = CellRect(col, row);
  if (!cell.isEmpty()) Invalidate(cell.adjusted(0, 0, ColLineWidth(), RowLineWidth()));
}

void TStringGrid::InvalidateRow(int row) {
  if (row < 0 || row >= rowCount_ || (row >= fixedRows_ && row < topRow_)) return;
  Invalidate(QRect(0, RowTop(row), width(), RowExtent()));
}

// ---- contents -------------------------------------------------------------

QString TStringGrid::Cells(int col, int row) const {
  return Contains(col, row) ? cells_[row][col].text : QString();
}

// Writing a cell always repaints it, even with the same text: windows write a
// cell to have it drawn anew.
void TStringGrid::SetCell(int col, int row, const QString& text) {
  if (!Contains(col, row)) return;
  cells_[row][col].text = text;
  InvalidateCell(col, row);
}

intptr_t TStringGrid::Objects(int col, int row) const {
  return Contains(col, row) ? cells_[row][col].object : 0;
}

void TStringGrid::SetObject(int col, int row, intptr_t object) {
  if (!Contains(col, row) || cells_[row][col].object == object) return;
  cells_[row][col].object = object;
  InvalidateCell(col, row);
}

void TStringGrid::ClearRow(int row) {
  if (row < 0 || row >= rowCount_) return;
  for (Cell& cell : cells_[row]) cell = Cell{};
  InvalidateRow(row);
}

// ---- selection ------------------------------------------------------------

bool TStringGrid::IsSelected(int col, int row) const {
  if (row != current_.Row || row < fixedRows_ || col < fixedCols_) return false;
  return (options_ & goRowSelect) || col == current_.Col;
}

bool TStringGrid::CanSelect(int col, int row) {
  if (!Contains(col, row) || col < fixedCols_ || row < fixedRows_) return false;
  bool canSelect = true;
  if (OnSelectCell) OnSelectCell(this, col, row, canSelect);
  return canSelect;
}

void TStringGrid::SetCol(int col) { SetCurrent(col, current_.Row); }
void TStringGrid::SetRow(int row) { SetCurrent(current_.Col, row); }

void TStringGrid::SetCurrent(int col, int row) {
  if (CanSelect(col, row)) MoveCurrent({col, row});
}

void TStringGrid::MoveCurrent(const TGridCoord& to) {
  if (to == current_) return;
  const TGridCoord from = current_;
  current_ = to;
  if (options_ & goRowSelect) {
    InvalidateRow(from.Row);
    InvalidateRow(to.Row);
  } else {
    InvalidateCell(from.Col, from.Row);
    InvalidateCell(to.Col, to.Row);
  }
  ScrollIntoView(to.Row);
}

void TStringGrid::ScrollIntoView(int row) {
  if (row < fixedRows_) return;
  if (row < topRow_)
    SetTopRow(row);
  else if (row >= topRow_ + std::max(1, RowsThatFit()))
    SetTopRow(row - std::max(1, RowsThatFit()) + 1);
}

bool TStringGrid::MoveTowards(int col, int row, int dCol, int dRow) {
  while (Contains(col, row) && col >= fixedCols_ && row >= fixedRows_) {
    if (CanSelect(col, row)) {
      MoveCurrent({col, row});
      return true;
    }
    if (dCol == 0 && dRow == 0) break;
    col += dCol;
    row += dRow;
  }
  return false;
}

// ---- input ----------------------------------------------------------------

void TStringGrid::keyPressEvent(QKeyEvent* event) {
  int key = event->key();
  if (OnKeyDown) OnKeyDown(this, key, event->modifiers());
  if (key == 0) return;
  const bool rowSelect = options_ & goRowSelect;
  const bool byRow = rowSelect || (event->modifiers() & Qt::ControlModifier);
  const int page = std::max(1, VisibleRowCount());
  const int col = current_.Col;
  const int row = current_.Row;
  switch (key) {
    case Qt::Key_Up:
      MoveTowards(col, row - 1, 0, -1);
      return;
    case Qt::Key_Down:
      MoveTowards(col, row + 1, 0, 1);
      return;
    case Qt::Key_Left:
      if (!rowSelect) MoveTowards(col - 1, row, -1, 0);
      return;
    case Qt::Key_Right:
      if (!rowSelect) MoveTowards(col + 1, row, 1, 0);
      return;
    case Qt::Key_PageUp:
      SetTopRow(topRow_ - page);
      MoveTowards(col, std::max(fixedRows_, row - page), 0, -1);
      return;
    case Qt::Key_PageDown:
      SetTopRow(topRow_ + page);
      MoveTowards(col, std::min(rowCount_ - 1, row + page), 0, 1);
      return;
    case Qt::Key_Home:
      byRow ? MoveTowards(col, fixedRows_, 0, 1) : MoveTowards(fixedCols_, row, 1, 0);
      return;
    case Qt::Key_End:
      byRow ? MoveTowards(col, rowCount_ - 1, 0, -1) : MoveTowards(colCount_ - 1, row, -1, 0);
      return;
    default:
      break;
  }
  QChar ch = key == Qt::Key_Return || key == Qt::Key_Enter ? QChar(13)
             : event->text().size() == 1                   ? event->text().at(0)
                                                           : QChar();
  if (!ch.isNull() && OnKeyPress) OnKeyPress(this, ch);
}

bool TStringGrid::SelectAt(const QPoint& point) {
  const TGridCoord cell = MouseToCell(point);
  if (cell.Col < fixedCols_ || cell.Row < fixedRows_) return false;
  SetCurrent(cell.Col, cell.Row);
  return true;
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return TstDrawnWidget::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  SelectAt(event->position().toPoint());
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) SelectAt(event->position().toPoint());
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return TstDrawnWidget::mouseDoubleClickEvent(event);
  SelectAt(event->position().toPoint());
  if (OnDblClick) OnDblClick(this);
}

void TStringGrid::wheelEvent(QWheelEvent* event) {
  wheelRemainder_ += event->angleDelta().y();
  const int steps = wheelRemainder_ / kWheelNotch;
  wheelRemainder_ %= kWheelNotch;
  for (int i = 0; i < std::abs(steps); ++i) {
    const int dRow = steps > 0 ? -1 : 1;
    MoveTowards(current_.Col, current_.Row + dRow, 0, dRow);
  }
  event->accept();
}

// ---- drawing --------------------------------------------------------------

void TStringGrid::Render(QPainter& painter) {
  const QRegion dirty = painter.clipRegion();
  painter.fillRect(dirty.boundingRect(), color_);
  const auto drawRow = [&](int row) {
    for (int col = 0; col < colCount_; ++col) {
      const QRect cell(ColLeft(col), RowTop(row), colWidths_[col], defaultRowHeight_);
      if (cell.left() >= width()) break;
      if (!dirty.intersects(cell.adjusted(0, 0, ColLineWidth(), RowLineWidth()))) continue;
      RenderLines(painter, col, row, cell);
      RenderCell(painter, col, row, cell);
    }
  };
  for (int row = 0; row < fixedRows_; ++row) drawRow(row);
  for (int row = topRow_; row < rowCount_ && RowTop(row) < height(); ++row) drawRow(row);
}

void TStringGrid::RenderLines(QPainter& painter, int col, int row, const QRect& cell) {
  const bool fixed = col < fixedCols_ || row < fixedRows_;
  const bool vertical = options_ & (fixed ? goFixedVertLine : goVertLine);
  const bool horizontal = options_ & (fixed ? goFixedHorzLine : goHorzLine);
  const QColor gap = fixed ? fixedColor_ : color_;
  const QRect right(cell.right() + 1, cell.top(), ColLineWidth(), cell.height() + RowLineWidth());
  const QRect below(cell.left(), cell.bottom() + 1, cell.width() + ColLineWidth(), RowLineWidth());
  painter.fillRect(right, vertical ? gridLineColor_ : gap);
  painter.fillRect(below, horizontal ? gridLineColor_ : gap);
}

void TStringGrid::RenderCell(QPainter& painter, int col, int row, const QRect& cell) {
  const bool selected = IsSelected(col, row);
  const bool fixed = col < fixedCols_ || row < fixedRows_;
  painter.save();
  // A cell may paint its own grid lines but nothing beyond, so that repainting
  // one cell gives the same pixels as repainting the whole grid.
  painter.setClipRect(cell.adjusted(0, 0, ColLineWidth(), RowLineWidth()), Qt::IntersectClip);
  if (defaultDrawing_) {
    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    painter.fillRect(cell, selected ? selectedColor_ : fixed ? fixedColor_ : color_);
    painter.setPen(selected ? selectedFontColor_ : fontColor_);
    painter.drawText(cell.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     cells_[row][col].text);
    painter.restore();
  }
  if (OnDrawCell) {
    painter.setPen(fontColor_);
    painter.setBrush(Qt::NoBrush);
    OnDrawCell(this, col, row, cell, painter, selected);
  }
  painter.restore();
}
