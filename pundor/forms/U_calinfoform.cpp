#include "forms/U_calinfoform.h"

#include <QPainter>
#include <vector>

#include "forms/U_copyform.h"
#include "forms/U_mainform.h"
#include "forms/known_receivers.h"
#include "receivers/text_helpers.h"
#include "widgets/datafont.h"
#include "widgets/myscrollbar.h"
#include "widgets/stpanel.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"


TCalInfoForm* CalInfoForm = nullptr;

namespace {

constexpr int kColWidths[] = {60, 170, 100};
constexpr int kBevel = 2;
constexpr int kBarWidth = 15;
constexpr int kPanelTop = 24;
constexpr int kPanelHeight = 240;
const QColor kHeader(0x42, 0x42, 0x42);
const QColor kSelected(0x90, 0x90, 0x90);
const QColor kFilled(0x55, 0x55, 0x55);
const QColor kOutline(0x20, 0x20, 0x20);

int ColumnsWidth() { return kColWidths[0] + kColWidths[1] + kColWidths[2]; }

}  // namespace

TCalInfoForm::TCalInfoForm()
    : TCaptionedForm(QStringLiteral("Calibration table information"), ColumnsWidth() + 2 * kBevel + 12,
                     kPanelTop + kPanelHeight + 34) {
  P = new TstPanel(this);
  P->SetBevelOuter(TBevelCut::bvLowered);
  P->SetBevelWidth(kBevel);
  G = new TStringGrid(P);
  G->SetColCount(3);
  G->SetRowCount(2);
  G->SetFixedRows(1);
  G->SetFixedCols(0);
  G->SetDefaultRowHeight(14);
  G->SetGridLineWidth(0);
  G->SetOptions(goRowSelect);
  G->SetDefaultDrawing(false);
  for (int col = 0; col < 3; ++col) G->SetColWidth(col, kColWidths[col]);
  G->SetCell(0, 0, QStringLiteral("Receiver"));
  G->SetCell(1, 0, QStringLiteral("Mode"));
  G->SetCell(2, 0, QStringLiteral("Frequency"));
  G->OnDrawCell = [this](TStringGrid*, int col, int row, const QRect& rect, QPainter& painter,
                         bool selected) { GDrawCell(col, row, rect, painter, selected); };
  G->OnTopLeftChanged = [this](TStringGrid*) { GTopLeftChanged(); };
  SB = new TmyScrollBar(P);
  SB->SetKind(TScrollBarKind::sbVertical);
  SB->OnPositionChange = [this](TmyScrollBar*) { SBPositionChange(); };
  SB->hide();
  BClose = MakeButton(QStringLiteral("Close"), QRect(0, 0, 80, 20));
  BClose->OnClick = [this](TstSpeedButton*) { SysBtnCloseClick(); };
  OnShow = [this](platform::Form*) { FormShow(); };
  FormCreate();
}

void TCalInfoForm::FormCreate() {
  P->setGeometry(6, kPanelTop, ColumnsWidth() + 2 * kBevel, kPanelHeight);
  const QRect inside = P->InnerRect();
  G->setGeometry(inside);
  SB->setGeometry(inside.right() + 1 - kBarWidth, inside.top(), kBarWidth, inside.height());
  BClose->move(P->geometry().right() + 1 - BClose->width(), P->geometry().bottom() + 6);
}

void TCalInfoForm::Put(int col, const QString& text) {
  if (G->RowCount() < nextRow_ + 1) G->SetRowCount(nextRow_ + 1);
  G->SetCell(col, nextRow_, text);
}

void TCalInfoForm::FormShow() {
  CenterOnScreen();
  G->SetRowCount(2);
  G->ClearRow(1);
  nextRow_ = 1;
  TModeNamer modeName;
  for (const std::string& name : ReceiversInTable(MainForm->CalHandle)) ListReceiver(name, modeName);
  FitScrollBar();
  G->setFocus();
}

// One row per frequency point; the receiver's name only on its first row, a
// mode's name only on the first row of that mode. A mode without points gets
// a row of its own.
void TCalInfoForm::ListReceiver(const std::string& name, TModeNamer& modeName) {
  const int firstRow = nextRow_;
  Put(0, QString::fromStdString(name));
  std::vector<int64_t> frequencies;
  for (int32_t code : ReadModes(MainForm->CalHandle, name)) {
    const QString mode = modeName(code);
    if (mode.isEmpty()) continue;
    Put(1, mode);
    ReadFrequencies(MainForm->CalHandle, name, code, frequencies);
    if (frequencies.empty()) ++nextRow_;
    for (int64_t frequency : frequencies) {
      Put(2, FormatFrequency(frequency));
      ++nextRow_;
    }
  }
  // A receiver none of whose modes could be listed still shows its name.
  if (nextRow_ == firstRow) ++nextRow_;
}

void TCalInfoForm::FitScrollBar() {
  SB->SetMin(G->FixedRows());
  const int visible = G->VisibleRowCount();
  if (G->RowCount() - visible - 1 > 0) {
    SB->SetMax(G->RowCount() - visible + 1);
    SB->SetLength(1);
    SB->SetPosition(G->TopRow());
    SB->show();
  } else {
    SB->hide();
  }
  G->update();
}

void TCalInfoForm::GDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected) {
  painter.setFont(DataFont());
  const bool header = row == 0;
  const bool filled = TableHoldsAnything();
  QColor background = kHeader;
  if (!header) background = selected && filled ? kSelected : (filled ? kFilled : kHeader);
  painter.fillRect(rect, background);
  const QString text = G->Cells(col, row);
  if (filled && !header) {
    painter.setPen(text.isEmpty() ? kFilled : kOutline);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    if (col != 0) {
      painter.setPen(kOutline);
      painter.drawLine(rect.topLeft(), rect.bottomLeft());
    }
  }
  if (header)
    painter.setPen(QColor(0xff, 0xff, 0x00));
  else
    painter.setPen(selected && filled ? kOutline : QColor(0xc0, 0xc0, 0xc0));
  if (col == 2) {
    const int inset = 3 + (SB->isVisibleTo(this) ? SB->width() : 0);
    painter.drawText(rect.adjusted(0, 0, -inset, 0), Qt::AlignRight | Qt::AlignTop, text);
  } else {
    painter.drawText(rect.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
  }
}

void TCalInfoForm::GTopLeftChanged() { SB->SetPosition(G->TopRow()); }

void TCalInfoForm::SBPositionChange() { G->SetTopRow(static_cast<int>(SB->Position())); }
