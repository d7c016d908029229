#include "forms/U_mainform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "forms/U_aboutform.h"
#include "forms/U_addfqform.h"
#include "forms/U_autocalform.h"
#include "forms/U_calinfoform.h"
#include "forms/U_fselectform.h"
#include "forms/U_reconnectform.h"
#include "forms/U_searchadform.h"
#include "forms/U_tableform.h"
#include "forms/calibration_library.h"
#include "forms/known_receivers.h"
#include "platform/application.h"
#include "platform/caption_strip.h"
#include "platform/dynamic_library.h"
#include "platform/error.h"
#include "platform/html_help.h"
#include "platform/message_box.h"
#include "receivers/text_helpers.h"
#include "widgets/datafont.h"
#include "widgets/frequencyedit.h"
#include "widgets/leveltext.h"
#include "widgets/mylabel.h"
#include "widgets/myscrollbar.h"
#include "widgets/myupdown.h"
#include "widgets/stalignedit.h"
#include "widgets/stgauge.h"
#include "widgets/stpanel.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

TMainForm* MainForm = nullptr;

namespace {

using platform::ModalResult;

const QColor kWindowColor(0x42, 0x42, 0x42);
const QColor kSelectedColor(0x90, 0x90, 0x90);
const QColor kTextColor(0xc0, 0xc0, 0xc0);
const QColor kOpenMarkColor(0xca, 0x00, 0x00);
constexpr int kRowHeight = 14;
const QString kNewFileName = QStringLiteral("New.cal");
const QString kProgramName = QStringLiteral("Orvanta");
const QString kCalFilter = QStringLiteral("S-Meter Calibration Table Files (*.CAL)|*.cal");


QString FromLocal(const std::string& text) { return QString::fromLocal8Bit(text.c_str()); }

TstPanel* MakePanel(QWidget* parent, const QRect& rect) {
  auto* panel = new TstPanel(parent);
  panel->setGeometry(rect);
  // Only the commands move the focus here (FocusPanel): a press on a button
  // of the group must not take a typed frequency.
  panel->setFocusPolicy(Qt::NoFocus);
  return panel;
}

// A group panel with its title at the top.
TstPanel* MakeGroup(QWidget* parent, const QString& title, const QRect& rect) {
  TstPanel* panel = MakePanel(parent, rect);
  auto* label = new TmyLabel(title, panel);
  label->setGeometry(6, 3, rect.width() - 12, 13);
  label->SetFontColor(Qt::white);
  return panel;
}

TstSpeedButton* MakeButton(QWidget* parent, const QString& caption, const QString& hint, const QRect& rect) {
  auto* button = new TstSpeedButton(parent);
  button->SetCaption(caption);
  button->setToolTip(hint);
  button->setGeometry(rect);
  return button;
}

TStringGrid* MakeList(QWidget* parent, const QRect& rect) {
  auto* grid = new TStringGrid(parent);
  grid->setGeometry(rect);
  grid->SetFixedCols(0);
  grid->SetFixedRows(0);
  grid->SetColCount(3);
  grid->SetRowCount(1);
  grid->SetDefaultRowHeight(kRowHeight);
  grid->SetGridLineWidth(0);
  grid->SetOptions(goRowSelect);
  grid->SetDefaultDrawing(false);
  grid->SetColor(kWindowColor);
  grid->SetCurrent(0, 0);
  return grid;
}

TmyScrollBar* MakeListScrollBar(QWidget* parent, const QRect& rect) {
  auto* bar = new TmyScrollBar(parent);
  bar->SetKind(TScrollBarKind::sbVertical);
  bar->setGeometry(rect);
  bar->hide();
  return bar;
}

// The open mark lives on column 1 and is drawn in column 0.
void SetOpenMark(TStringGrid* devices, int row, bool open) {
  devices->SetObject(1, row, open ? 1 : 0);
  devices->InvalidateCell(0, row);
}

// Fills a list cell's background and sets the pen for its text.
void PaintListCell(QPainter& painter, const QRect& rect, bool highlighted) {
  painter.fillRect(rect, highlighted ? kSelectedColor : kWindowColor);
  painter.setPen(highlighted ? QColor(Qt::black) : kTextColor);
  painter.setFont(DataFont());
}

// Restores the normal cursor when the handler that set the hourglass ends.
class HourglassCursor {
 public:
  HourglassCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~HourglassCursor() { QApplication::restoreOverrideCursor(); }
  HourglassCursor(const HourglassCursor&) = delete;
  HourglassCursor& operator=(const HourglassCursor&) = delete;
};

}  // namespace

TMainForm::TMainForm() {
  setWindowTitle(kProgramName);
  setFixedSize(545, 258);
  setFont(DataFont());
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kWindowColor);
  setPalette(palette);
  CreateControls();
  SetupFileDialogs();
  T.setInterval(300);
  FormCreate();
}

TMainForm::~TMainForm() {
  T.stop();
  FormDestroy();
}

