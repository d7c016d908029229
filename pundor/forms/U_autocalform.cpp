#include "forms/U_autocalform.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

#include "autocal/cable_loss.h"
#include "autocal/frequency_sweep.h"
#include "autocal/run_progress.h"
#include "autocal/step_log.h"
#include "autocal/sweep_fields.h"
#include "forms/U_mainform.h"
#include "forms/calibration_library.h"
#include "platform/error.h"
#include "platform/file_dialog.h"
#include "platform/interrupt.h"
#include "platform/message_box.h"
#include "receivers/text_helpers.h"
#include "receivers/velkaro_api.h"
#include "widgets/datafont.h"
#include "widgets/frequencyedit.h"
#include "widgets/mylabel.h"
#include "widgets/stalignedit.h"
#include "widgets/stgauge.h"
#include "widgets/stringgrid.h"
#include "widgets/stspeedbutton.h"

TAutoCalForm* AutoCalForm = nullptr;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 380, kHeight = 292;
constexpr int kFieldHeight = 20;
// While the main window waits for a lost receiver, readings wait too.
constexpr int kReconnectPollMs = 100;
constexpr int kGaugeScale = 100;  // percent
// The fields as their labels name them, for the checks shared with orvanta-autocal.
const autocal::FieldNames kFieldNames = {"Frequencies", "Levels", "Step", "Settle", "Readings per step"};

std::string Utf8(const QString& text) { return text.toStdString(); }

double NumberOf(const TstAlignEdit* field, const QString& name) {
  bool ok = false;
  const double value = QLocale().toDouble(field->text().trimmed(), &ok);
  if (!ok) throw platform::Error(Utf8(name + QStringLiteral(" is not a number: \"") + field->text() + '"'));
  return value;
}

}  // namespace

std::vector<int64_t> ParseFrequencyList(const QString& text) {
  const QChar decimal = QLocale().decimalPoint().at(0);
  const QString separators = decimal == ',' ? QStringLiteral("[;\\n]") : QStringLiteral("[;,\\n]");
  std::vector<std::string> entries;
  for (const QString& entry : text.split(QRegularExpression(separators), Qt::SkipEmptyParts))
    if (!entry.trimmed().isEmpty()) entries.push_back(Utf8(QString(entry.trimmed()).replace(decimal, '.')));
  if (entries.empty()) throw platform::Error("No frequency to calibrate");
  std::vector<int64_t> frequencies = autocal::ReadFrequencyList(entries, kFieldNames.frequencies);
  // Above this the receivers take tens of Hz.
  for (int64_t& hz : frequencies)
    if (hz > kLargestHzWord) hz = hz / 10 * 10;
  return frequencies;
}

// One run, from the settings read at Start to the output switched off.
struct TAutoCalForm::Run {
  std::string address;
  std::vector<int64_t> frequencies;
  autocal::SweepSettings sweep;
  autocal::CableLoss loss;
  std::string lossText;

  std::string identity;
  bool connected = false;  // to the generator: the output may have been touched
  std::optional<autocal::StepLog> log;  // none: no step log
  std::size_t index = 0;  // into frequencies
  std::optional<autocal::FrequencySweep> current;
  std::optional<autocal::Step> step;
  std::optional<autocal::RunProgress> progress;
  Clock::time_point levelSet;  // of the step being taken
  std::string settling;        // the last note of a slow generator, if any
  bool stopping = false;
  double lastDbm = 0;  // the level last set at the generator
  int columns = 0;
  Clock::time_point started = Clock::now();
  Clock::time_point firstStep;  // the time a step takes is measured from here

  int64_t Hz() const { return frequencies[index]; }
};

