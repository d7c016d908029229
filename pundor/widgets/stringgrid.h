#pragma once
// Owner-drawn grid of text cells, used by every list of the program. Rows all
// have DefaultRowHeight; fixed rows and columns stay in place while the other
// rows scroll by TopRow. The grid has no scroll bars of its own: a window puts
// a TmyScrollBar beside it and keeps both in step through OnTopLeftChanged.
// Changing a cell, the selection or the layout repaints only what changed.
#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "widgets/drawnwidget.h"

struct TGridCoord {
  int Col = -1;
  int Row = -1;
  bool operator==(const TGridCoord&) const = default;
};

enum TGridOption : unsigned {
  goFixedVertLine = 1u << 0,
  goFixedHorzLine = 1u << 1,
  goVertLine = 1u << 2,
  goHorzLine = 1u << 3,
  goRowSelect = 1u << 4,
};

class TStringGrid : public TstDrawnWidget {
 public:
  explicit TStringGrid(QWidget* parent = nullptr);

  int ColCount() const { return colCount_; }
  void SetColCount(int count);
  int RowCount() const { return rowCount_; }
  void SetRowCount(int count);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int count);
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int width);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int height);
  int ColWidths(int col) const;
  void SetColWidth(int col, int width);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int width);
  unsigned Options() const { return options_; }
  void SetOptions(unsigned options);
  // When set, the grid paints each cell's background and text before OnDrawCell.
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool on);

  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  QColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(const QColor& color);
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color);
  QColor SelectedColor() const { return selectedColor_; }
  void SetSelectedColor(const QColor& color);
  QColor SelectedFontColor() const { return selectedFontColor_; }
  void SetSelectedFontColor(const QColor& color);
  QColor GridLineColor() const { return gridLineColor_; }
  void SetGridLineColor(const QColor& color);

  QString Cells(int col, int row) const;
  void SetCell(int col, int row, const QString& text);
  intptr_t Objects(int col, int row) const;
  void SetObject(int col, int row, intptr_t object);
  // Empties the texts and objects of one row.
  void ClearRow(int row);

  // The current cell. Moving it asks OnSelectCell first, like a click would.
  int Col() const { return current_.Col; }
  int Row() const { return current_.Row; }
  void SetCol(int col);
  void SetRow(int row);
  void SetCurrent(int col, int row);

  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  // Number of scrolling rows shown in full from TopRow on.
  int VisibleRowCount() const;

  // Cell rectangle in widget coordinates without its grid lines; empty when
  // the cell is scrolled out of view.
  QRect CellRect(int col, int row) const;
  // The cell under a point, or {-1, -1} outside every cell.
  TGridCoord MouseToCell(const QPoint& point) const;
  void InvalidateCell(int col, int row);
  void InvalidateRow(int row);

  std::function<void(TStringGrid*, int col, int row, const QRect& rect, QPainter& painter, bool selected)>
      OnDrawCell;
  std::function<void(TStringGrid*, int col, int row, bool& canSelect)> OnSelectCell;
  std::function<void(TStringGrid*)> OnDblClick;
  std::function<void(TStringGrid*)> OnTopLeftChanged;
  // Set the key to 0 to keep the grid from acting on it.
  std::function<void(TStringGrid*, int& key, Qt::KeyboardModifiers)> OnKeyDown;
  std::function<void(TStringGrid*, QChar& ch)> OnKeyPress;

 protected:
  void Render(QPainter& painter) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Cell {
    QString text;
    intptr_t object = 0;
  };

  bool Contains(int col, int row) const;
  bool IsSelected(int col, int row) const;
  bool CanSelect(int col, int row);
  // Moves the current cell to the first selectable cell from (col, row) on in
  // the direction (dCol, dRow); true when it moved.
  bool MoveTowards(int col, int row, int dCol, int dRow);
  void MoveCurrent(const TGridCoord& to);
  void ScrollIntoView(int row);
  int MaxTopRow() const;
  int RowsThatFit() const;
  int ColLineWidth() const;
  int RowLineWidth() const;
  int RowExtent() const;
  int ColLeft(int col) const;
  int RowTop(int row) const;
  int ColAt(int x) const;
  int RowAt(int y) const;
  void ClampTopRow();
  void ResizeCells();
  void SetColorField(QColor& field, const QColor& color);
  void RenderCell(QPainter& painter, int col, int row, const QRect& cell);
  void RenderLines(QPainter& painter, int col, int row, const QRect& cell);
  bool SelectAt(const QPoint& point);

  int colCount_ = 5;
  int rowCount_ = 5;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  unsigned options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;
  bool defaultDrawing_ = true;
  QColor color_{0x42, 0x42, 0x42};
  QColor fixedColor_{0x42, 0x42, 0x42};
  QColor fontColor_{0xc0, 0xc0, 0xc0};
  QColor selectedColor_{0x90, 0x90, 0x90};
  QColor selectedFontColor_{0, 0, 0};
  QColor gridLineColor_{0x30, 0x30, 0x30};

  std::vector<int> colWidths_;
  std::vector<std::vector<Cell>> cells_;  // [row][col]
  TGridCoord current_{1, 1};
  int topRow_ = 1;
  int wheelRemainder_ = 0;
};