void TMainForm::FormDestroy() {
  if (htmlHelp_) htmlHelp_->CloseAll();
  htmlHelp_.reset();
  registry_.CloseKey();
}

int32_t TMainForm::CurrentMode() const { return ModeList[std::clamp(MUD->Tag(), 0, 127)]; }

// ---------------------------------------------------------------- controls

void TMainForm::CreateControls() {
  CreateCaptionStrip();
  CreateDevicePanel();
  CreateFilePanel();
  CreateFrequencyPanel();
  CreateModePanel();
  CreateFrequencyField();
  CreateSignalPanel();
  CreateBottomRow();
  ConnectHandlers();
}

void TMainForm::CreateCaptionStrip() {
  Panel = MakePanel(this, QRect(0, 0, 545, 18));
  Panel->SetBevelOuter(TBevelCut::bvNone);
  LCaption = new TmyLabel(kProgramName, Panel);
  LCaption->setGeometry(4, 2, 436, 14);
  QFont bold = DataFont();
  bold.setBold(true);
  LCaption->setFont(bold);
  ButtonPanel = MakePanel(Panel, QRect(440, 0, 105, 18));
  ButtonPanel->SetBevelOuter(TBevelCut::bvNone);
  stSpeedButton9 = MakeButton(ButtonPanel, QStringLiteral("Help"), {}, QRect(0, 1, 34, 16));
  stSpeedButton10 = MakeButton(ButtonPanel, QStringLiteral("About"), {}, QRect(35, 1, 34, 16));
  stSpeedButton2 = MakeButton(ButtonPanel, {}, QStringLiteral("Minimize"), QRect(70, 1, 16, 16));
  stSpeedButton2->SetKind(TButtonKind::bkMinimize);
  stSpeedButton1 = MakeButton(ButtonPanel, {}, QStringLiteral("Close"), QRect(87, 1, 16, 16));
  stSpeedButton1->SetKind(TButtonKind::bkClose);
  platform::MakeCaptionStrip(Panel, {LCaption});
  ActivateCaption(false);
}

void TMainForm::CreateDevicePanel() {
  DevPanel = MakeGroup(this, QStringLiteral("Devices"), QRect(4, 22, 200, 150));
  D = MakeList(DevPanel, QRect(6, 18, 174, 108));
  D->SetColWidth(0, 15);
  D->SetColWidth(1, 110 + 49);  // the interface text ends at the visible edge
  SB = MakeListScrollBar(DevPanel, QRect(181, 18, 13, 108));
  stSpeedButton6 = MakeButton(DevPanel, QStringLiteral("Refresh"),
                              QStringLiteral("Close opened radio receiver and refresh radio receivers list"),
                              QRect(6, 129, 92, 17));
  BSelect = MakeButton(DevPanel, QStringLiteral("Open"),
                       QStringLiteral("Close opened radio receiver and open selected radio receiver"),
                       QRect(102, 129, 92, 17));
}

void TMainForm::CreateFilePanel() {
  FiP = MakeGroup(this, QStringLiteral("Calibration Table File"), QRect(4, 176, 200, 56));
  stSpeedButton3 = MakeButton(FiP, QStringLiteral("New"),
                              QStringLiteral("Creates new empty calibration table"), QRect(6, 24, 60, 22));
  stSpeedButton4 = MakeButton(FiP, QStringLiteral("Open"), QStringLiteral("Opens existing calibration table"),
                              QRect(70, 24, 60, 22));
  BSave = MakeButton(FiP, QStringLiteral("Save"), QStringLiteral("Saves calibration table"),
                     QRect(134, 24, 60, 22));
}

void TMainForm::CreateFrequencyPanel() {
  FsP = MakeGroup(this, QStringLiteral("Frequencies"), QRect(208, 22, 170, 210));
  F = MakeList(FsP, QRect(6, 18, 144, 164));
  F->SetDefaultColWidth(120);
  FSB = MakeListScrollBar(FsP, QRect(151, 18, 13, 164));
  stSpeedButton8 =
      MakeButton(FsP, QStringLiteral("Add"), QStringLiteral("Adds new frequnecy point into the list"),
                 QRect(6, 186, 38, 18));
  BEdit =
      MakeButton(FsP, QStringLiteral("Edit"),
                 QStringLiteral("Opens an edit table for selected frequency point"), QRect(46, 186, 38, 18));
  BDelete = MakeButton(FsP, QStringLiteral("Delete"), QStringLiteral("Removes selected item from the list"),
                       QRect(86, 186, 38, 18));
  stSpeedButton7 = MakeButton(FsP, QStringLiteral("Copy"),
                              QStringLiteral("Enables to copy list of frequency points from other mode"),
                              QRect(126, 186, 38, 18));
}