TAutoCalForm::TAutoCalForm() : TCaptionedForm(QStringLiteral("Automatic calibration"), kWidth, kHeight) {
  CreateInputs();
  CreateProgress();
  SetTabOrder();
  settleTimer_.setSingleShot(true);
  readTimer_.setSingleShot(true);
  QObject::connect(&settleTimer_, &QTimer::timeout, this, [this] { Settled(); });
  QObject::connect(&readTimer_, &QTimer::timeout, this, [this] { TakeReading(); });
  OnShow = [this](platform::Form*) { FormShow(); };
  OnHide = [this](platform::Form*) { FormHide(); };
}

TAutoCalForm::~TAutoCalForm() = default;

void TAutoCalForm::CreateInputs() {
  auto field = [this](const QRect& rect, const QString& text, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* edit = new TstAlignEdit(this);
    edit->setGeometry(rect);
    edit->SetColor(Qt::black);
    edit->setFont(DataFont());
    edit->SetAlignment(alignment | Qt::AlignVCenter);
    edit->setText(text);
    return edit;
  };
  const auto number = [&](const QRect& rect, const QString& text) { return field(rect, text, Qt::AlignRight); };
  // A label spans its field's height and centres its text as the field does.
  auto label = [this](const QString& text, int x, int fieldTop, int width) {
    TmyLabel* made = MakeLabel(text, QRect(x, fieldTop, width, kFieldHeight));
    made->SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return made;
  };
  LAddress = label(QStringLiteral("Generator"), 8, 26, 70);
  EAddress = field(QRect(82, 26, 180, kFieldHeight), QString());
  BTest = MakeButton(QStringLiteral("Test connection"), QRect(268, 27, 104, 18));
  BTest->OnClick = [this](TstSpeedButton*) { BTestClick(); };
  LIdentity = MakeLabel(QString(), QRect(82, 50, 290, 14));
  LFrequencies = label(QStringLiteral("Frequencies"), 8, 70, 70);
  EFrequencies = field(QRect(82, 70, 290, kFieldHeight), QString());
  BTableFrequencies = MakeButton(QStringLiteral("Table frequencies"), QRect(82, 94, 110, 18));
  BTableFrequencies->OnClick = [this](TstSpeedButton*) { BTableFrequenciesClick(); };
  BLog = MakeButton(QString(), QRect(268, 94, 104, 18));
  BLog->setToolTip(QStringLiteral("Appends every step to a log beside the CAL file (.steps.csv)"));
  BLog->OnClick = [this](TstSpeedButton*) { BLogClick(); };
  LLevels = label(QStringLiteral("Levels [dBm]"), 8, 120, 70);
  EFrom = number(QRect(82, 120, 50, kFieldHeight), QString());
  LTo = label(QStringLiteral("to"), 138, 120, 16);
  ETo = number(QRect(156, 120, 50, kFieldHeight), QString());
  LStep = label(QStringLiteral("Step [dB]"), 228, 120, 80);
  EStep = number(QRect(322, 120, 50, kFieldHeight), QString());
  LSettle = label(QStringLiteral("Settle [ms]"), 8, 146, 70);
  ESettle = number(QRect(82, 146, 50, kFieldHeight), QString());
  LReadings = label(QStringLiteral("Readings per step"), 228, 146, 92);
  EReadings = number(QRect(322, 146, 50, kFieldHeight), QString());
  LLoss = label(QStringLiteral("Loss [dB]"), 8, 172, 70);
  // A number or a file name.
  ELoss = field(QRect(82, 172, 180, kFieldHeight), QString());
  ELoss->setToolTip(QStringLiteral("Cable and attenuator loss in dB, or a loss table file"));
  BLossFile = MakeButton(QStringLiteral("Loss table..."), QRect(268, 173, 104, 18));
  BLossFile->OnClick = [this](TstSpeedButton*) { BLossFileClick(); };
  ShowFields(Fields{});
}

