#include "forms/U_tableform.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "forms/U_editvalform.h"
#include "forms/U_fillform.h"
#include "forms/U_fselectform.h"
#include "forms/U_mainform.h"
#include "forms/calibration_library.h"
#include "forms/known_receivers.h"
#include "platform/application.h"
#include "widgets/leveltext.h"
#include "widgets/myintedit.h"
#include "widgets/mylabel.h"
#include "widgets/stalignedit.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

TTableForm* TableForm = nullptr;

namespace {

constexpr int kColCount = 22;
constexpr int kRowCount = TTableForm::kRowsPerPair + 1;
constexpr int kRawWidth = 24;
constexpr int kDBmWidth = 33;
constexpr int kRowHeight = 14;
constexpr int kGridLeft = 6;
constexpr int kGridTop = 24;
constexpr int kGridWidth = 11 * (kRawWidth + kDBmWidth) + kColCount;
constexpr int kGridHeight = kRowCount * (kRowHeight + 1);
constexpr int kButtonTop = kGridTop + kGridHeight + 6;
constexpr int kWindowWidth = kGridLeft + kGridWidth + 6;
constexpr int kWindowHeight = kButtonTop + 22 + 6;

const QColor kBackground(0x42, 0x42, 0x42);
const QColor kSelectedLevel(0x90, 0x90, 0x90);
const QColor kLevel(0x63, 0x63, 0x63);
const QColor kCurrentRaw(0x80, 0x00, 0x00);
const QColor kHeaderText(0xff, 0xff, 0x00);
const QColor kCurrentRawText(0xff, 0x00, 0x00);
const QColor kRawText(0x00, 0x80, 0x00);
const QColor kLevelText(0x00, 0xff, 0x00);

// Right-aligned text ending 2 pixels left of the cell's right edge.
void DrawCellText(QPainter& painter, const QRect& rect, int top, const QString& text) {
  painter.drawText(QRect(rect.left(), top, rect.width() - 2, rect.bottom() - top + 1),
                   Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, text);
}

// Empty entries (exactly 0.0) before the first point take its level, after
// the last point the last point's level; gaps between two points are filled
// on the straight line between them, to the nearest tenth. Points never change.
void Interpolate(TLevelTable& levels) {
  const int count = static_cast<int>(levels.size());
  int i = 0;
  bool first = true;
  while (i < count) {
    if (levels[i] == 0.0) {
      ++i;
      continue;
    }
    if (first) {
      std::fill(levels.begin(), levels.begin() + i, levels[i]);
      first = false;
    }
    const double a = levels[i];
    int j = i + 1;
    while (j < count && levels[j] == 0.0) ++j;
    if (j == count) {
      std::fill(levels.begin() + i + 1, levels.end(), a);
      break;
    }
    for (int k = 1; k < j - i; ++k) {
      const double x = a + k * (levels[j] - a) / (j - i);
      levels[i + k] = std::trunc(10 * x - 0.5) / 10;
    }
    i = j;
  }
}

}  // namespace

TTableForm::TTableForm() : TCaptionedForm(QStringLiteral("Translation table"), kWindowWidth, kWindowHeight) {
  CreateGrid();
  CreateButtons();
  ConnectGraph();
  OnHide = [this](platform::Form*) { FormHide(); };
  OnShow = [this](platform::Form*) { CenterOnScreen(); };
}

void TTableForm::CreateGrid() {
  T = new TStringGrid(this);
  T->setGeometry(kGridLeft, kGridTop, kGridWidth, kGridHeight);
  T->SetColCount(kColCount);
  T->SetRowCount(kRowCount);
  T->SetFixedRows(1);
  T->SetFixedCols(0);
  T->SetDefaultRowHeight(kRowHeight);
  T->SetOptions(goFixedVertLine | goFixedHorzLine);
  T->SetDefaultDrawing(false);
  T->SetColor(kBackground);
  for (int col = 0; col < kColCount; ++col) T->SetColWidth(col, col % 2 == 0 ? kRawWidth : kDBmWidth);
  T->OnDrawCell = [this](TStringGrid*, int col, int row, const QRect& rect, QPainter& painter,
                         bool selected) { TDrawCell(col, row, rect, painter, selected); };
  T->OnSelectCell = [this](TStringGrid*, int col, int row, bool& canSelect) {
    TSelectCell(col, row, canSelect);
  };
  T->OnDblClick = [this](TStringGrid*) { TDblClick(); };
  T->OnKeyPress = [this](TStringGrid*, QChar& ch) { TKeyPress(ch); };
  // The double click acts on the cell under the pointer at that moment.
  struct DoubleClickWatch : QObject {
    QPoint* at;
    DoubleClickWatch(QObject* parent, QPoint* at) : QObject(parent), at(at) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::MouseButtonDblClick)
        *at = static_cast<QMouseEvent*>(event)->position().toPoint();
      return false;
    }
  };
  T->installEventFilter(new DoubleClickWatch(T, &doubleClickAt_));
  T->SetCurrent(1, 1);
}