void TMainForm::CreateModePanel() {
  MP = MakeGroup(this, QStringLiteral("Receiver mode"), QRect(382, 22, 159, 46));
  EMode = new TstAlignEdit(MP);
  EMode->setGeometry(6, 20, 127, 20);
  EMode->setReadOnly(true);
  EMode->SetColor(Qt::black);
  EMode->setFocusPolicy(Qt::NoFocus);
  MUD = new TmyUpDown(MP);
  MUD->setGeometry(137, 17, 16, 25);
}

void TMainForm::CreateFrequencyField() {
  FP = MakeGroup(this, QStringLiteral("Tuned Frequency"), QRect(382, 72, 159, 46));
  Fq = new TmyFrequencyEdit(FP);
  Fq->setGeometry(6, 20, 147, 20);
  Fq->SetFixedPoint(fp1Hz);
  Fq->SetHzLimit(2000);
  Fq->SetShowUnit(fuMHz);
  Fq->setMaxLength(12);
  Fq->SetColor(Qt::black);
}

void TMainForm::CreateSignalPanel() {
  SP = MakeGroup(this, QStringLiteral("Signal Level"), QRect(382, 122, 159, 46));
  G = new TstGauge(SP);
  G->setGeometry(6, 19, 147, 22);
  G->SetMin(0);
  G->SetMax(255);
  G->SetGaugePercent(88);
  G->SetBackColor(QColor(0x00, 0x50, 0x00));
  G->SetForeColor(QColor(0x00, 0xb0, 0x00));
  G->SetColor(kWindowColor);
  G->SetBevelOuter(TBevelCut::bvNone);
  G->SetBevelInner(TBevelCut::bvLowered);
  G->SetGradient(true);
  G->SetBevelWidth(2);
  LdBm = new TmyLabel(G);
  LdBm->setGeometry(4, 4, 80, 14);
  LdBm->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
  LdBm->SetFontColor(Qt::white);
  LdBm->hide();
}

void TMainForm::CreateBottomRow() {
  stPanel1 = MakePanel(this, QRect(0, 234, 545, 24));
  stPanel1->SetBevelOuter(TBevelCut::bvNone);
  CalInfo = MakeButton(stPanel1, QStringLiteral("Calibration table info"),
                       QStringLiteral("Shows information about calibration table"), QRect(4, 2, 150, 19));
  stSpeedButton5 =
      MakeButton(stPanel1, QStringLiteral("Close"), QStringLiteral("Close"), QRect(481, 2, 60, 19));
}

void TMainForm::ConnectHandlers() {
  stSpeedButton9->OnClick = [this](TstSpeedButton*) { stSpeedButton9Click(); };
  stSpeedButton10->OnClick = [this](TstSpeedButton*) { stSpeedButton10Click(); };
  stSpeedButton2->OnClick = [this](TstSpeedButton*) { stSpeedButton2Click(); };
  stSpeedButton1->OnClick = [this](TstSpeedButton*) { SysBtnCloseClick(); };
  stSpeedButton5->OnClick = [this](TstSpeedButton*) { SysBtnCloseClick(); };
  stSpeedButton6->OnClick = [this](TstSpeedButton*) { stSpeedButton6Click(); };
  BSelect->OnClick = [this](TstSpeedButton*) { BSelectClick(); };
  stSpeedButton3->OnClick = [this](TstSpeedButton*) { stSpeedButton3Click(); };
  stSpeedButton4->OnClick = [this](TstSpeedButton*) { stSpeedButton4Click(); };
  BSave->OnClick = [this](TstSpeedButton*) { BSaveClick(); };
  CalInfo->OnClick = [this](TstSpeedButton*) { CalInfoClick(); };
  stSpeedButton8->OnClick = [this](TstSpeedButton*) { stSpeedButton8Click(); };
  BEdit->OnClick = [this](TstSpeedButton*) { BEditClick(); };
  BDelete->OnClick = [this](TstSpeedButton*) { BDeleteClick(); };
  stSpeedButton7->OnClick = [this](TstSpeedButton*) { stSpeedButton7Click(); };
  F->OnDblClick = [this](TStringGrid*) {
    if (TableLoaded && FrequencyCount != 0) BEditClick();
  };
  D->OnDrawCell = [this](TStringGrid*, int col, int row, const QRect& rect, QPainter& painter,
                         bool selected) { DDrawCell(col, row, rect, painter, selected); };
  D->OnSelectCell = [this](TStringGrid*, int, int row, bool& canSelect) { DSelectCell(row, canSelect); };
  D->OnDblClick = [this](TStringGrid*) { DDblClick(); };
  D->OnTopLeftChanged = [this](TStringGrid*) { DTopLeftChanged(); };
  SB->OnPositionChange = [this](TmyScrollBar*) { SBPositionChange(); };
  F->OnDrawCell = [this](TStringGrid*, int col, int row, const QRect& rect, QPainter& painter,
                         bool selected) { FDrawCell(col, row, rect, painter, selected); };
  F->OnTopLeftChanged = [this](TStringGrid*) { FTopLeftChanged(); };
  ConnectAutoCal();
  FSB->OnPositionChange = [this](TmyScrollBar*) { FSBPositionChange(); };
  MUD->OnDirection = [this](TmyUpDown*, int step) { MUDDirection(step); };
  Fq->OnValueChange = [this](TstFrequencyEdit*) { FqValueChange(); };
  Fq->OnKeyDown = [this](TstAlignEdit*, int& key, Qt::KeyboardModifiers) { FqKeyDown(key); };
  Fq->OnKeyPress = [this](TstAlignEdit*, QChar& ch) { FqKeyPress(ch); };
  QObject::connect(&T, &QTimer::timeout, this, [this] { TTimer(); });
  OnShow = [this](platform::Form*) { FormShow(); };
  OnCloseQuery = [this](platform::Form*, bool& canClose) { FormCloseQuery(canClose); };
  OnActivate = [this](platform::Form*, bool active) { ActivateCaption(active); };
}