void TAutoCalForm::CreateProgress() {
  // Like the main window's signal gauge; its number is the percentage done.
  G = new TstGauge(this);
  G->setGeometry(8, 198, 364, 22);
  G->SetMax(kGaugeScale);
  G->SetGaugePercent(90);
  G->SetBackColor(QColor(0x00, 0x50, 0x00));
  G->SetForeColor(QColor(0x00, 0xb0, 0x00));
  G->SetColor(QColor(0x42, 0x42, 0x42));
  G->SetBevelOuter(TBevelCut::bvNone);
  G->SetBevelInner(TBevelCut::bvLowered);
  G->SetGradient(true);
  G->SetBevelWidth(2);
  // Three lines: the longest status, an address included, is shown whole.
  LProgress = MakeLabel(QString(), QRect(8, 224, 364, 42));
  LProgress->SetWordWrap(true);
  BStart = MakeButton(QStringLiteral("Start"), QRect(164, kHeight - 24, 100, 18));
  BStart->OnClick = [this](TstSpeedButton*) { BStartClick(); };
  BCancel = MakeButton(QStringLiteral("Close"), QRect(272, kHeight - 24, 100, 18));
  BCancel->OnClick = [this](TstSpeedButton*) { BCancelClick(); };
}

// Every control, in the order the eye reads the window.
void TAutoCalForm::SetTabOrder() {
  const std::initializer_list<QWidget*> order{EAddress, BTest,    EFrequencies, BTableFrequencies, BLog,
                                               EFrom,    ETo,      EStep,        ESettle,           EReadings,
                                               ELoss,    BLossFile, BStart,      BCancel};
  for (QWidget* control : order) {
    if (dynamic_cast<TstSpeedButton*>(control)) control->setFocusPolicy(Qt::StrongFocus);
  }
  for (auto it = order.begin(); it + 1 != order.end(); ++it) setTabOrder(*it, *(it + 1));
}

TAutoCalForm::Fields TAutoCalForm::TypedFields() const {
  return {EAddress->text(), EFrequencies->text(), EFrom->text(), ETo->text(), EStep->text(),
          ESettle->text(),  EReadings->text(),    ELoss->text(), writeLog_};
}

void TAutoCalForm::ShowFields(const Fields& fields) {
  const Fields defaults{QStringLiteral("tcp://127.0.0.1:5025"), QString(), QStringLiteral("-130"),
                        QStringLiteral("-10"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("9"),
                        QStringLiteral("0"), true};
  const Fields& shown = fields.address.isEmpty() ? defaults : fields;
  EAddress->setText(shown.address);
  EFrequencies->setText(shown.frequencies);
  EFrom->setText(shown.from);
  ETo->setText(shown.to);
  EStep->setText(shown.step);
  ESettle->setText(shown.settle);
  EReadings->setText(shown.readings);
  ELoss->setText(shown.loss);
  writeLog_ = !shown.log;
  BLogClick();  // shows the caption
}

void TAutoCalForm::FormShow() {
  if (MainForm)
    MoveBeside(*MainForm);
  else
    CenterOnScreen();
  ShowForSession();
  if (EFrequencies->text().trimmed().isEmpty()) BTableFrequenciesClick();
  if (EAddress->isEnabled()) EAddress->setFocus();
}

void TAutoCalForm::ShowForSession() {
  const std::string receiver = ReceiverKey();
  if (run_ || (receiver == shownFor_ && !tableChanged_)) return;
  if (receiver != shownFor_) {
    const auto used = usedFields_.find(receiver);
    ShowFields(used == usedFields_.end() ? Fields{} : used->second);
  }
  shownFor_ = receiver;
  tableChanged_ = false;
  LIdentity->SetCaption(QString());
  LProgress->SetCaption(QString());
  G->SetCurrent(0);
}

std::string TAutoCalForm::ReceiverKey() const {
  if (!MainForm || !MainForm->OpenDevice) return {};
  const TRadioDevice& device = *MainForm->OpenDevice;
  // The address tells two receivers of one model apart.
  return std::string(device.Name) + '\n' + device.Model + '\n' + device.Interface + '\n' +
         QByteArray(device.Address, sizeof device.Address).toHex().toStdString();
}

void TAutoCalForm::FormHide() {
  // Closed mid-run: by the operator, or because the receiver was given up.
  if (!run_ || run_->stopping) return;
  if (MainForm && !MainForm->OpenDriver)
    Stop(QStringLiteral("Stopped"), Where() + QStringLiteral(": the receiver ") +
                                        QString::fromStdString(MainForm->ReceiverName) +
                                        QStringLiteral(" is no longer connected."));
  else
    Stop(QStringLiteral("Cancelled"), QString());
}

void TAutoCalForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!run_) BStartClick();
      break;
    case Qt::Key_Escape:
      BCancelClick();
      break;
    default:
      TCaptionedForm::keyPressEvent(event);
  }
}

