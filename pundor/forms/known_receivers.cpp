#include "forms/known_receivers.h"

#include <QLocale>
#include <utility>

#include "forms/calibration_library.h"
#include "platform/error.h"

std::vector<std::string> ReceiversInTable(int32_t calHandle) {
  std::vector<std::string> names;
  for (const char* name : KnownReceivers)
    if (calibration::GetModes(calHandle, name, nullptr, 0) > 0) names.emplace_back(name);
  return names;
}

std::vector<int32_t> ReadModes(int32_t calHandle, const std::string& receiver) {
  const int32_t size = calibration::GetModes(calHandle, receiver.c_str(), nullptr, 0);
  if (size < 1) return {};
  std::vector<int32_t> modes(size / sizeof(int32_t));
  calibration::GetModes(calHandle, receiver.c_str(), modes.data(), modes.size() * sizeof(int32_t));
  return modes;
}

int32_t ReadFrequencies(int32_t calHandle, const std::string& receiver, int32_t mode,
                        std::vector<int64_t>& frequencies) {
  frequencies.clear();
  const int32_t size = calibration::GetFrequencies(calHandle, receiver.c_str(), mode, nullptr, 0);
  if (size < 1) return size;
  frequencies.resize(size / sizeof(int64_t));
  calibration::GetFrequencies(calHandle, receiver.c_str(), mode, frequencies.data(),
                              frequencies.size() * sizeof(int64_t));
  return size;
}

int32_t ReadColumn(int32_t calHandle, const std::string& receiver, int32_t mode, int64_t frequency,
                   TLevelTable& levels) {
  TLevelTable column{};
  for (int raw = 0; raw < static_cast<int>(column.size()); ++raw) {
    CalibratedStrength strength{};
    strength.Size = sizeof(CalibratedStrength);
    strength.RawValue = static_cast<uint8_t>(raw);
    const int32_t result = calibration::GetCS(calHandle, receiver.c_str(), mode, frequency, &strength);
    if (result != CAL_OK) return result;
    column[raw] = strength.DBm;
  }
  levels = column;
  return CAL_OK;
}