// Automatic calibration is reached without moving a control: the frequency
// list's context menu and a shortcut.
void TMainForm::ConnectAutoCal() {
  AutoCalAction = new QAction(QStringLiteral("Calibrate automatically..."), this);
  AutoCalAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  AutoCalAction->setShortcutContext(Qt::WindowShortcut);
  addAction(AutoCalAction);
  QObject::connect(AutoCalAction, &QAction::triggered, this, [this] { AutoCalClick(); });
  F->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(F, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    menu.setFont(DataFont());
    menu.setStyleSheet(
        QStringLiteral("QMenu { background: #424242; color: #c0c0c0; border: 1px solid #909090; }"
                       "QMenu::item:selected { background: #909090; color: black; }"
                       "QMenu::item:disabled { color: #808080; }"));
    AutoCalAction->setEnabled(AutoCalPossible());
    menu.addAction(AutoCalAction);
    menu.exec(F->mapToGlobal(at));
  });
}

bool TMainForm::AutoCalPossible() const { return OpenDriver && TableLoaded && AutoCalForm; }

void TMainForm::AutoCalClick() {
  if (!AutoCalPossible()) return;
  FocusPanel(FsP);
  AutoCalForm->ShowModal();
}

void TMainForm::SetupFileDialogs() {
  for (platform::FileDialog* dialog : {&OD, &SD}) {
    dialog->SetFilter(kCalFilter);
    dialog->SetDefaultExt(QStringLiteral("cal"));
    dialog->OnShow = [this](platform::FileDialog* shown) { DialogWindow = shown; };
    dialog->OnClose = [this](platform::FileDialog*) { DialogWindow = nullptr; };
  }
  OD.SetTitle(QStringLiteral("Open S-Meter Calibration Table"));
  OD.SetMustExist(true);
  SD.SetTitle(QStringLiteral("Save S-Meter Calibration Table"));
  SD.SetConfirmOverwrite(true);
}

void TMainForm::ActivateCaption(bool active) {
  const platform::CaptionColours colours = platform::CaptionColoursFor(active);
  Panel->SetColor(colours.background);
  ButtonPanel->SetColor(colours.background);
  LCaption->SetFontColor(colours.text);
}

// ---------------------------------------------------------------- start-up and shutdown

void TMainForm::FormCreate() {
  platform::Application* application = platform::Application::Instance();
  if (!BindCalibrationLibrary()) {
    // The window is never shown; the program ends.
    if (application) application->Terminate();
    return;
  }
  if (application) application->SetShowMainForm(true);
  CenterOnScreen();
  CloseReceiver();
  registry_.OpenKey(QStringLiteral("Software\\Velkaro\\Orvanta"), true);
}

void TMainForm::FormShow() {
  // Restoring the window from the task bar shows it again; search only once.
  if (!searchedAtShow_) {
    searchedAtShow_ = true;
    SearchDevices();
  }
}

void TMainForm::FormCloseQuery(bool& canClose) {
  canClose = ConfirmUnsavedTable(QStringLiteral("Close anyway?"), ModalResult::No);
}

void TMainForm::FormClose() { CloseReceiver(); }

void TMainForm::closeEvent(QCloseEvent* event) {
  platform::Form::closeEvent(event);
  if (event->isAccepted()) FormClose();
}

void TMainForm::SysBtnCloseClick() { close(); }

void TMainForm::stSpeedButton2Click() { showMinimized(); }

// ---------------------------------------------------------------- devices