void TAutoCalForm::EnableInputs(bool enabled) {
  for (QWidget* input :
       std::initializer_list<QWidget*>{EAddress, EFrequencies, EFrom, ETo, EStep, ESettle, EReadings, ELoss,
                                       BTest, BTableFrequencies, BLossFile, BLog, BStart})
    input->setEnabled(enabled);
  BCancel->SetCaption(enabled ? QStringLiteral("Close") : QStringLiteral("Cancel"));
}

void TAutoCalForm::BTestClick() {
  BTest->setEnabled(false);
  LIdentity->SetCaption(QStringLiteral("Connecting..."));
  generator_.Connect(Utf8(EAddress->text().trimmed()), GeneratorTimeout, this,
                     [this](const GeneratorOutcome& outcome) {
                       BTest->setEnabled(!run_);
                       LIdentity->SetCaption(outcome.ok ? QString::fromStdString(outcome.text)
                                                        : QStringLiteral("No answer"));
                       if (!outcome.ok) platform::ShowError(QString::fromStdString(outcome.text), this);
                       // Only the identity was asked: let the generator go.
                       if (!run_) generator_.Finish(this, [](const GeneratorOutcome&) {});
                     });
}

void TAutoCalForm::BTableFrequenciesClick() {
  QStringList texts;
  for (int row = 0; MainForm && row < MainForm->FrequencyCount; ++row)
    texts << FormatFrequency(MainForm->F->Cells(1, row).toLongLong());
  EFrequencies->setText(texts.join(QStringLiteral("; ")));
}

void TAutoCalForm::BLossFileClick() {
  platform::FileDialog dialog(platform::FileDialogKind::Open);
  dialog.SetTitle(QStringLiteral("Open Loss Table"));
  dialog.SetFilter(QStringLiteral("Loss tables (*.csv;*.txt)|*.csv;*.txt|All files (*.*)|*.*"));
  if (dialog.Execute(this)) ELoss->setText(dialog.FileName());
}

void TAutoCalForm::BLogClick() {
  writeLog_ = !writeLog_;
  BLog->SetCaption(writeLog_ ? QStringLiteral("Step log: on") : QStringLiteral("Step log: off"));
}

std::unique_ptr<TAutoCalForm::Run> TAutoCalForm::ReadSettings() const {
  auto run = std::make_unique<Run>();
  run->address = Utf8(EAddress->text().trimmed());
  if (run->address.empty()) throw platform::Error("No generator address");
  run->frequencies = ParseFrequencyList(EFrequencies->text());
  for (const int64_t hz : run->frequencies) {
    if (hz < MainForm->Fq->Min() || hz > MainForm->Fq->Max())
      throw platform::Error(Utf8(FormatFrequency(hz) + QStringLiteral(" is outside the receiver's range (") +
                                 FormatFrequency(MainForm->Fq->Min()) + QStringLiteral(" to ") +
                                 FormatFrequency(MainForm->Fq->Max()) + ')'));
  }
  run->sweep = autocal::CheckedSweep({NumberOf(EFrom, QStringLiteral("The lowest level")),
                                      NumberOf(ETo, QStringLiteral("The highest level")),
                                      NumberOf(EStep, QStringLiteral("The step")),
                                      NumberOf(ESettle, QStringLiteral("The settling time")),
                                      NumberOf(EReadings, QStringLiteral("The number of readings"))},
                                     kFieldNames);
  double lossDb = 0;
  const QString loss = ELoss->text().trimmed();
  if (autocal::ParseDouble(Utf8(QString(loss).replace(QLocale().decimalPoint(), QStringLiteral("."))),
                           lossDb)) {
    run->loss = autocal::CableLoss(lossDb);
  } else {
    std::ifstream file(loss.toLocal8Bit().constData());
    if (!file) throw platform::Error(Utf8(QStringLiteral("Cannot read the loss table ") + loss));
    std::ostringstream text;
    text << file.rdbuf();
    try {
      run->loss = autocal::ParseLossTable(text.str());
    } catch (const std::invalid_argument& error) {
      throw platform::Error(Utf8(loss + QStringLiteral(": ")) + error.what());
    }
  }
  return run;
}

