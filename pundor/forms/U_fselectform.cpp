#include "forms/U_fselectform.h"

#include <QPainter>

#include "widgets/datafont.h"
#include "widgets/mylabel.h"
#include "widgets/myscrollbar.h"
#include "widgets/stalignedit.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

TFSelectForm* FSelectForm = nullptr;

namespace {

const QColor kGridColor(0x42, 0x42, 0x42);
const QColor kSelectedRow(0x90, 0x90, 0x90);
const QColor kText(0xc0, 0xc0, 0xc0);

}  // namespace

TFSelectForm::TFSelectForm() : TCaptionedForm(QStringLiteral("Copy"), 247, 230) {
  Label1 = MakeLabel(QStringLiteral("Select frequency to copy"), QRect(8, 24, 200, 14));
  F = new TStringGrid(this);
  F->setGeometry(8, 40, 214, 160);
  FSB = new TmyScrollBar(this);
  FSB->setGeometry(222, 40, 17, 160);
  F->SetColCount(3);
  F->SetRowCount(1);
  F->SetFixedRows(0);
  F->SetFixedCols(0);
  F->SetDefaultColWidth(120);
  F->SetDefaultRowHeight(14);
  F->SetOptions(goRowSelect);
  F->SetDefaultDrawing(false);
  F->SetColor(kGridColor);
  FSB->SetKind(TScrollBarKind::sbVertical);
  FSB->hide();
  F->OnDrawCell = [this](TStringGrid*, int col, int row, const QRect& rect, QPainter& painter,
                         bool selected) { FDrawCell(col, row, rect, painter, selected); };
  F->OnKeyPress = [this](TStringGrid*, QChar& ch) { FKeyPress(ch); };
  F->OnTopLeftChanged = [this](TStringGrid*) { FTopLeftChanged(); };
  FSB->OnPositionChange = [this](TmyScrollBar*) { FSBPositionChange(); };
  BCopy = MakeButton(QStringLiteral("Copy"), QRect(8, 206, 110, 18));
  BCopy->OnClick = [this](TstSpeedButton*) { BCopyClick(); };
  BSelect = MakeButton(QStringLiteral("Cancel"), QRect(129, 206, 110, 18));
  BSelect->OnClick = [this](TstSpeedButton*) { SetModalResult(platform::ModalResult::Cancel); };
  OnShow = [this](platform::Form*) {
    CenterOnScreen();
    F->setFocus();
  };
}

void TFSelectForm::FDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected) {
  painter.fillRect(rect, selected ? kSelectedRow : kGridColor);
  if (col != 0) return;
  painter.setFont(DataFont());
  painter.setPen(selected ? Qt::black : kText);
  const QRect text = rect.adjusted(0, 0, -2, 0);
  painter.drawText(text, Qt::AlignRight | Qt::AlignTop, F->Cells(0, row));
  // Row numbers end where "0000." would, so numbers up to four digits line up.
  const int numberEnd = painter.fontMetrics().horizontalAdvance(QStringLiteral("0000."));
  painter.drawText(QRect(rect.left(), rect.top(), numberEnd, rect.height()), Qt::AlignRight | Qt::AlignTop,
                   QString::number(row + 1) + '.');
}

void TFSelectForm::FKeyPress(QChar& key) {
  if (key != QChar(keychar::kEnter)) return;
  key = QChar();
  BCopyClick();
}

void TFSelectForm::FTopLeftChanged() { FSB->SetPosition(F->TopRow()); }

void TFSelectForm::FSBPositionChange() { F->SetTopRow(static_cast<int>(FSB->Position())); }

void TFSelectForm::BCopyClick() {
  const QString frequency = F->Cells(1, F->Row());
  // An empty list offers nothing to copy.
  if (frequency.isEmpty()) return;
  SelectedFrequency = frequency.toLongLong();
  SetModalResult(platform::ModalResult::Ok);
}