void TTableForm::CreateButtons() {
  struct Tool {
    TstSpeedButton** button;
    const char* caption;
    void (TTableForm::*handler)();
  };
  const Tool tools[] = {
      {&stSpeedButton6, "Interpolate", &TTableForm::stSpeedButton6Click},
      {&stSpeedButton7, "Copy", &TTableForm::stSpeedButton7Click},
      {&stSpeedButton1, "Offset", &TTableForm::stSpeedButton1Click},
      {&stSpeedButton2, "Fill", &TTableForm::stSpeedButton2Click},
      {&stSpeedButton4, "Graph", &TTableForm::stSpeedButton4Click},
      {&stSpeedButton5, "OK", nullptr},
      {&stSpeedButton3, "Cancel", nullptr},
  };
  constexpr int kWidth = 80;
  const int gap = (kGridWidth - 7 * kWidth) / 6;
  int left = kGridLeft;
  for (const Tool& tool : tools) {
    TstSpeedButton* button =
        MakeButton(QString::fromLatin1(tool.caption), QRect(left, kButtonTop, kWidth, 22));
    *tool.button = button;
    left += kWidth + gap;
    if (tool.handler)
      button->OnClick = [this, handler = tool.handler](TstSpeedButton*) {
        platform::Guard([this, handler] { (this->*handler)(); });
      };
  }
  stSpeedButton5->OnClick = [this](TstSpeedButton*) { SetModalResult(platform::ModalResult::Ok); };
  stSpeedButton3->OnClick = [this](TstSpeedButton*) { SetModalResult(platform::ModalResult::Cancel); };
}

void TTableForm::ConnectGraph() {
  if (GraphForm) GraphForm->OnLevelDragged = [this](int raw, double level) { GraphLevelDragged(raw, level); };
}

void TTableForm::LoadTable(const TLevelTable& levels, const QString& title) {
  for (int idx = 0; idx < kEntryCount; ++idx) SetLevelCell(idx, levels[idx]);
  Levels = levels;
  Title = title;
  ConnectGraph();
  if (GraphForm) GraphForm->LoadCurve(levels, title);
}

void TTableForm::SetLevelCell(int idx, double level) {
  T->SetCell(DBmCol(idx), EntryRow(idx), FormatLevel(level));
}

void TTableForm::SetCurrentRaw(uint8_t raw) {
  if (raw == CurrentRaw) return;
  const int old = CurrentRaw;
  CurrentRaw = raw;
  RepaintRawCell(old);
  RepaintRawCell(raw);
}

void TTableForm::RepaintRawCell(int idx) { T->InvalidateCell(DBmCol(idx) - 1, EntryRow(idx)); }

bool TTableForm::IsEntryCell(int col, int row) const {
  return col >= 0 && col < kColCount && col % 2 == 1 && row >= 1 && row < kRowCount &&
         EntryIndex(col, row) < kEntryCount;
}

void TTableForm::TDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  painter.setFont(font);
  const bool fixed = row == 0;
  const int idx = EntryIndex(col, row);
  const bool dBmColumn = col % 2 == 1;
  const bool entry = !fixed && idx < kEntryCount;
  QColor background = kBackground;
  if (entry && dBmColumn)
    background = selected ? kSelectedLevel : kLevel;
  else if (entry && idx == CurrentRaw)
    background = kCurrentRaw;
  painter.fillRect(rect, background);
  // The grid lines lie in the room right of and below the cell.
  painter.setPen(kBackground);
  const int lineX = rect.right() + 1;
  const int lineY = rect.bottom() + 1;
  painter.drawLine(rect.left(), lineY, lineX, lineY);
  painter.drawLine(lineX, lineY, lineX, rect.top());

  if (fixed) {
    painter.setPen(kHeaderText);
    if (dBmColumn) {
      DrawCellText(painter, rect, rect.top(), QStringLiteral("dBm"));
    } else {
      font.setPixelSize(9);
      painter.setFont(font);
      DrawCellText(painter, rect, rect.top() + 2, QStringLiteral("RAW"));
    }
    return;
  }
  if (!entry) return;
  if (dBmColumn) {
    painter.setPen(kLevelText);
    DrawCellText(painter, rect, rect.top(), T->Cells(col, row));
  } else {
    painter.setPen(idx == CurrentRaw ? kCurrentRawText : kRawText);
    DrawCellText(painter, rect, rect.top(), QString::number(idx));
  }
}