void TAutoCalForm::BStartClick() {
  if (run_) return;
  if (!MainForm || !MainForm->OpenDriver || !MainForm->TableLoaded) {
    platform::ShowError(QStringLiteral("Open a receiver and a calibration table first."), this);
    return;
  }
  std::unique_ptr<Run> run;
  try {
    run = ReadSettings();
  } catch (const std::exception& error) {
    platform::ShowError(QString::fromStdString(error.what()), this);
    return;
  }
  if (!ReplaceConfirmed(run->frequencies)) return;
  usedFields_[ReceiverKey()] = TypedFields();
  run_ = std::move(run);
  run_->progress.emplace(static_cast<int>(run_->frequencies.size()));
  releasedNote_.clear();
  files_.UseTable(MainForm->FileName);
  if (writeLog_ && !OpenLog()) {
    run_.reset();
    return;
  }
  EnableInputs(false);
  G->SetCurrent(0);
  LIdentity->SetCaption(QString());
  LProgress->SetCaption(QStringLiteral("Connecting to the generator..."));
  generator_.Connect(run_->address, GeneratorTimeout, this,
                     [this](const GeneratorOutcome& outcome) { Connected(outcome); });
}

bool TAutoCalForm::ReplaceConfirmed(const std::vector<int64_t>& frequencies) {
  const int32_t size = calibration::GetFrequencies(MainForm->CalHandle, MainForm->ReceiverName.c_str(),
                                                   MainForm->CurrentMode(), nullptr, 0);
  std::vector<int64_t> existing(std::max(0, size) / sizeof(int64_t));
  calibration::GetFrequencies(MainForm->CalHandle, MainForm->ReceiverName.c_str(), MainForm->CurrentMode(),
                              existing.data(), static_cast<uint32_t>(existing.size() * sizeof(int64_t)));
  QStringList replaced;
  for (const int64_t hz : frequencies)
    if (std::find(existing.begin(), existing.end(), hz) != existing.end()) replaced << FormatFrequency(hz);
  if (replaced.isEmpty()) return true;
  return platform::Confirm(QStringLiteral("The table has columns at ") + replaced.join(QStringLiteral(", ")) +
                               QStringLiteral(" already.\nReplace them with the columns of this run?"),
                           platform::ModalResult::No, this);
}

// The log of a table gains a section per run; it is checked before the
// generator is touched.
bool TAutoCalForm::OpenLog() {
  try {
    run_->log.emplace(files_.LogPath());
  } catch (const std::exception& error) {
    platform::ShowError(QString::fromStdString(error.what()), this);
    return false;
  }
  return true;
}

