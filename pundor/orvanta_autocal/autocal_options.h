#pragma once
// The command line of orvanta-autocal.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "autocal/cable_loss.h"
#include "autocal/frequency_sweep.h"

struct AutocalOptions {
  std::string generator;  // tcp://HOST[:PORT], vxi11://HOST or a device path
  std::string dialect;    // a known dialect's name; empty: standard SCPI
  std::chrono::milliseconds timeout{5000};
  std::string receiver;  // classic:N, serial number, receiver name or model
  int32_t mode = -1;
  std::vector<int64_t> frequencies;
  autocal::SweepSettings sweep;
  autocal::CableLoss loss;
  std::filesystem::path out;
  std::optional<std::filesystem::path> into;  // the table to add to; `out` itself for a bare --into
  bool replace = false;                        // an existing `out` may be replaced
  std::filesystem::path log;                   // beside `out` unless given
  std::optional<std::filesystem::path> refit;  // a step log to rebuild the columns from, instead of a run
};

// A command line that cannot be used; the message says why.
class UsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The synopsis, shown alone when the command line is empty or wrong.
extern const char* const kAutocalUsage;
// The whole help: every option with its unit, range and default, and the
// exit codes.
std::string AutocalHelp();
// -h or --help anywhere on the line.
bool AsksForHelp(std::span<const std::string> arguments);

// The arguments after the program name. Raises UsageError; a loss table that
// cannot be read raises it too, naming the file and the line.
AutocalOptions ParseAutocalOptions(std::span<const std::string> arguments);
