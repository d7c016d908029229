#include "strength_tables.h"

#include <algorithm>
#include <stdexcept>

#include "fendrel.h"

FrontEnd ParseFrontEnd(const std::string& text) {
  FrontEnd frontEnd;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t end = std::min(text.find(',', at), text.size());
    const std::string item = text.substr(at, end - at);
    const std::size_t equals = item.find('=');
    std::size_t used = 0;
    int value = 0;
    try {
      if (equals != std::string::npos) value = std::stoi(item.substr(equals + 1), &used);
    } catch (const std::exception&) {
    }
    if (equals == std::string::npos || used == 0 || used != item.size() - equals - 1 || value < 0)
      throw std::invalid_argument("\"" + item + "\" is not ATT=DB or PREAMP=DB");
    const std::string key = item.substr(0, equals);
    if (key == "ATT") {
      frontEnd.att = value;
    } else if (key == "PREAMP") {
      frontEnd.preamp = value;
    } else {
      throw std::invalid_argument("\"" + key + "\" is not ATT or PREAMP");
    }
    at = end + 1;
  }
  return frontEnd;
}

std::string FrontEndText(const FrontEnd& frontEnd) {
  return "ATT=" + std::to_string(frontEnd.att) + ",PREAMP=" + std::to_string(frontEnd.preamp);
}

namespace {

int32_t LoadTable(const std::string& file) {
  const int32_t handle = LoadCALFile(file.c_str());
  if (handle == CAL_ERR_FILE_NOT_FOUND) throw std::runtime_error(file + ": cannot be opened for reading");
  if (handle < 0) throw std::runtime_error(file + ": not a CAL file (no receiver section)");
  return handle;
}

}  // namespace

StrengthTables::StrengthTables(std::string receiverName, const std::string& plainFile,
                               const std::vector<std::pair<FrontEnd, std::string>>& stateFiles)
    : receiverName_(std::move(receiverName)) {
  // A CAL file keeps seven characters of a name: a shorter one reads back
  // padded with spaces.
  if (receiverName_.size() < 7) receiverName_.resize(7, ' ');
  try {
    handles_[FrontEnd{}] = LoadTable(plainFile);
    for (const auto& [frontEnd, file] : stateFiles) {
      if (handles_.contains(frontEnd)) Unload(handles_[frontEnd]);
      handles_[frontEnd] = LoadTable(file);
    }
  } catch (...) {
    for (const auto& [frontEnd, handle] : handles_) Unload(handle);
    throw;
  }
}

StrengthTables::~StrengthTables() {
  for (const auto& [frontEnd, handle] : handles_) Unload(handle);
}

std::optional<std::pair<int64_t, int64_t>> StrengthTables::Span(int32_t handle, int32_t mode) const {
  // The section GetCS reads: the mode's own, else DEFAULT.
  for (const int32_t section : {mode, int32_t{CAL_MODE_DEFAULT}}) {
    const int32_t bytes = GetFrequencies(handle, receiverName_.c_str(), section, nullptr, 0);
    if (bytes <= 0) continue;
    std::vector<int64_t> frequencies(static_cast<std::size_t>(bytes) / sizeof(int64_t));
    GetFrequencies(handle, receiverName_.c_str(), section, frequencies.data(), static_cast<uint32_t>(bytes));
    const auto [low, high] = std::minmax_element(frequencies.begin(), frequencies.end());
    return std::pair{*low, *high};
  }
  return std::nullopt;
}

std::optional<double> StrengthTables::Level(const FrontEnd& frontEnd, int32_t mode, int64_t hz,
                                            uint8_t raw) const {
  const auto table = handles_.find(frontEnd);
  if (table == handles_.end()) return std::nullopt;
  const std::lock_guard lock(mutex_);
  const auto span = Span(table->second, mode);
  if (!span || hz < span->first - span->first / 10 || hz > span->second + span->second / 10)
    return std::nullopt;
  CalibratedStrength strength{};
  strength.Size = sizeof strength;
  strength.RawValue = raw;
  if (GetCS(table->second, receiverName_.c_str(), mode, hz, &strength) != CAL_OK) return std::nullopt;
  const double dbm = strength.DBm;  // a copy: the structure is packed
  return dbm;
}