void TAutoCalForm::Connected(const GeneratorOutcome& outcome) {
  if (!run_ || run_->stopping) return;
  if (!outcome.ok) {
    LIdentity->SetCaption(QStringLiteral("No answer"));
    return Stop(QStringLiteral("Not started: no connection to the generator at ") +
                    QString::fromStdString(run_->address),
                QStringLiteral("Automatic calibration did not start: no connection to the generator.\n") +
                    QString::fromStdString(outcome.text));
  }
  run_->connected = true;
  run_->identity = outcome.text;
  LIdentity->SetCaption(QString::fromStdString(outcome.text));
  if (run_->log)
    run_->log->StartRun({run_->identity, run_->address, MainForm->ReceiverName,
                         autocal::SettingsText(MainForm->CurrentMode(), run_->sweep, run_->loss), "pundor",
                         files_.Named() ? MainForm->FileName : std::string()});
  run_->firstStep = Clock::now();
  StartFrequency();
}

void TAutoCalForm::StartFrequency() {
  if (run_->index == run_->frequencies.size()) return Stop(QStringLiteral("Finished"), QString());
  const int64_t hz = run_->Hz();
  run_->current.emplace(run_->sweep, run_->loss.At(hz));
  // Tuned through the main window, so that its field, its live level and a
  // reconnected receiver all follow the frequency being calibrated.
  MainForm->Fq->SetValue(hz);
  if (!MainForm->OpenDriver) return TakeReading();  // lost: TakeReading tells
  const double firstDbm = run_->current->Next()->generatorDbm;
  run_->lastDbm = firstDbm;
  ShowProgress();
  generator_.Run(
      [firstDbm, hz](instruments::SignalGenerator& generator) {
        // The lowest level before the output comes on.
        generator.SetLevel(firstDbm);
        generator.SetFrequency(hz);
        generator.SetOutput(true);
        generator.WaitComplete();
        return std::string();
      },
      this,
      [this](const GeneratorOutcome& outcome) {
        if (!run_ || run_->stopping) return;
        if (!outcome.ok) return GeneratorFailed(outcome);
        NextStep();
      });
}

void TAutoCalForm::NextStep() {
  run_->step = run_->current->Next();
  if (!run_->step) return ColumnDone();
  run_->lastDbm = run_->step->generatorDbm;
  ShowProgress();
  generator_.Run(
      [dbm = run_->step->generatorDbm](instruments::SignalGenerator& generator) {
        generator.SetLevel(dbm);
        generator.WaitComplete();
        return std::string();
      },
      this,
      [this](const GeneratorOutcome& outcome) {
        if (!run_ || run_->stopping) return;
        if (!outcome.ok) return GeneratorFailed(outcome);
        run_->levelSet = Clock::now();
        settleTimer_.start(static_cast<int>(run_->current->Settle().count()));
      });
}

void TAutoCalForm::Settled() {
  if (run_ && !run_->stopping) TakeReading();
}

// One reading per tick, so that the window and the main window's measuring
// go on between them.
void TAutoCalForm::TakeReading() {
  if (!run_ || run_->stopping) return;
  const QString lost = Where() + QStringLiteral(": the receiver ") +
                       QString::fromStdString(MainForm->ReceiverName) +
                       QStringLiteral(" is no longer connected.");
  if (!MainForm->OpenDevice) return Stop(QStringLiteral("Stopped"), lost);
  if (!MainForm->OpenDriver) return readTimer_.start(kReconnectPollMs);  // the main window waits for it
  if (!MainForm->CheckConnection()) {
    if (run_ && !run_->stopping) Stop(QStringLiteral("Stopped"), lost);
    return;
  }
  if (!run_ || run_->stopping || !run_->step) return;
  const Clock::duration sinceSet = Clock::now() - run_->levelSet;
  const int raw = MainForm->OpenDriver->GetRawSignalStrength();
  // A lost classic receiver shows only in the reading that failed: take it
  // again once the receiver is back.
  if (!MainForm->OpenDriver->IsDeviceConnected()) return readTimer_.start(0);
  try {
    if (!run_->current->Take(*run_->step, std::clamp(raw, 0, 255), sinceSet)) return readTimer_.start(0);
  } catch (const autocal::ColumnRejected& error) {
    return Stop(QStringLiteral("Stopped"), Where() + QStringLiteral(": ") + QString::fromStdString(error.what()));
  }
  StepTaken();
}

