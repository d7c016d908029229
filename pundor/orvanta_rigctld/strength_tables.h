#pragma once
// The calibration tables the proxy answers STRENGTH from: one for the radio
// as it is, and one for each front-end state (attenuator, preamp) given.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct FrontEnd {
  int att = 0;     // dB
  int preamp = 0;  // dB
  auto operator<=>(const FrontEnd&) const = default;
};

// "ATT=12", "PREAMP=10", "ATT=12,PREAMP=0"; throws std::invalid_argument.
FrontEnd ParseFrontEnd(const std::string& text);
std::string FrontEndText(const FrontEnd& frontEnd);

class StrengthTables {
 public:
  // Loads each file; throws std::runtime_error naming the file and the reason.
  StrengthTables(std::string receiverName, const std::string& plainFile,
                 const std::vector<std::pair<FrontEnd, std::string>>& stateFiles);
  ~StrengthTables();
  StrengthTables(const StrengthTables&) = delete;
  StrengthTables& operator=(const StrengthTables&) = delete;

  // Whether the radio's attenuator and preamp decide which table applies.
  bool HasStates() const { return handles_.size() > 1; }

  // The calibrated level of a raw reading, or nothing where no table covers
  // that state, mode and frequency (the receiver or mode is missing, or the
  // frequency lies more than a tenth beyond the calibrated ones).
  std::optional<double> Level(const FrontEnd& frontEnd, int32_t mode, int64_t hz, uint8_t raw) const;

 private:
  std::optional<std::pair<int64_t, int64_t>> Span(int32_t handle, int32_t mode) const;

  std::string receiverName_;
  std::map<FrontEnd, int32_t> handles_;
  mutable std::mutex mutex_;  // the library keeps its tables in one list
};