void TMainForm::SearchDevices() {
  if (SearchADForm) SearchADForm->ShowBusy();
  HourglassCursor hourglass;
  platform::ProcessMessages();
  setEnabled(false);
  struct EndOfSearch {
    TMainForm* form;
    ~EndOfSearch() {
      if (SearchADForm) SearchADForm->hide();
      form->setEnabled(true);
      form->BSelect->setEnabled(form->DevicesPresent && form->D->Row() != form->OpenRow);
      form->D->update();
      form->LdBm->update();
    }
  } endOfSearch{this};

  CloseReceiver();
  DevicesPresent = false;
  D->SetRowCount(1);
  D->ClearRow(0);
  D->SetCurrent(0, 0);
  D->update();
  TVelkaro_API* const drivers[] = {&Vk, &C1, &C2, &C3, &C4, &C5};
  DeviceCount = BuildDeviceList(drivers, Devices);
  for (int index = 0; index < DeviceCount; ++index) {
    const TRadioDevice& device = Devices[index];
    AddDeviceRow(index, QString::fromLatin1(device.Model), QString::fromLatin1(device.Name),
                 QString::fromLatin1(device.Interface));
  }
  BSelect->setEnabled(DevicesPresent);
  ShowGridScrollBar(D, SB);
}

void TMainForm::AddDeviceRow(int index, const QString& model, const QString& name,
                             const QString& interfaceText) {
  if (DevicesPresent) D->SetRowCount(D->RowCount() + 1);
  const int row = D->RowCount() - 1;
  D->SetCell(0, row, model);
  D->SetCell(1, row, name);
  D->SetCell(2, row, interfaceText);
  D->SetObject(0, row, index);
  D->SetObject(1, row, 0);
  DevicesPresent = true;
}

void TMainForm::DDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected) {
  PaintListCell(painter, rect, selected && DevicesPresent);
  if (col == 0 && D->Objects(1, row) != 0) {
    painter.setPen(kOpenMarkColor);
    painter.setBrush(kOpenMarkColor);
    painter.drawEllipse(rect.adjusted(3, 3, -4, -4));
  } else if (col == 1) {
    const QRect text = rect.adjusted(1, 0, -2, 0);
    if (!DevicesPresent) {
      painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No device available"));
      return;
    }
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, D->Cells(0, row));
    painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter, D->Cells(2, row));
  }
}

void TMainForm::DSelectCell(int row, bool& canSelect) {
  canSelect = true;
  BSelect->setEnabled(DevicesPresent && row != OpenRow);
}

void TMainForm::DDblClick() {
  if (DevicesPresent && D->Row() != OpenRow) BSelectClick();
}

void TMainForm::DTopLeftChanged() { SB->SetPosition(D->TopRow()); }

void TMainForm::SBPositionChange() { D->SetTopRow(static_cast<int>(SB->Position())); }

void TMainForm::ShowGridScrollBar(TStringGrid* grid, TmyScrollBar* bar) {
  const int visible = grid->VisibleRowCount();
  if (grid->RowCount() <= visible) {
    bar->hide();
    return;
  }
  bar->SetRange(0, grid->RowCount() - visible + 1);
  bar->SetLength(1);
  bar->SetPosition(grid->TopRow());
  bar->show();
}

void TMainForm::BSelectClick() {
  if (!DevicesPresent) return;
  const int row = D->Row();
  const Session session = BeginCommand(DevPanel);
  if (!session.Alive() ||
      !ConfirmUnsavedTable(QStringLiteral("Do you want to open selected receiver device anyway?"),
                           ModalResult::No) ||
      !session.Alive())
    return;
  HourglassCursor hourglass;
  CloseReceiver();
  OpenReceiverOf(row);
  D->update();
}

void TMainForm::OpenReceiverOf(int row) {
  TRadioDevice& device = Devices[std::clamp<intptr_t>(D->Objects(0, row), 0, kMaxDevices - 1)];
  if (!device.Driver->Open(device)) {
    SetCaption(kProgramName);
    const ModalResult answer = platform::MessageBox(
        QStringLiteral("Radio device is not available anymore. This device is probably used by another "
                       "application.\nRefresh information about available radio devices?"),
        QStringLiteral("Device is not available"), platform::MessageIcon::Question,
        platform::MessageButtons::YesNo);
    if (answer == ModalResult::Yes) SearchDevices();
    return;
  }
  OpenDriver = device.Driver;
  OpenDevice = &device;
  ReceiverName = device.Name;
  EventsEnabled = false;
  Fq->SetMax(device.MaxFreq);
  Fq->SetMin(device.MinFreq);
  if (AddFqForm) {
    AddFqForm->Fq->SetMax(device.MaxFreq);
    AddFqForm->Fq->SetMin(device.MinFreq);
  }
  Fq->SetValue(DecodeFrequencyWord(OpenDriver->GetFrequency()));
  OpenRow = row;
  SetOpenMark(D, row, true);
  BSelect->setEnabled(false);
  UpdateTableControls();
  EMode->SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  BuildModeList(device);
  SelectMode(ModeList[MUD->Tag()]);
  EventsEnabled = true;
  SetCaption(kProgramName + " [" + FromLocal(ReceiverName) + "]");
}