void TAutoCalForm::StepTaken() {
  if (run_->log) run_->log->Write(run_->Hz(), MainForm->ReceiverName, MainForm->CurrentMode(), *run_->step);
  run_->current->Record(std::move(*run_->step));
  run_->step.reset();
  NextStep();
}

void TAutoCalForm::ColumnDone() {
  const int64_t hz = run_->Hz();
  autocal::LevelColumn column;
  try {
    column = run_->current->Fit();
  } catch (const autocal::ColumnRejected& error) {
    return Stop(QStringLiteral("Stopped"), Where() + QStringLiteral(": not written: ") +
                                               QString::fromStdString(error.what()));
  }
  if (const std::string note = autocal::SettlingNote(*run_->current); !note.empty())
    run_->settling = FormatFrequency(hz).toStdString() + note;
  for (double& level : column.levels)
    level = std::clamp(level, autocal::kLowestLevelDbm, autocal::kHighestLevelDbm);
  const int32_t result = calibration::PutDBMs(MainForm->CalHandle, MainForm->ReceiverName.c_str(),
                                              MainForm->CurrentMode(), hz, column.levels.data());
  if (result != CAL_OK) {
    Stop(QStringLiteral("Stopped"), QString());
    ShowLibraryError(result);
    return;
  }
  MainForm->TableModified = true;
  MainForm->FillFrequencyList();
  ++run_->columns;
  run_->progress->ColumnDone(*run_->current);
  try {
    files_.KeepColumn(MainForm->ReceiverName, MainForm->CurrentMode(), hz, column.levels.data());
  } catch (const std::exception& error) {
    // The column is in the table; without a copy a lost table would lose it.
    ++run_->index;
    return Stop(QStringLiteral("Stopped"),
                Where() + QStringLiteral(": the finished columns cannot be kept safe.\n") +
                    QString::fromStdString(error.what()));
  }
  ++run_->index;
  StartFrequency();
}

void TAutoCalForm::GeneratorFailed(const GeneratorOutcome& outcome) {
  Stop(QStringLiteral("Stopped"), Where() + QStringLiteral(":\n") + QString::fromStdString(outcome.text));
}

QString TAutoCalForm::Where() const {
  if (!run_ || run_->index >= run_->frequencies.size())
    return QStringLiteral("Automatic calibration stopped");
  QString where = QStringLiteral("Automatic calibration stopped at ") + FormatFrequency(run_->Hz());
  if (run_->step)
    where +=
        QStringLiteral(", ") + QLocale().toString(run_->step->generatorDbm, 'f', 1) + QStringLiteral(" dBm");
  return where;
}

void TAutoCalForm::Stop(const QString& status, const QString& message) {
  if (!run_ || run_->stopping) return;
  run_->stopping = true;
  settleTimer_.stop();
  readTimer_.stop();
  if (!run_->connected) {
    // Nothing reached the generator: there is no output to switch off.
    generator_.Finish(this, [](const GeneratorOutcome&) {});
    return Stopped(status, message, GeneratorOutcome{true, {}});
  }
  LProgress->SetCaption(status + QStringLiteral(": switching the generator's output off..."));
  generator_.Finish(this,
                    [this, status, message](const GeneratorOutcome& off) { Stopped(status, message, off); });
}

