#pragma once
// The simulated signal generator: the SCPI subset a laboratory generator
// understands, acting on the shared state so that every simulated receiver
// hears it. The network side is in generator_server.h.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

inline constexpr double kGeneratorMinDbm = -130.0;
inline constexpr double kGeneratorMaxDbm = 13.0;
inline constexpr int64_t kGeneratorMinHz = 9'000;
inline constexpr int64_t kGeneratorMaxHz = 6'000'000'000;
inline constexpr const char* kGeneratorIdentity = "Orvanta,Simulated signal generator,0,1.0";

class GeneratorInstrument {
 public:
  // Switches the output off at once, as a generator does when it is powered
  // up.
  GeneratorInstrument(std::filesystem::path statePath, int32_t settleMs);

  struct Outcome {
    std::optional<std::string> reply;  // for a query
    bool dropConnections = false;      // the command was lost with them
  };
  // One program message from connection `client`, without its terminator:
  // commands separated by ";", the replies of its queries joined by ";".
  Outcome Execute(std::string_view message, int client = 0);
  // A test fault belongs to the connection whose command first follows it;
  // it ends with that connection, so the next client starts without it.
  void Disconnected(int client);
  // At once, as when the generator is switched off.
  void SwitchOff();

 private:
  Outcome ExecuteCommand(std::string_view command, int client);
  std::optional<std::string> Run(std::string_view header, std::string_view parameter);
  std::optional<std::string> Frequency(std::string_view parameter, bool query);
  std::optional<std::string> Level(std::string_view parameter, bool query);
  std::optional<std::string> Output(std::string_view parameter, bool query);
  // Sets off the armed fault; true when it drops the connections.
  bool Strike(int client);
  void ChangeSignal(double dbm, bool on);
  void PushError(int code, const char* text);
  std::string PopError();

  std::filesystem::path statePath_;
  int32_t settleMs_;
  std::deque<std::string> errors_;
  // Faults a test asks for, to see how a program copes with a generator that
  // goes away (SIM:DROP) or stops answering (SIM:MUTE), now or after a number
  // of further commands.
  enum class GeneratorFault { kNone, kDrop, kMute };
  GeneratorFault armed_ = GeneratorFault::kNone;
  int64_t commandsUntilFault_ = 0;
  std::optional<int> faultOwner_;  // the connection counting down to it
  std::optional<int> muted_;       // the connection that no longer answers
};

}  // namespace sim
