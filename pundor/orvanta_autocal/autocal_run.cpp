#include "autocal_run.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

#include "autocal/step_log.h"
#include "fendrel.h"
#include "platform/interrupt.h"
#include "receivers/device_list.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Format(const char* format, auto... values) {
  char text[160];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string HzText(int64_t hz) {
  for (const auto& [scale, unit] : {std::pair{1e9, "GHz"}, {1e6, "MHz"}, {1e3, "kHz"}}) {
    if (hz >= scale) return Format("%.10g %s", hz / scale, unit);
  }
  return Format("%lld Hz", static_cast<long long>(hz));
}

// The receiver name and the name only this receiver has: "Halv-B3 classic:2".
std::string Describe(const TRadioDevice& device) {
  return std::string(device.Name) + " " + FormsOf(device).Unique();
}

TRadioDevice FindReceiver(std::span<TVelkaro_API* const> drivers, const std::string& wanted) {
  std::vector<TRadioDevice> devices(kMaxDevices);
  devices.resize(BuildDeviceList(drivers, devices));
  return FindDevice(devices, wanted);
}

void CheckReceiverTakes(const TRadioDevice& device, const AutocalOptions& options) {
  bool hasMode = false;
  std::string modes;
  for (int i = 0; i < device.ModeCount && i < kMaxModes; ++i) {
    hasMode |= device.Modes[i] == options.mode;
    modes += (modes.empty() ? "" : ", ") + autocal::ModeShortName(device.Modes[i]);
  }
  if (!hasMode)
    throw std::runtime_error(Describe(device) + " has no mode " + autocal::ModeShortName(options.mode) +
                             " (it has " + modes + ")");
  for (const int64_t hz : options.frequencies) {
    if (hz < device.MinFreq || hz > device.MaxFreq)
      throw std::runtime_error(HzText(hz) + " is outside the range of " + Describe(device) + " (" +
                               HzText(device.MinFreq) + " to " + HzText(device.MaxFreq) + ")");
  }
}

// The open receiver for the length of the run.
class Receiver {
 public:
  Receiver(std::span<TVelkaro_API* const> drivers, const AutocalOptions& options)
      : device_(FindReceiver(drivers, options.receiver)) {
    CheckReceiverTakes(device_, options);
    if (!device_.Driver->Open(device_))
      throw std::runtime_error(Describe(device_) + " does not open (is another program using it?)");
    if (!device_.Driver->SetMode(options.mode))
      throw std::runtime_error(Describe(device_) + " refused mode " + autocal::ModeShortName(options.mode));
    ApplyFrontEnd(device_, options);
  }
  ~Receiver() { device_.Driver->Close(); }

  const TRadioDevice& Device() const { return device_; }

  // Each checks the connection after its call: a lost classic receiver shows
  // only in the call that failed.
  void Tune(int64_t hz) {
    const bool tuned = device_.Driver->SetFrequency(EncodeFrequencyWord(hz));
    CheckConnected();
    if (!tuned) throw std::runtime_error(Describe(device_) + " refused to tune to " + HzText(hz));
  }
  int Read() {
    const int raw = device_.Driver->GetRawSignalStrength();
    CheckConnected();
    return raw;
  }

 private:
  void CheckConnected() {
    if (!device_.Driver->IsDeviceConnected())
      throw std::runtime_error("lost the connection to " + Describe(device_) + " (unplugged?)");
  }
  TRadioDevice device_;
};

// The table the columns go into: new, or a copy of an existing CAL file.
class Table {
 public:
  explicit Table(const std::optional<std::filesystem::path>& into)
      : handle_(LoadCALFile(into ? into->c_str() : nullptr)) {
    if (handle_ == CAL_ERR_FILE_NOT_FOUND) throw std::runtime_error("cannot open " + into->string());
    if (handle_ < 0) throw std::runtime_error(into->string() + " is not a CAL file");
  }
  ~Table() { Unload(handle_); }

  bool HasColumn(const std::string& receiver, int32_t mode, int64_t hz) const {
    std::vector<int64_t> frequencies(
        std::max(0, GetFrequencies(handle_, receiver.c_str(), mode, nullptr, 0)) / 8);
    GetFrequencies(handle_, receiver.c_str(), mode, frequencies.data(),
                   static_cast<uint32_t>(frequencies.size() * sizeof(int64_t)));
    return std::find(frequencies.begin(), frequencies.end(), hz) != frequencies.end();
  }
  void PutColumn(const std::string& receiver, int32_t mode, int64_t hz, const autocal::LevelColumn& column) {
    if (PutDBMs(handle_, receiver.c_str(), mode, hz, column.levels.data()) != CAL_OK)
      throw std::runtime_error("the column at " + HzText(hz) + " was refused by the calibration library");
  }
  void Save(const std::filesystem::path& path) {
    if (SaveCALFile(handle_, path.c_str()) != CAL_OK)
      throw std::runtime_error("cannot write " + path.string());
  }

