// Gallery pages of the widget library: every control in its usual states.
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "gallery.h"
#include "widgets/frequencyedit.h"
#include "widgets/myintedit.h"
#include "widgets/mylabel.h"
#include "widgets/myscrollbar.h"
#include "widgets/myupdown.h"
#include "widgets/stalignedit.h"
#include "widgets/stgauge.h"
#include "widgets/stpanel.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

namespace {

QFont Arial(int pixels, bool bold = false) {
  QFont font("Arial");
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// A window-coloured sheet without bevels to lay the samples out on.
struct Sheet {
  Sheet(int width, int height) {
    panel.resize(width, height);
    panel.SetBevelOuter(TBevelCut::bvNone);
    panel.setFont(Arial(11));
  }
  TmyLabel* Caption(const QString& text, int x, int y, int width = 200) {
    auto* label = new TmyLabel(text, &panel);
    label->setGeometry(x, y, width, 14);
    return label;
  }
  TstPanel panel;
};

void Press(QWidget* widget) {
  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

}  // namespace

ORVANTA_GALLERY_PAGE("widgets-panel") {
  Sheet sheet(420, 90);
  const struct {
    const char* name;
    TBevelCut outer;
    TBevelCut inner;
    int width;
    bool gradient;
  } samples[] = {
      {"raised 1", TBevelCut::bvRaised, TBevelCut::bvNone, 1, false},
      {"lowered 2", TBevelCut::bvLowered, TBevelCut::bvNone, 2, false},
      {"gradient outer 3", TBevelCut::bvRaised, TBevelCut::bvNone, 3, true},
      {"gradient inner 2", TBevelCut::bvNone, TBevelCut::bvLowered, 2, true},
  };
  int x = 8;
  for (const auto& sample : samples) {
    auto* panel = new TstPanel(&sheet.panel);
    panel->setGeometry(x, 8, 95, 50);
    panel->SetBevelOuter(sample.outer);
    panel->SetBevelInner(sample.inner);
    panel->SetBevelWidth(sample.width);
    panel->SetGradient(sample.gradient);
    sheet.Caption(sample.name, x, 64, 100);
    x += 102;
  }
  return gallery::Grab(&sheet.panel);
}

ORVANTA_GALLERY_PAGE("widgets-speedbutton") {
  Sheet sheet(330, 100);
  const char* captions[] = {"Open", "Save", "Pressed", "Disabled"};
  for (int i = 0; i < 4; ++i) {
    auto* button = new TstSpeedButton(&sheet.panel);
    button->setGeometry(8 + i * 78, 8, 72, 23);
    button->SetCaption(captions[i]);
    if (i == 2) Press(button);
    if (i == 3) button->setEnabled(false);
  }
  const TButtonKind kinds[] = {TButtonKind::bkArrowLeft, TButtonKind::bkArrowRight, TButtonKind::bkArrowUp,
                               TButtonKind::bkArrowDown, TButtonKind::bkMinimize,   TButtonKind::bkClose};
  for (int i = 0; i < 6; ++i) {
    auto* button = new TstSpeedButton(&sheet.panel);
    button->move(8 + i * 30, 44);
    button->SetKind(kinds[i]);
    auto* disabled = new TstSpeedButton(&sheet.panel);
    disabled->move(8 + i * 30, 72);
    disabled->SetKind(kinds[i]);
    disabled->setEnabled(false);
  }
  auto* close = new TstSpeedButton(&sheet.panel);
  close->setGeometry(200, 44, 18, 16);
  close->SetKind(TButtonKind::bkClose);
  close->SetColor(QColor(0x2d, 0x40, 0x99));
  close->SetBevelWidth(1);
  sheet.Caption("caption strip", 224, 45, 100);
  return gallery::Grab(&sheet.panel);
}

ORVANTA_GALLERY_PAGE("widgets-label") {
  Sheet sheet(300, 92);
  auto* strip = new TstPanel(&sheet.panel);
  strip->setGeometry(0, 0, 300, 18);
  strip->SetColor(QColor(0x2d, 0x40, 0x99));
  strip->SetBevelOuter(TBevelCut::bvNone);
  auto* caption = new TmyLabel("Orvanta [VK-5000; New.cal]", strip);
  caption->setGeometry(4, 2, 280, 14);
  caption->setFont(Arial(11, true));
  caption->SetFontColor(Qt::white);
  sheet.Caption("Enabled label", 8, 26);
  sheet.Caption("Disabled label", 8, 44)->setEnabled(false);
  auto* right = sheet.Caption("Right-aligned on its own colour", 8, 64, 284);
  right->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
  right->SetTransparent(false);
  right->SetColor(QColor(0x22, 0x22, 0x22));
  right->setFixedHeight(20);
  return gallery::Grab(&sheet.panel);
}

ORVANTA_GALLERY_PAGE("widgets-edits") {
  Sheet sheet(260, 100);
  auto* text = new TstAlignEdit(&sheet.panel);
  text->setGeometry(8, 8, 120, 18);
  text->setText("-47.5");
  text->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
  sheet.Caption("aligned field", 136, 10);
  auto* number = new TmyIntEdit(&sheet.panel);
  number->setGeometry(8, 32, 120, 18);
  number->SetMax(255);
  number->SetValue(128);
  sheet.Caption("integer field 0..255", 136, 34);
  auto* undefined = new TmyIntEdit(&sheet.panel);
  undefined->setGeometry(8, 56, 120, 18);
  undefined->SetUndefValue(-1);
  undefined->SetUndefValueText("not set");
  undefined->SetDisplayUndefValueText(true);
  undefined->SetValue(-1);
  sheet.Caption("undefined value", 136, 58);
  auto* disabled = new TmyIntEdit(&sheet.panel);
  disabled->setGeometry(8, 80, 120, 18);
  disabled->SetValue(42);
  disabled->setEnabled(false);
  sheet.Caption("disabled", 136, 82);
  return gallery::Grab(&sheet.panel);
}

ORVANTA_GALLERY_PAGE("widgets-frequencyedit") {
  Sheet sheet(300, 130);
  const auto field = [&](int y, const QString& caption) {
    auto* edit = new TmyFrequencyEdit(&sheet.panel);
    edit->setGeometry(8, y, 150, 20);
    edit->setFont(Arial(14, true));
    edit->SetFontColor(QColor(0x00, 0xff, 0x00));
    edit->SetFixedPoint(fp1Hz);
    edit->SetShowUnit(fuMHz);
    sheet.Caption(caption, 166, y + 3, 130);
    return edit;
  };
  field(8, "MHz, 1 Hz")->SetValue(145500000);
  auto* small = field(32, "small last 3 digits");
  small->SetSmallFixedPoint(fp1kHz);
  small->SetSmallColor(QColor(0x00, 0x90, 0x00));
  small->SetValue(7103250);
  auto* automatic = field(56, "automatic unit");
  automatic->SetShowUnit(fuUndef);
  automatic->SetFixedPoint(fpNone);
  automatic->SetValue(1800);
  auto* undefined = field(80, "undefined value");
  undefined->SetUndefValueText("no tuning");
  undefined->SetDisplayUndefValueText(true);
  auto* disabled = field(104, "disabled");
  disabled->SetValue(30000000);
  disabled->setEnabled(false);
  return gallery::Grab(&sheet.panel);
}

ORVANTA_GALLERY_PAGE("widgets-gauge") {
  Sheet sheet(300, 110);
  const int values[] = {0, 128, 255};
  for (int i = 0; i < 3; ++i) {
    auto* gauge = new TstGauge(&sheet.panel);
    gauge->setGeometry(8, 8 + i * 30, 220, 22);
    gauge->SetBevelOuter(TBevelCut::bvNone);
    gauge->SetBevelInner(TBevelCut::bvLowered);
    gauge->SetGradient(true);
    gauge->SetBevelWidth(2);
    gauge->SetMax(255);
    gauge->SetGaugePercent(88);
    gauge->SetBackColor(QColor(0x00, 0x50, 0x00));
    gauge->SetForeColor(QColor(0x00, 0xb0, 0x00));
    gauge->SetCurrent(values[i]);
    if (i == 1) {
      auto* level = new TmyLabel("-73.5 dBm", gauge);
      level->setGeometry(4, 4, 100, 14);
      level->SetFontColor(Qt::white);
    }
  }
  auto* empty = new TstGauge(&sheet.panel);
  empty->setGeometry(8, 98 - 10, 220, 18);
  empty->SetMax(0);
  sheet.Caption("Min = Max", 234, 90, 64);
  return gallery::Grab(&sheet.panel);
}

ORVANTA_GALLERY_PAGE("widgets-scrollbar") {
  Sheet sheet(300, 160);
  auto* horizontal = new TmyScrollBar(&sheet.panel);
  horizontal->move(8, 8);
  horizontal->SetPosition(30);
  auto* atEnd = new TmyScrollBar(&sheet.panel);
  atEnd->setGeometry(8, 36, 200, 15);
  atEnd->SetMax(10);
  atEnd->SetLength(1);
  atEnd->SetPosition(9);
  auto* nothing = new TmyScrollBar(&sheet.panel);
  nothing->setGeometry(8, 60, 200, 15);
  nothing->SetMax(0);
  sheet.Caption("Min = Max", 8, 80, 80);
  const int positions[] = {0, 5, 9};
  for (int i = 0; i < 3; ++i) {
    auto* vertical = new TmyScrollBar(&sheet.panel);
    vertical->SetKind(TScrollBarKind::sbVertical);
    vertical->setGeometry(230 + i * 22, 8, 15, 140);
    vertical->SetMax(10);
    vertical->SetLength(1);
    vertical->SetPosition(positions[i]);
  }
  return gallery::Grab(&sheet.panel);
}

ORVANTA_GALLERY_PAGE("widgets-updown") {
  Sheet sheet(220, 50);
  auto* mode = new TstAlignEdit(&sheet.panel);
  mode->setGeometry(8, 8, 150, 25);
  mode->setText("USB - Upper Side Band");
  mode->setReadOnly(true);
  auto* upDown = new TmyUpDown(&sheet.panel);
  upDown->setGeometry(160, 8, 17, 25);
  auto* disabled = new TmyUpDown(&sheet.panel);
  disabled->setGeometry(190, 8, 17, 25);
  disabled->setEnabled(false);
  return gallery::Grab(&sheet.panel);
}

ORVANTA_GALLERY_PAGE("widgets-stringgrid") {
  Sheet sheet(420, 170);
  auto* list = new TStringGrid(&sheet.panel);
  list->setGeometry(8, 8, 160, 150);
  list->SetFixedCols(0);
  list->SetFixedRows(0);
  list->SetColCount(1);
  list->SetColWidth(0, 160);
  list->SetDefaultRowHeight(14);
  list->SetOptions(goRowSelect);
  list->SetRowCount(20);
  for (int row = 0; row < 20; ++row) list->SetCell(0, row, QString("%1 MHz").arg(1.8 + row * 1.5));
  list->SetRow(3);
  list->OnDrawCell = [](TStringGrid* grid, int col, int row, const QRect& rect, QPainter& painter,
                        bool selected) {
    painter.fillRect(rect, selected ? QColor(0x90, 0x90, 0x90) : QColor(0x42, 0x42, 0x42));
    painter.setPen(selected ? Qt::black : QColor(0xc0, 0xc0, 0xc0));
    painter.drawText(rect.adjusted(5, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, grid->Cells(col, row));
  };
  auto* bar = new TmyScrollBar(&sheet.panel);
  bar->SetKind(TScrollBarKind::sbVertical);
  bar->setGeometry(168, 8, 15, 150);
  bar->SetMax(20 - list->VisibleRowCount() + 1);
  bar->SetLength(1);

  auto* table = new TStringGrid(&sheet.panel);
  table->setGeometry(196, 8, 4 * 57, 11 * 14);
  table->SetFixedCols(0);
  table->SetColCount(4);
  table->SetRowCount(11);
  table->SetDefaultRowHeight(14);
  table->SetOptions(goFixedVertLine | goFixedHorzLine);
  for (int col = 0; col < 4; ++col) table->SetColWidth(col, col % 2 ? 33 : 24);
  table->SetCurrent(1, 2);
  table->OnDrawCell = [](TStringGrid*, int col, int row, const QRect& rect, QPainter& painter,
                         bool selected) {
    const int index = 10 * (col / 2) + row - 1;
    const bool header = row == 0;
    const bool raw = col % 2 == 0;
    painter.fillRect(rect, header || raw ? QColor(0x42, 0x42, 0x42)
                           : selected    ? QColor(0x90, 0x90, 0x90)
                                         : QColor(0x63, 0x63, 0x63));
    painter.setPen(header ? QColor(0xff, 0xff, 0x00)
                   : raw  ? QColor(0x00, 0x80, 0x00)
                          : QColor(0x00, 0xff, 0x00));
    const QString text = header ? (raw ? "RAW" : "dBm")
                         : raw  ? QString::number(index)
                                : QString("-%1.0").arg(120 - index);
    painter.drawText(rect.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignTop, text);
  };
  return gallery::Grab(&sheet.panel);
}