void TAutoCalForm::Stopped(const QString& status, const QString& message, const GeneratorOutcome& off) {
  const bool connected = run_->connected;
  const int columns = run_->columns;
  const int count = static_cast<int>(run_->frequencies.size());
  const double seconds = std::chrono::duration<double>(Clock::now() - run_->started).count();
  const double lastDbm = run_->lastDbm;
  const QString settling = QString::fromStdString(run_->settling);
  run_.reset();
  EnableInputs(true);
  if (columns == count) G->SetCurrent(kGaugeScale);
  if (connected)
    LProgress->SetCaption(status +
                          QStringLiteral(": %1 of %2 frequencies written in %3 s; generator output %4")
                              .arg(columns)
                              .arg(count)
                              .arg(QLocale().toString(seconds, 'f', 1))
                              .arg(off.ok ? QStringLiteral("off") : QStringLiteral("may still be on")) +
                          settling);
  else
    LProgress->SetCaption(status);
  const QString unsafe =
      QStringLiteral("The generator's output could not be switched off and may still be on at %1 dBm:\n")
          .arg(QLocale().toString(lastDbm, 'f', 1)) +
      QString::fromStdString(off.text);
  if (interrupted_) {  // the program ends: one line, no box
    const std::filesystem::path& kept = files_.RecoveryPath();
    const QString line =
        QString::fromStdString(interruptedAt_) +
        QStringLiteral("; %1 of %2 frequencies finished").arg(columns).arg(count) +
        (kept.empty() ? QString() : QStringLiteral(", kept in ") + QString::fromStdString(kept.string())) +
        QStringLiteral("; ") +
        (off.ok ? QStringLiteral("generator output off") : QString(unsafe).replace('\n', ' '));
    return std::exchange(interrupted_, {})(Utf8(line), off.ok);
  }
  QString text = message;
  if (!off.ok) text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + unsafe;
  if (!releasedNote_.isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + releasedNote_;
  releasedNote_.clear();
  if (!text.isEmpty()) platform::ShowError(text, this);
}

void TAutoCalForm::TableReleased(bool modified) {
  const std::filesystem::path kept = files_.Released();
  tableChanged_ = true;
  if (kept.empty() || !modified) return;
  const QString note = QStringLiteral("The columns calibrated automatically since the table was last saved are kept in ") +
                       QString::fromStdString(kept.string()) + '.';
  if (run_ && !run_->stopping)
    releasedNote_ = note;  // told with the run's end
  else
    platform::MessageBox(note, QStringLiteral("Information"), platform::MessageIcon::Information,
                         platform::MessageButtons::Ok);
}

void TAutoCalForm::TableSaved(const std::string& path) { files_.Saved(path); }

void TAutoCalForm::BCancelClick() {
  if (run_)
    Stop(QStringLiteral("Cancelled"), QString());
  else if (ShownModally())
    SetModalResult(platform::ModalResult::Cancel);
  else
    hide();
}

void TAutoCalForm::Interrupt(int signal, InterruptDone stopped) {
  if (!run_) return stopped(std::string(), true);
  interruptedAt_ = std::string("Automatic calibration interrupted by ") + platform::SignalName(signal);
  if (run_->index < run_->frequencies.size()) interruptedAt_ += " at " + Utf8(FormatFrequency(run_->Hz()));
  interrupted_ = std::move(stopped);
  Stop(QStringLiteral("Interrupted"), QString());
}

void TAutoCalForm::ShowProgress() {
  autocal::RunProgress& progress = *run_->progress;
  progress.Update(*run_->current);
  G->SetCurrent(static_cast<int>(progress.Fraction() * kGaugeScale));
  const int count = static_cast<int>(run_->frequencies.size());
  QString text = FormatFrequency(run_->Hz()) + QStringLiteral(" (%1 of %2)").arg(run_->index + 1).arg(count);
  if (run_->step)
    text +=
        QStringLiteral(", ") + QLocale().toString(run_->step->receiverDbm, 'f', 1) + QStringLiteral(" dBm");
  if (progress.StepsTaken() > 0) {
    const double perStep =
        std::chrono::duration<double>(Clock::now() - run_->firstStep).count() / progress.StepsTaken();
    const int secondsLeft = static_cast<int>(perStep * progress.StepsLeft() + 0.5);
    text +=
        QStringLiteral(", about %1:%2 left").arg(secondsLeft / 60).arg(secondsLeft % 60, 2, 10, QChar('0'));
  }
  LProgress->SetCaption(text);
}