 private:
  int32_t handle_;
};

// One line per column, the same for a run and a refit; `took` is the
// sweep's time, none for a column rebuilt from a log.
std::string Summary(int64_t hz, const autocal::FrequencySweep& sweep, const autocal::LevelColumn& column,
                    std::optional<Clock::duration> took, bool replaced) {
  const std::string time =
      took ? Format("in %.2f s", std::chrono::duration<double>(*took).count()) : std::string("from the log");
  return Format("%s: %zu steps %s, %.1f..%.1f dBm for raw %d..%d%s", HzText(hz).c_str(), sweep.Steps().size(),
                time.c_str(), column.levels[column.lowestRaw], column.levels[column.highestRaw],
                column.lowestRaw, column.highestRaw, replaced ? ", replacing the column that was there" : "");
}

// Why `path` cannot be written, in the system's words; empty when it can.
// Leaves nothing behind.
std::string WhyNotWritable(const std::filesystem::path& path) {
  std::error_code ignored;
  if (!path.has_filename() || std::filesystem::is_directory(path, ignored)) return "it is a folder";
  const bool existed = std::filesystem::exists(path, ignored);
  errno = 0;
  std::FILE* file = std::fopen(path.string().c_str(), "ab");
  if (!file) return std::strerror(errno);
  std::fclose(file);
  if (!existed) std::filesystem::remove(path, ignored);
  return {};
}

// What a run leaves behind, for its last message.
struct RunRecord {
  int columns = 0;
  std::optional<double> lastDbm;  // set at the generator; none: output never touched
  int64_t hz = 0;                 // the frequency being calibrated
};

// A stop signal ends the run between two exchanges with the instruments.
void StopIfInterrupted(const RunRecord& record) {
  if (const int signal = platform::InterruptSignal())
    throw RunInterrupted(
        signal, std::string("interrupted by ") + platform::SignalName(signal) + " at " + HzText(record.hz));
}

// A settling wait that a stop signal cuts short.
void Wait(std::chrono::milliseconds settle) {
  if (platform::InterruptDescriptor() < 0) return std::this_thread::sleep_for(settle);
  pollfd interrupt{platform::InterruptDescriptor(), POLLIN, 0};
  poll(&interrupt, 1, static_cast<int>(settle.count()));
}

class Run {
 public:
  Run(const AutocalOptions& options, instruments::SignalGenerator& generator,
      std::span<TVelkaro_API* const> drivers, std::ostream& out, bool progress, RunRecord& record)
      : record_(record),
        options_(options),
        generator_(generator),
        receiver_(drivers, options),
        table_(options.into),
        out_(out),
        progress_(progress),
        log_(options.log) {
    log_.StartRun({generator.Identify(), generator.Address(), Describe(receiver_.Device()),
                   autocal::SettingsText(options.mode, options.sweep, options.loss) + FrontEndText(options),
                   "orvanta-autocal", options.out.string()});
  }

  void Calibrate(int64_t hz) {
    const auto start = Clock::now();
    record_.hz = hz;
    StopIfInterrupted(record_);
    autocal::FrequencySweep sweep(options_.sweep, options_.loss.At(hz));
    SetLevel(sweep.Next()->generatorDbm);  // the lowest level before the output comes on
    generator_.SetFrequency(hz);
    generator_.SetOutput(true);
    generator_.WaitComplete();
    receiver_.Tune(hz);
    autocal::LevelColumn column;
    try {
      column = autocal::RunSweep(
          sweep,
          {[&](double dbm) {
             SetLevel(dbm);
             generator_.WaitComplete();
           },
           [&](std::chrono::milliseconds settle) {
             Wait(settle);
             StopIfInterrupted(record_);
           },
           [&] { return receiver_.Read(); }, [&](const autocal::Step& step) { StepTaken(hz, sweep, step); }});
    } catch (const autocal::ColumnRejected& rejected) {
      throw std::runtime_error(HzText(hz) + ": not written: " + rejected.what());
    }
    const bool replaced = table_.HasColumn(receiver_.Device().Name, options_.mode, hz);
    table_.PutColumn(receiver_.Device().Name, options_.mode, hz, column);
    table_.Save(options_.out);
    ++record_.columns;
    ClearProgress();
    out_ << Summary(hz, sweep, column, Clock::now() - start, replaced) << autocal::SettlingNote(sweep) << std::endl;
  }

  void ClearProgress() {
    if (progress_) out_ << "\r\033[K" << std::flush;
  }

 private:
  void SetLevel(double dbm) {
    StopIfInterrupted(record_);
    record_.lastDbm = dbm;
    generator_.SetLevel(dbm);
  }

  void StepTaken(int64_t hz, const autocal::FrequencySweep& sweep, const autocal::Step& step) {
    log_.Write(hz, receiver_.Device().Name, options_.mode, step);
    if (progress_)
      out_ << Format("\r\033[K%s: step %zu, %.1f dBm, raw %g", HzText(hz).c_str(), sweep.Steps().size() + 1,
                     step.receiverDbm, step.Median())
           << std::flush;
  }

