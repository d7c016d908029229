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

namespace listing {

QString FormatFrequency(int64_t frequency) {
  static const char* const units[] = {"Hz", "kHz", "MHz", "GHz"};
  double value = static_cast<double>(frequency);
  int unit = 0;
  while (unit < 3 && !(value < 1800)) {
    value *= 0.001;
    ++unit;
  }
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(value, 'g', 15) + ' ' + QLatin1String(units[unit]);
}

QString ModeName(int32_t code) {
  static const std::pair<int32_t, const char*> names[] = {
      {0, "CW - Continuous Wave"},          {4, "LSB - Lower Side Band"},
      {5, "USB - Upper Side Band"},         {1, "AM - Amplitude Modulation"},
      {2, "FMN - Freq. Modulation,Narrow"}, {6, "FMM - Freq. Modulation,Medium"},
      {3, "FMW - Freq. Modulation,Wide"},   {7, "FM6 - Freq. Mod. (6kHz BW)"}};
  if (code == -1) return QStringLiteral("Default mode");
  for (const auto& [known, name] : names)
    if (known == code) return QString::fromLatin1(name);
  throw platform::Error("Unknown mode");
}

}  // namespace listing