void TMainForm::BuildModeList(const TRadioDevice& device) {
  MUD->SetTag(0);
  ModeCount = 0;
  const int32_t current = OpenDriver->GetMode();
  const int listed = std::clamp(device.ModeCount, 0, kMaxModes);
  for (int k = 0; k < listed; ++k) {
    const int32_t code = device.Modes[k];
    if (std::find(ModeList, ModeList + ModeCount, code) != ModeList + ModeCount) continue;
    if (code == current) MUD->SetTag(ModeCount);
    ModeList[ModeCount++] = code;
  }
  // A receiver that lists no mode still has its default one; without it the
  // mode index would point at a stale entry.
  if (ModeCount == 0) ModeList[ModeCount++] = kModeDefault;
}

void TMainForm::CloseReceiver() {
  T.stop();
  if (OpenDevice) {
    ++sessionSerial_;
    if (OpenDriver) OpenDriver->Close();
    OpenDriver = nullptr;
    if (OpenRow >= 0 && OpenRow < D->RowCount()) SetOpenMark(D, OpenRow, false);
    ReleaseTable();
    OpenDevice = nullptr;
  }
  OpenRow = -1;
  T.start();
  EventsEnabled = false;
  F->SetRowCount(1);
  F->ClearRow(0);
  FrequencyCount = 0;
  UpdateTableControls();
  G->SetCurrent(0);
  EMode->clear();
  platform::ProcessMessages();
  EventsEnabled = true;
}

void TMainForm::stSpeedButton6Click() {
  const Session session = BeginCommand(DevPanel);
  if (!session.Alive() || !ConfirmUnsavedTable(QStringLiteral("Do you want to refresh?"), ModalResult::No) ||
      !session.Alive())
    return;
  SearchDevices();
  SetCaption(kProgramName);
}

void TMainForm::RestartSearch() {
  SearchDevices();
  SetCaption(kProgramName);
  T.start();
}

void TMainForm::PostRestartSearch() {
  platform::Post(this, [this] { RestartSearch(); });
}

// ---------------------------------------------------------------- modes

void TMainForm::SelectMode(int32_t code) {
  if (code < kModeDefault || code > kModeFM6) return;
  EMode->setText(ModeName(code));
  if (EventsEnabled && OpenDriver) OpenDriver->SetMode(code);
  FillFrequencyList();
}

void TMainForm::MUDDirection(int step) {
  if (!BeginCommand(MP).Alive()) return;
  const int index = MUD->Tag() + step;
  if (index < 0 || index >= ModeCount) return;
  MUD->SetTag(index);
  SelectMode(ModeList[index]);
}

// ---------------------------------------------------------------- calibration table file

bool TMainForm::ConfirmUnsavedTable(const QString& secondLine, ModalResult defaultButton) {
  if (!TableLoaded || !TableModified) return true;
  return platform::Confirm(QStringLiteral("Calibration table is modified and not saved.\n") + secondLine,
                           defaultButton);
}

void TMainForm::ReleaseTable() {
  if (TableLoaded) {
    ++sessionSerial_;
    calibration::Unload(CalHandle);
    // A level of the table that is gone would pass for a measurement.
    LdBm->SetCaption({});
    LdBm->hide();
    if (AutoCalForm) AutoCalForm->TableReleased(TableModified);
  }
  TableLoaded = false;
  CalHandle = -1;
}

void TMainForm::TakeNewTable(int32_t handle, const std::string& fileName, bool unnamed) {
  CalHandle = handle;
  FileName = fileName;
  UnnamedTable = unnamed;
  TableModified = false;
  TableLoaded = true;
  UpdateTableControls();
}

void TMainForm::stSpeedButton3Click() {
  if (!OpenDevice) return;
  const Session session = BeginCommand(FiP);
  if (!session.Alive() ||
      !ConfirmUnsavedTable(QStringLiteral("Do you want to create new empty calibration table anyway?"),
                           ModalResult::Yes) ||
      !session.Alive())
    return;
  ReleaseTable();
  const int32_t handle = calibration::LoadCALFile(nullptr);
  if (handle < 0) {
    // The library could not make another table: stay without one.
    DropTable();
    ShowLibraryError(handle);
    return;
  }
  TakeNewTable(handle, kNewFileName.toStdString(), true);
  SetCaption(kProgramName + " [" + FromLocal(ReceiverName) + "; " + kNewFileName + "]");
  FillFrequencyList();
}

void TMainForm::stSpeedButton4Click() {
  if (!OpenDevice) return;
  const Session session = BeginCommand(FiP);
  if (!session.Alive() ||
      !ConfirmUnsavedTable(QStringLiteral("Do you want to open calibration table file anyway?"),
                           ModalResult::Yes) ||
      !session.Alive() || !OD.Execute(this) || !session.Alive())
    return;
  ReleaseTable();
  const std::string path = OD.FileName().toLocal8Bit().toStdString();
  const int32_t handle = calibration::LoadCALFile(path.c_str());
  if (handle < 0) return LoadFailed();
  TakeNewTable(handle, path, false);
  try {
    FillFrequencyList();
  } catch (const std::bad_alloc&) {
    // A table too large to list in memory is a load that failed.
    ReleaseTable();
    return LoadFailed();
  }
  ShowFileCaption(path);
}