  RunRecord& record_;
  const AutocalOptions& options_;
  instruments::SignalGenerator& generator_;
  Receiver receiver_;
  Table table_;
  std::ostream& out_;
  bool progress_;
  autocal::StepLog log_;
};

// Output off, over a new connection when the old one has failed. The reason
// when it could not be done.
std::string SwitchOff(instruments::SignalGenerator& generator, const Reconnect& reconnect) {
  try {
    generator.SetOutput(false);
    return {};
  } catch (const std::exception& error) {
    if (!reconnect) return error.what();
    try {
      reconnect()->SetOutput(false);
      return {};
    } catch (const std::exception& again) {
      return again.what();
    }
  }
}

}  // namespace

void CheckOutputs(const AutocalOptions& options) {
  for (const auto& [option, path] : {std::pair{"--out", options.out}, {"--log", options.log}}) {
    if (path.empty()) continue;  // no log for a refit
    if (const std::string why = WhyNotWritable(path); !why.empty())
      throw std::runtime_error(std::string(option) + ": cannot write " + path.string() + ": " + why);
  }
}

void RefitFromLog(const AutocalOptions& options, std::ostream& out) {
  std::ifstream file(*options.refit);
  if (!file) throw std::runtime_error("cannot read " + options.refit->string() + ": " + std::strerror(errno));
  std::stringstream text;
  text << file.rdbuf();
  std::vector<autocal::LoggedRun> runs;
  try {
    runs = autocal::ParseStepLog(text.str());
  } catch (const std::invalid_argument& error) {
    throw std::runtime_error(options.refit->string() + ": " + error.what());
  }
  Table table(options.into);
  int columns = 0;
  for (const autocal::LoggedRun& run : runs) {
    for (auto first = run.steps.begin(); first != run.steps.end();) {
      const auto sameColumn = [&](const autocal::LoggedStep& step) {
        return step.hz == first->hz && step.mode == first->mode && step.receiver == first->receiver;
      };
      const auto end = std::find_if_not(first, run.steps.end(), sameColumn);
      // Replayed through the planner a run uses: the column is complete when
      // the planner has no step left to ask for.
      autocal::FrequencySweep sweep(run.settings, first->step.generatorDbm - first->step.receiverDbm);
      for (auto step = first; step != end; ++step) sweep.Record(step->step);
      if (sweep.Next()) {
        out << Format("%s: %zu steps in the log, incomplete; not written", HzText(first->hz).c_str(),
                      sweep.Steps().size())
            << std::endl;
      } else {
        const autocal::LevelColumn column = sweep.Fit();
        const bool replaced = table.HasColumn(first->receiver, first->mode, first->hz);
        table.PutColumn(first->receiver, first->mode, first->hz, column);
        out << Summary(first->hz, sweep, column, std::nullopt, replaced) << std::endl;
        ++columns;
      }
      first = end;
    }
  }
  if (columns == 0) throw std::runtime_error(options.refit->string() + " holds no complete frequency");
  table.Save(options.out);
}

void RunAutocal(const AutocalOptions& options, instruments::SignalGenerator& generator,
                std::span<TVelkaro_API* const> drivers, std::ostream& out, bool progress,
                const Reconnect& reconnect) {
  std::exception_ptr failure;
  RunRecord record;
  try {
    Run run(options, generator, drivers, out, progress, record);
    try {
      for (const int64_t hz : options.frequencies) run.Calibrate(hz);
    } catch (...) {
      run.ClearProgress();
      throw;
    }
  } catch (...) {
    failure = std::current_exception();
  }
  // Only what the run may have switched on: a generator it never set is left
  // alone, so a silent one costs a single time-out.
  const std::string switchOffFailure = record.lastDbm ? SwitchOff(generator, reconnect) : std::string();
  if (!failure && switchOffFailure.empty()) return;
  const std::string unsafe = "The generator's output could not be switched off and may still be on at " +
                             Format("%.1f dBm", record.lastDbm.value_or(0)) + " (" + generator.Address() +
                             "): " + switchOffFailure;
  if (!failure) throw std::runtime_error(unsafe);
  try {
    std::rethrow_exception(failure);
  } catch (const RunInterrupted& interrupted) {
    if (!switchOffFailure.empty()) throw std::runtime_error(std::string(interrupted.what()) + "\n" + unsafe);
    throw RunInterrupted(interrupted.Signal(),
                         std::string(interrupted.what()) + "; " +
                             Format("%d of %zu frequencies", record.columns, options.frequencies.size()) +
                             " kept in " + options.out.string() + "; generator output off");
  } catch (const std::exception& error) {
    if (switchOffFailure.empty()) throw;
    throw std::runtime_error(std::string(error.what()) + "\n" + unsafe);
  }
}
