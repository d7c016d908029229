#pragma once
// A simulated radio behind the network protocol of Hamlib's rigctld: enough of
// it for Hamlib's own network client (rig model 2, "NET rigctl") to open the
// radio, tune it and read its S-meter.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sim/line_server.h"
#include "sim/scenario.h"
#include "sim/smeter.h"

namespace sim {

inline constexpr uint16_t kRigctldPort = 4532;

// What the generator feeds the radio at the moment.
struct GeneratorSignal {
  double dbm = kNoSignal;
  int64_t hz = kTrackingGenerator;
};

// One radio's settings, shared by every connection, and the answer to each
// protocol line.
class SimulatedRig {
 public:
  SimulatedRig(RadioSpec radio, double noiseDb, std::function<GeneratorSignal()> signal);

  // The answer to one line of the protocol, with its line ends; `q` closes.
  LineAnswer Execute(std::string_view line);

  // What the radio's own table makes of a raw reading, in dB relative to S9.
  static int32_t OwnStrength(int32_t raw);

  struct Reply {
    int code = 0;  // Hamlib's status: 0, or a negated RIG_E... code
    std::vector<std::pair<std::string, std::string>> values;  // label (may be empty), value
  };
  using Arguments = std::vector<std::string_view>;

 private:
  Reply GetFrequency(const Arguments& args);
  Reply SetFrequency(const Arguments& args);
  Reply GetMode(const Arguments& args);
  Reply SetMode(const Arguments& args);
  Reply GetLevel(const Arguments& args);
  Reply SetLevel(const Arguments& args);
  Reply GetVfo(const Arguments& args);
  Reply SetVfo(const Arguments& args);
  Reply GetSplitVfo(const Arguments& args);
  Reply GetPowerState(const Arguments& args);
  Reply GetLockMode(const Arguments& args);
  Reply DumpState(const Arguments& args);
  int32_t RawReading();

  struct Command {
    char shortName;  // 0: only the long form
    std::string_view longName;
    Reply (SimulatedRig::*run)(const Arguments&);
  };
  static const Command kCommands[];

  RadioSpec radio_;
  double noiseDb_;
  std::function<GeneratorSignal()> signal_;
  std::mt19937 noise_;
  int64_t hz_;
  std::string mode_;
  int32_t passbandHz_;
  int32_t attenuatorDb_ = 0;
  int32_t preampDb_ = 0;
  std::string vfo_ = "VFOA";
};

// Serves `radio` on 127.0.0.1 (port 0 takes a free one) until SIGINT or
// SIGTERM, the generator read from the shared state at `statePath`.
int ServeRigctld(const RadioSpec& radio, double noiseDb, uint16_t port,
                 const std::filesystem::path& statePath, std::ostream& out, std::ostream& errors);

}  // namespace sim