void TTableForm::TSelectCell(int col, int row, bool& canSelect) { canSelect = IsEntryCell(col, row); }

void TTableForm::TDblClick() {
  const TGridCoord cell = T->MouseToCell(doubleClickAt_);
  if (IsEntryCell(cell.Col, cell.Row)) EditEntry(EntryIndex(cell.Col, cell.Row), cell.Col, cell.Row);
}

void TTableForm::TKeyPress(QChar& key) {
  if (key != QChar(keychar::kEnter)) return;
  if (IsEntryCell(T->Col(), T->Row())) EditEntry(EntryIndex(T->Col(), T->Row()), T->Col(), T->Row());
}

void TTableForm::EditEntry(int idx, int col, int row) {
  EditValForm->V->setText(FormatLevel(Levels[idx]));
  EditValForm->L->SetCaption(QString::number(idx));
  if (EditValForm->ShowModal() != platform::ModalResult::Ok) return;
  const double value = EditValForm->Value;
  T->SetCell(col, row, FormatLevel(value));
  Levels[idx] = value;
  if (GraphForm) GraphForm->Set->SetValue(idx, value);
  Modified = true;
}

void TTableForm::GraphLevelDragged(int raw, double level) {
  Levels[raw] = level;
  SetLevelCell(raw, level);
  Modified = true;
}

bool TTableForm::AskRange(const QString& caption, const QString& label, bool fillMode) {
  FillForm->setWindowTitle(caption);
  FillForm->SetCaption(caption);
  FillForm->L->SetCaption(label);
  FillForm->FillMode = fillMode;
  return FillForm->ShowModal() == platform::ModalResult::Ok;
}

void TTableForm::stSpeedButton2Click() {
  if (!AskRange(QStringLiteral("Fill values"), QStringLiteral("Fill values for RAW"), true)) return;
  TLevelTable levels = Levels;
  for (int64_t r = FillForm->From->Value(); r <= FillForm->To->Value(); ++r) levels[r] = FillForm->Value;
  TakeLevels(levels);
}

void TTableForm::stSpeedButton1Click() {
  if (!AskRange(QStringLiteral("Add offset"), QStringLiteral("Add offset for RAW"), false)) return;
  TLevelTable levels = Levels;
  // Offsetting works in whole dB: every level in the range loses its fraction,
  // even with an offset of 0.
  for (int64_t r = FillForm->From->Value(); r <= FillForm->To->Value(); ++r)
    levels[r] = std::clamp(std::trunc(levels[r] + FillForm->Value), -140.0, 0.0);
  TakeLevels(levels);
}

void TTableForm::stSpeedButton6Click() {
  TLevelTable levels = Levels;
  Interpolate(levels);
  TakeLevels(levels);
}

void TTableForm::stSpeedButton7Click() {
  if (FSelectForm->ShowModal() != platform::ModalResult::Ok) return;
  TLevelTable column;
  const int32_t result = ReadColumn(MainForm->CalHandle, MainForm->ReceiverName, MainForm->CurrentMode(),
                                    FSelectForm->SelectedFrequency, column);
  if (result != CAL_OK) {
    ShowLibraryError(result);
    return;
  }
  TakeLevels(column);
}

// Every tool that changes a level marks the table, so that the main window
// asks before the work is lost.
void TTableForm::TakeLevels(const TLevelTable& levels) {
  if (levels != Levels) Modified = true;
  LoadTable(levels, Title);
}

void TTableForm::stSpeedButton4Click() {
  if (!GraphForm) return;
  // Tied to this window so that its modality does not block the graph.
  GraphForm->winId();
  GraphForm->windowHandle()->setTransientParent(windowHandle());
  // Where the operator put it stays; a hidden one opens beside the editor.
  if (!GraphForm->isVisible()) GraphForm->MoveBeside(*this);
  GraphForm->show();
  GraphForm->raise();
}

void TTableForm::FormHide() {
  if (GraphForm) GraphForm->hide();
}
