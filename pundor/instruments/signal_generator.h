#pragma once
// A programmable signal generator, driven with SCPI text commands over the
// network (a raw socket or VXI-11, both through liblxi) or over USB (USBTMC,
// through its device file).
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace instruments {

// Every failure: the message names the generator (its address and, once
// known, its identity) and the command.
class GeneratorError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The command texts of one family of generators. "{}" stands for the value
// (hertz, dBm, or the dialect's word for on and off).
struct Dialect {
  std::string_view name;
  std::string_view identify;   // a query
  std::string_view clear;      // empties the error queue; sent on connecting
  std::string_view frequency;  // "{}" in Hz
  std::string_view level;      // "{}" in dBm
  std::string_view output;     // "{}" is `on` or `off`
  std::string_view on, off;
  std::string_view complete;  // a query answered once every command is done
  // A query: one entry of the error queue. A setting goes out with it in one
  // message ("SETTING;QUERY"), so it is written from the root (":SYST:ERR?").
  std::string_view error;
};
// :SOUR:FREQ, :SOUR:POW, :OUTP.
const Dialect& StandardScpi();
// nullptr if unknown.
const Dialect* FindDialect(std::string_view name);
// Every dialect, the standard one first.
std::span<const Dialect> Dialects();

class SignalGenerator {
 public:
  virtual ~SignalGenerator() = default;
  virtual const std::string& Address() const = 0;
  virtual std::string Identify() = 0;  // *IDN?
  virtual void SetFrequency(int64_t hz) = 0;
  virtual void SetLevel(double dbm) = 0;  // refused levels raise GeneratorError
  virtual void SetOutput(bool on) = 0;
  virtual void WaitComplete() = 0;      // *OPC?
  virtual std::string ReadError() = 0;  // SYST:ERR?, "" when no error
};

// ADDRESS: tcp://HOST[:PORT] (raw socket, port 5025 by default),
// vxi11://HOST[/DEVICE] (inst0 by default), or a device path (/dev/usbtmc0).
// Each exchange waits at most `timeout`. Every setting checks the error queue
// in the same exchange, so an instrument error raises GeneratorError naming
// that setting.
std::unique_ptr<SignalGenerator> ConnectGenerator(const std::string& address,
                                                  std::chrono::milliseconds timeout,
                                                  const Dialect& dialect = StandardScpi());

// Switches the output off when a run ends, however it ends. Errors at that
// point are swallowed: the run's own error is the one worth reporting.
class OutputOffGuard {
 public:
  explicit OutputOffGuard(SignalGenerator& generator) : generator_(generator) {}
  ~OutputOffGuard();
  OutputOffGuard(const OutputOffGuard&) = delete;
  OutputOffGuard& operator=(const OutputOffGuard&) = delete;

 private:
  SignalGenerator& generator_;
};

}  // namespace instruments
