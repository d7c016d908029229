#include "forms/U_copyform.h"

#include <QPainter>

#include "forms/U_mainform.h"
#include "forms/known_receivers.h"
#include "receivers/text_helpers.h"
#include "platform/application.h"
#include "platform/error.h"
#include "widgets/datafont.h"
#include "widgets/mylabel.h"
#include "widgets/myscrollbar.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"


TCopyForm* CopyForm = nullptr;

namespace {

const QColor kGridColor(0x42, 0x42, 0x42);
const QColor kSelectedRow(0x90, 0x90, 0x90);
const QColor kText(0xc0, 0xc0, 0xc0);
constexpr int kListTop = 40;
constexpr int kListHeight = 216;
constexpr int kDeviceListWidth = 96;
constexpr int kModeListWidth = 140;
constexpr int kBarWidth = 15;

// Back to one empty row.
void EmptyGrid(TStringGrid* grid) {
  grid->SetRowCount(1);
  grid->ClearRow(0);
}

// A row for `text`: the first takes the empty row.
int AddRow(TStringGrid* grid, int count, const QString& text) {
  if (count > 0) grid->SetRowCount(count + 1);
  grid->SetCell(0, count, text);
  return count;
}

// Gives a list's scroll bar the range of the rows the grid cannot show, or
// hides it when every row fits.
void FitScrollBar(TStringGrid* grid, TmyScrollBar* bar) {
  const int visible = grid->VisibleRowCount();
  if (grid->RowCount() <= visible) {
    bar->hide();
    return;
  }
  // The last position shows the last row at the bottom.
  bar->SetMin(0);
  bar->SetMax(grid->RowCount() - visible + 1);
  bar->SetLength(1);
  bar->SetPosition(grid->TopRow());
  bar->show();
}

}  // namespace

QString TModeNamer::operator()(int32_t code) {
  try {
    return ModeName(code);
  } catch (const platform::Error& error) {
    if (!reported_) platform::Application::ShowException(error);
    reported_ = true;
    return QString();
  }
}

TCopyForm::TCopyForm() : TCaptionedForm(QStringLiteral("Copy"), 283, 290) {
  D = MakeList(QStringLiteral("Devices"), QRect(8, kListTop, kDeviceListWidth, kListHeight), LDevices, DSB);
  M = MakeList(QStringLiteral("Modes"),
               QRect(8 + kDeviceListWidth + kBarWidth + 6, kListTop, kModeListWidth, kListHeight), LModes,
               MSB);
  D->OnSelectCell = [this](TStringGrid*, int col, int row, bool& canSelect) {
    DSelectCell(col, row, canSelect);
  };
  D->OnTopLeftChanged = [this](TStringGrid*) { DTopLeftChanged(); };
  DSB->OnPositionChange = [this](TmyScrollBar*) { DSBPositionChange(); };
  M->OnTopLeftChanged = [this](TStringGrid*) { MTopLeftChanged(); };
  MSB->OnPositionChange = [this](TmyScrollBar*) { MSBPositionChange(); };
  BCopy = MakeButton(QStringLiteral("Copy"), QRect(8, 264, 128, 20));
  BCopy->OnClick = [this](TstSpeedButton*) { BCopyClick(); };
  BSelect = MakeButton(QStringLiteral("Cancel"), QRect(147, 264, 128, 20));
  BSelect->OnClick = [this](TstSpeedButton*) { SetModalResult(platform::ModalResult::Cancel); };
  OnShow = [this](platform::Form*) { FormShow(); };
}

TStringGrid* TCopyForm::MakeList(const QString& caption, const QRect& area, TmyLabel*& label,
                                 TmyScrollBar*& bar) {
  label = MakeLabel(caption, QRect(area.left(), 24, area.width(), 14));
  auto* grid = new TStringGrid(this);
  grid->setGeometry(area);
  grid->SetColCount(1);
  grid->SetRowCount(1);
  grid->SetFixedRows(0);
  grid->SetFixedCols(0);
  grid->SetColWidth(0, area.width());
  grid->SetDefaultRowHeight(14);
  grid->SetOptions(goRowSelect);
  grid->SetDefaultDrawing(false);
  grid->SetColor(kGridColor);
  grid->OnDrawCell = [this](TStringGrid* sender, int, int row, const QRect& rect, QPainter& painter,
                            bool selected) { MDrawCell(sender, row, rect, painter, selected); };
  bar = new TmyScrollBar(this);
  bar->SetKind(TScrollBarKind::sbVertical);
  bar->setGeometry(area.right() + 1, area.top(), kBarWidth, area.height());
  bar->hide();
  return grid;
}

void TCopyForm::FormShow() {
  CenterOnScreen();
  EmptyGrid(D);
  ReceiverCount = 0;
  ModeCount = 0;
  int count = 0;
  for (const std::string& name : ReceiversInTable(MainForm->CalHandle))
    count = AddRow(D, count, QString::fromStdString(name)) + 1;
  // Selecting the first row before the count is set fills no mode list yet.
  D->SetRow(0);
  ReceiverCount = count;
  FitScrollBar(D, DSB);
  BCopy->setEnabled(ReceiverCount != 0);
  if (ReceiverCount != 0)
    FillModeList(D->Row());
  else
    EmptyGrid(M);
}

void TCopyForm::FillModeList(int row) {
  const std::string name = D->Cells(0, row).toStdString();
  EmptyGrid(M);
  ModeCount = 0;
  TModeNamer modeName;
  for (int32_t code : ReadModes(MainForm->CalHandle, name)) {
    const QString text = modeName(code);
    if (text.isEmpty()) continue;
    AddRow(M, ModeCount, text);
    M->SetObject(0, ModeCount++, code);
  }
  M->SetRow(0);
  FitScrollBar(M, MSB);
  BCopy->setEnabled(ModeCount != 0);
}

void TCopyForm::DSelectCell(int, int row, bool& canSelect) {
  canSelect = true;
  if (ReceiverCount != 0) FillModeList(row);
}

void TCopyForm::MDrawCell(TStringGrid* grid, int row, const QRect& rect, QPainter& painter, bool selected) {
  const bool empty = grid->RowCount() == 1 && grid->Cells(0, 0).isEmpty();
  const bool highlighted = selected && !empty;
  painter.fillRect(rect, highlighted ? kSelectedRow : kGridColor);
  if (empty) return;
  painter.setFont(DataFont());
  painter.setPen(highlighted ? Qt::black : kText);
  painter.drawText(rect.adjusted(5, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, grid->Cells(0, row));
}

void TCopyForm::DTopLeftChanged() { DSB->SetPosition(D->TopRow()); }
void TCopyForm::DSBPositionChange() { D->SetTopRow(static_cast<int>(DSB->Position())); }
void TCopyForm::MTopLeftChanged() { MSB->SetPosition(M->TopRow()); }
void TCopyForm::MSBPositionChange() { M->SetTopRow(static_cast<int>(MSB->Position())); }

void TCopyForm::BCopyClick() {
  SourceReceiver = D->Cells(0, D->Row()).toStdString();
  SourceMode = static_cast<int32_t>(M->Objects(0, M->Row()));
  SetModalResult(platform::ModalResult::Ok);
}
