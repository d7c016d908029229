#pragma once
// Automatic calibration: the program drives a signal generator over the level
// range at each chosen frequency, reads the open receiver in the current mode
// and writes each finished column into the loaded table. Generator I/O runs on
// a worker thread; the receiver is read here, on the user-interface thread,
// from timer ticks, so the window and the live reading stay responsive.
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "forms/autocal_files.h"
#include "forms/generator_worker.h"
#include "widgets/captioned_form.h"

class TstAlignEdit;
class TstGauge;
struct GeneratorOutcome;

class TAutoCalForm : public TCaptionedForm {
 public:
  TAutoCalForm();
  ~TAutoCalForm() override;

  TmyLabel *LAddress, *LIdentity, *LFrequencies, *LLevels, *LTo, *LStep, *LSettle, *LReadings, *LLoss,
      *LProgress;
  TstAlignEdit *EAddress, *EFrequencies, *EFrom, *ETo, *EStep, *ESettle, *EReadings, *ELoss;
  TstSpeedButton *BTest, *BTableFrequencies, *BLossFile, *BLog, *BStart, *BCancel;
  TstGauge* G;

  // Each exchange with the generator waits at most this long.
  std::chrono::milliseconds GeneratorTimeout{5000};
  // A run, or its generator still switching off, is under way.
  bool Running() const { return run_ != nullptr; }

  void FormShow();
  void BTestClick();
  void BTableFrequenciesClick();
  void BLossFileClick();
  void BLogClick();
  void BStartClick();
  void BCancelClick();
  // A stop signal came: the run ends as Cancel ends it, then `stopped` gets
  // one line saying where it stopped, and whether the output is off.
  using InterruptDone = std::function<void(const std::string& line, bool outputOff)>;
  void Interrupt(int signal, InterruptDone stopped);

  // The main window released its table (`modified`: unsaved): where the
  // columns measured for it are kept is told.
  void TableReleased(bool modified);
  // The main window saved its table to `path`.
  void TableSaved(const std::string& path);

 protected:
  // Enter starts, Escape cancels a run or closes the idle window.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Run;
  // What the operator typed, kept per receiver.
  struct Fields {
    QString address, frequencies, from, to, step, settle, readings, loss;
    bool log = true;
  };

  void CreateInputs();
  void CreateProgress();
  void SetTabOrder();
  Fields TypedFields() const;
  void ShowFields(const Fields& fields);
  // A receiver or a table other than last time: its own settings, a clean status.
  void ShowForSession();
  std::string ReceiverKey() const;
  // Asks before a run replaces columns the table has; false: do not start.
  bool ReplaceConfirmed(const std::vector<int64_t>& frequencies);
  bool OpenLog();
  void EnableInputs(bool enabled);
  std::unique_ptr<Run> ReadSettings() const;
  void Connected(const GeneratorOutcome& outcome);
  void StartFrequency();
  void NextStep();
  void Settled();
  void TakeReading();
  void StepTaken();
  void ColumnDone();
  void GeneratorFailed(const GeneratorOutcome& outcome);
  // Ends the run: the output goes off, then `message` (if any) is shown.
  void Stop(const QString& status, const QString& message);
  void Stopped(const QString& status, const QString& message, const GeneratorOutcome& off);
  void ShowProgress();
  QString Where() const;
  void FormHide();

  GeneratorWorker generator_;
  std::unique_ptr<Run> run_;
  QTimer settleTimer_, readTimer_;
  bool writeLog_ = false;
  std::string interruptedAt_;  // "Automatic calibration interrupted by SIGTERM at 7.05 MHz"
  InterruptDone interrupted_;
  AutoCalFiles files_{SpareAutoCalFolder()};
  std::map<std::string, Fields> usedFields_;  // by receiver
  std::string shownFor_;                       // the receiver the fields belong to
  bool tableChanged_ = false;                  // since the window was last shown
  QString releasedNote_;                       // for the message of the run under way
};

extern TAutoCalForm* AutoCalForm;

// "7.05 MHz; 14200 kHz; 21.3M; 28500000": the frequencies in Hz, in the
// order given. Raises platform::Error when there is none, and
// autocal::FieldError naming an entry that is not one or is given twice.
std::vector<int64_t> ParseFrequencyList(const QString& text);