void TMainForm::LoadFailed() {
  DropTable();
  platform::ShowError(QStringLiteral("Error during loading CAL file to memory."));
}

// The old table is gone: back to a receiver without a table.
void TMainForm::DropTable() {
  TableModified = false;
  FileName.clear();
  SetCaption(kProgramName + " [" + FromLocal(ReceiverName) + "]");
  FillFrequencyList();
}

void TMainForm::BSaveClick() {
  if (!TableLoaded) return;
  const Session session = BeginCommand(FiP);
  if (!session.Alive()) return;
  SD.SetFileName(UnnamedTable ? kNewFileName : FromLocal(FileName));
  if (!SD.Execute(this) || !session.Alive()) return;
  const std::string path = SD.FileName().toLocal8Bit().toStdString();
  const int32_t result = calibration::SaveCALFile(CalHandle, path.c_str());
  if (result != CAL_OK) {
    ShowLibraryError(result);
    return;
  }
  FileName = path;
  TableModified = false;
  ShowFileCaption(path);
  if (AutoCalForm) AutoCalForm->TableSaved(path);
}

void TMainForm::SetCaption(const QString& caption) { LCaption->SetCaption(caption); }

void TMainForm::ShowFileCaption(const std::string& path) {
  SetCaption(FitCaption(FromLocal(ReceiverName), FromLocal(path), *LCaption));
}

void TMainForm::UpdateTableControls() {
  const bool open = OpenDevice != nullptr;
  const bool table = open && TableLoaded;
  // Groups first: a group passes its state on to all its controls.
  FiP->setEnabled(open);
  MP->setEnabled(open);
  FP->setEnabled(open);
  SP->setEnabled(open);
  FsP->setEnabled(table);
  BSave->setEnabled(table);
  CalInfo->setEnabled(table);
  BEdit->setEnabled(table && FrequencyCount != 0);
  BDelete->setEnabled(table && FrequencyCount != 0);
  if (!table) FSB->hide();
}

// ---------------------------------------------------------------- frequency list

void TMainForm::FillFrequencyList() {
  // The frequency selection dialog always shows the same rows.
  TStringGrid* const grids[] = {F, FSelectForm ? FSelectForm->F : nullptr};
  const auto empty = [&] {
    for (TStringGrid* grid : grids) {
      if (!grid) continue;
      grid->SetRowCount(1);
      grid->ClearRow(0);
    }
    FrequencyCount = 0;
  };
  empty();
  try {
    if (TableLoaded) ListFrequencies(grids[0], grids[1]);
  } catch (const std::bad_alloc&) {
    // Nothing half listed stays behind.
    empty();
    UpdateTableControls();
    throw;
  }
  ShowGridScrollBar(F, FSB);
  if (FSelectForm) ShowGridScrollBar(FSelectForm->F, FSelectForm->FSB);
  UpdateTableControls();
}

void TMainForm::ListFrequencies(TStringGrid* list, TStringGrid* selection) {
  std::vector<int64_t> frequencies;
  if (ReadFrequencies(CalHandle, ReceiverName, CurrentMode(), frequencies) < 1) return;
  for (TStringGrid* grid : {list, selection})
    if (grid) FillFrequencyGrid(grid, frequencies);
  FrequencyCount = static_cast<int32_t>(frequencies.size());
}

void TMainForm::FillFrequencyGrid(TStringGrid* grid, const std::vector<int64_t>& frequencies) {
  grid->SetRowCount(std::max<int>(1, static_cast<int>(frequencies.size())));
  for (size_t row = 0; row < frequencies.size(); ++row) {
    const int r = static_cast<int>(row);
    grid->SetCell(0, r, FormatFrequency(frequencies[row]));
    grid->SetCell(1, r, QString::number(frequencies[row]));
    grid->SetCell(2, r, {});
  }
}

