#include "autocal/step_log.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <iterator>

#include "fendrel.h"

namespace autocal {
namespace {

constexpr int32_t kFirstModeCode = -1;
constexpr int32_t kLastModeCode = kFirstModeCode + static_cast<int32_t>(std::size(ModeNames)) - 1;

// "AM - Amplitude Modulation" -> "AM".
std::string_view ShortName(const char* fullName) {
  const std::string_view name(fullName);
  return name.substr(0, name.find(' '));
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string Uncommented(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  return line;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace

std::string ModeShortName(int32_t mode) {
  if (mode < kFirstModeCode || mode > kLastModeCode) return std::to_string(mode);
  return std::string(ShortName(ModeNames[mode - kFirstModeCode]));
}

std::optional<int32_t> ParseMode(std::string_view text) {
  int32_t code = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (error == std::errc() && end == text.data() + text.size() && code >= kFirstModeCode &&
      code <= kLastModeCode)
    return code;
  for (int32_t mode = kFirstModeCode; mode <= kLastModeCode; ++mode)
    if (EqualIgnoringCase(text, ShortName(ModeNames[mode - kFirstModeCode]))) return mode;
  return std::nullopt;
}

std::string SettingsText(int32_t mode, const SweepSettings& sweep, const CableLoss& loss) {
  char text[200];
  std::snprintf(text, sizeof text,
                "mode %s, levels %.1f:%.1f dBm at the receiver, finest step %g dB, settle %lld ms, average %d, loss ",
                ModeShortName(mode).c_str(), sweep.fromDbm, sweep.toDbm, sweep.finestStepDb,
                static_cast<long long>(sweep.settle.count()), sweep.readings);
  std::string settings(text);
  settings.append(loss.Describe());
  return settings;
}

std::string StepLogHeader(const LogHeader& header) {
  return "# Orvanta automatic calibration steps\n"
         "# generator: " +
         Uncommented(header.generatorIdentity) + " at " + Uncommented(header.generatorAddress) +
         "\n# receiver: " + Uncommented(header.receiver) + "\n# settings: " + Uncommented(header.settings) +
         "\nfrequency_hz,mode,generator_dbm,receiver_dbm,raw...\n";
}

std::string StepLogRow(int64_t hz, int32_t mode, const Step& step) {
  std::string row = std::to_string(hz) + "," + ModeShortName(mode) + "," + Number(step.generatorDbm) + "," +
                    Number(step.receiverDbm);
  // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict in
  // operator+ on a literal and a temporary string.
  for (const int raw : step.raws) row.append(",").append(std::to_string(raw));
  return row + "\n";
}

}  // namespace autocal
