#pragma once
// One unattended run of orvanta-autocal: find and open the receiver, sweep
// each frequency with the generator, write each finished column into the
// table and save it. The generator's output is off again at the end of every
// run, failed ones included.
#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "autocal_options.h"
#include "instruments/signal_generator.h"
#include "receivers/velkaro_api.h"

// A fresh connection to the generator, for switching its output off when the
// run's own connection failed.
using Reconnect = std::function<std::unique_ptr<instruments::SignalGenerator>()>;

// A stop signal (SIGINT, SIGTERM, SIGHUP) ended the run; the message says at
// which frequency, how many columns were kept and that the output is off.
class RunInterrupted : public std::runtime_error {
 public:
  RunInterrupted(int signal, const std::string& message) : std::runtime_error(message), signal_(signal) {}
  int Signal() const { return signal_; }

 private:
  int signal_;
};

// Raises std::runtime_error, with the system's reason, when the CAL file or
// the step log cannot be written: before anything else is touched.
void CheckOutputs(const AutocalOptions& options);

// --refit: the columns of every frequency the step log holds completely,
// fitted as a run fits them, one summary line each (and one for each
// incomplete frequency, which is left out). Raises std::runtime_error when
// the log cannot be read or holds no complete frequency.
void RefitFromLog(const AutocalOptions& options, std::ostream& out);

// Raises std::runtime_error (or instruments::GeneratorError) with a message
// for the operator; the table file then holds the columns finished before.
// `progress`: a line rewritten after every step (a terminal), else nothing.
void RunAutocal(const AutocalOptions& options, instruments::SignalGenerator& generator,
                std::span<TVelkaro_API* const> drivers, std::ostream& out, bool progress,
                const Reconnect& reconnect = {});