void TMainForm::FDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected) {
  const bool listed = TableLoaded && FrequencyCount != 0;
  PaintListCell(painter, rect, selected && listed);
  if (col != 0 || !listed) return;
  painter.drawText(rect.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter, F->Cells(0, row));
  const int numberEnd =
      rect.left() + QFontMetrics(painter.font()).horizontalAdvance(QStringLiteral("0000.")) + 1;
  painter.drawText(QRect(rect.left(), rect.top(), numberEnd - rect.left(), rect.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(row + 1) + '.');
}

void TMainForm::FTopLeftChanged() { FSB->SetPosition(F->TopRow()); }

void TMainForm::FSBPositionChange() { F->SetTopRow(static_cast<int>(FSB->Position())); }

// ---------------------------------------------------------------- live measurement and tuning

void TMainForm::TTimer() {
  if (!OpenDriver) {
    if (!LdBm->Caption().isEmpty()) LdBm->SetCaption({});
    return;
  }
  if (!CheckConnection()) return;
  const int raw = std::clamp(OpenDriver->GetRawSignalStrength(), 0, 255);
  G->SetCurrent(raw);
  if (TableForm) TableForm->SetCurrentRaw(raw);
  if (TableLoaded) ShowLevel(raw);
}

void TMainForm::ShowLevel(int raw) {
  CalibratedStrength strength{};
  strength.Size = sizeof(CalibratedStrength);
  strength.RawValue = static_cast<uint8_t>(raw);
  const int32_t result =
      calibration::GetCS(CalHandle, ReceiverName.c_str(), CurrentMode(), Fq->Value(), &strength);
  if (result == CAL_OK) {
    LdBm->SetCaption(FormatLevel(strength.DBm) + QStringLiteral(" dBm"));
    LdBm->show();
  } else {
    LdBm->hide();
  }
  LdBm->update();
}

void TMainForm::FqValueChange() {
  if (!EventsEnabled || !OpenDriver) return;
  const uint32_t word = EncodeFrequencyWord(Fq->Value());
  if (!CheckConnection()) return;
  OpenDriver->SetFrequency(word);
  SetFrequencyQuietly(DecodeFrequencyWord(OpenDriver->GetFrequency()));
}

void TMainForm::SetFrequencyQuietly(int64_t hz) {
  const bool enabled = EventsEnabled;
  EventsEnabled = false;
  Fq->SetValue(hz);
  EventsEnabled = enabled;
}

void TMainForm::FqKeyDown(int key) { EnterPressed = key == Qt::Key_Return || key == Qt::Key_Enter; }

void TMainForm::FqKeyPress(QChar& ch) {
  if (ch.isNull() && EnterPressed) FocusPanel(FP);
}

void TMainForm::FocusPanel(QWidget* panel) {
  if (panel->isEnabled() && panel->isVisible() && Fq->hasFocus()) panel->setFocus();
}

TMainForm::Session TMainForm::BeginCommand(QWidget* panel) {
  const Session session(this);
  FocusPanel(panel);
  return session;
}

// ---------------------------------------------------------------- reconnect

bool TMainForm::CheckConnection() {
  if (!OpenDriver || OpenDriver->IsDeviceConnected()) return true;
  OpenDriver->Close();
  OpenDriver = nullptr;
  T.stop();
  TReconnectForm wait;
  wait.setWindowTitle(kProgramName);
  wait.Callback = &TMainForm::ReconnectPoll;
  wait.UserData = this;
  if (wait.ShowModal() == ModalResult::Ok) {
    T.start();
    update();
    return true;
  }
  GiveUpReceiver();
  return false;
}

void TMainForm::GiveUpReceiver() {
  platform::Form::CancelAllModal();
  if (DialogWindow) DialogWindow->PostCancel();
  PostRestartSearch();
  CloseReceiver();
}

bool TMainForm::ReconnectPoll(void* mainForm) {
  auto* form = static_cast<TMainForm*>(mainForm);
  TRadioDevice* device = form->OpenDevice;
  if (!device || !device->Driver->Open(*device)) return false;
  form->OpenDriver = device->Driver;
  form->OpenDriver->SetFrequency(EncodeFrequencyWord(form->Fq->Value()));
  form->OpenDriver->SetMode(form->CurrentMode());
  return true;
}

// ---------------------------------------------------------------- help, about, information

QString TMainForm::HelpPath() const {
  return QString::fromStdString((platform::ProgramFolder() / "pundor.chm").string());
}

void TMainForm::stSpeedButton9Click() {
  const QString path = HelpPath();
  if (!QFileInfo::exists(path)) {
    platform::ShowError(QStringLiteral("Unable to load help file '") + path + QStringLiteral("'."), this);
    return;
  }
  if (!BindHtmlHelp()) return;
  htmlHelp_->DisplayTopic(path);
}

// A failed binding is tried again at the next click; a successful one lasts
// until the window is destroyed.
bool TMainForm::BindHtmlHelp() {
  if (htmlHelp_) return true;
  platform::HtmlHelp::LoadResult result;
  htmlHelp_ = platform::HtmlHelp::Load(result);
  if (result == platform::HtmlHelp::LoadResult::ComponentMissing)
    platform::ShowError(QStringLiteral("Unable to load HTML Help component required to view help."), this);
  else if (result == platform::HtmlHelp::LoadResult::EntryPointMissing)
    platform::ShowError(QStringLiteral("Unable to initialise HTML Help component requred to view help."),
                        this);
  return htmlHelp_ != nullptr;
}

void TMainForm::stSpeedButton10Click() {
  if (AboutForm) AboutForm->ShowModal();
}

void TMainForm::CalInfoClick() {
  if (!BeginCommand(stPanel1).Alive()) return;
  if (CalInfoForm) CalInfoForm->ShowModal();
}
