#pragma once
// The frequency table editor: the 256 levels of one calibration frequency in
// a grid of RAW/dBm column pairs, with tools to edit one level, fill, offset,
// interpolate, copy from another frequency, and plot. The live raw reading is
// marked while the window is open.
#include <QPoint>
#include <QString>
#include <cstdint>

#include "graph/U_graphform.h"

class TStringGrid;
class QPainter;

class TTableForm : public TCaptionedForm {
 public:
  TTableForm();

  // Copies `levels` into Levels and the grid, and hands them to the graph window.
  void LoadTable(const TLevelTable& levels, const QString& title);
  // The raw value the receiver reports right now (the measurement loop).
  void SetCurrentRaw(uint8_t raw);

  uint8_t CurrentRaw = 0;
  TLevelTable Levels{};
  QString Title;
  // Set by every change of a level: the value dialog, a graph drag, or a bulk
  // tool that changed something. The opener clears it and reads it after OK.
  bool Modified = false;

  TStringGrid* T;
  TstSpeedButton* stSpeedButton6;  // Interpolate
  TstSpeedButton* stSpeedButton7;  // Copy
  TstSpeedButton* stSpeedButton1;  // Offset
  TstSpeedButton* stSpeedButton2;  // Fill
  TstSpeedButton* stSpeedButton4;  // Graph
  TstSpeedButton* stSpeedButton5;  // OK
  TstSpeedButton* stSpeedButton3;  // Cancel

  // Grid layout: 11 pairs of a RAW and a dBm column, 24 entries per pair.
  static constexpr int kRowsPerPair = 24;
  static constexpr int kEntryCount = TDBMSet::kLevelCount;
  // The entry a cell shows (rows 1..24), and the dBm cell of an entry.
  static int EntryIndex(int col, int row) { return kRowsPerPair * (col / 2) + row - 1; }
  static int DBmCol(int idx) { return 2 * (idx / kRowsPerPair) + 1; }
  static int EntryRow(int idx) { return idx % kRowsPerPair + 1; }

  void TDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected);
  void TSelectCell(int col, int row, bool& canSelect);
  void TDblClick();
  void TKeyPress(QChar& key);
  void EditEntry(int idx, int col, int row);
  void stSpeedButton6Click();
  void stSpeedButton7Click();
  void stSpeedButton1Click();
  void stSpeedButton2Click();
  void stSpeedButton4Click();
  void FormHide();

 private:
  void CreateGrid();
  void CreateButtons();
  void ConnectGraph();
  void SetLevelCell(int idx, double level);
  void GraphLevelDragged(int raw, double level);
  // The result of a bulk tool: shown, and Modified when a level changed.
  void TakeLevels(const TLevelTable& levels);
  void RepaintRawCell(int idx);
  // Shows the fill dialog for one of its two operations; true on OK.
  bool AskRange(const QString& caption, const QString& label, bool fillMode);
  bool IsEntryCell(int col, int row) const;

  QPoint doubleClickAt_;
};

extern TTableForm* TableForm;
