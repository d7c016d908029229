#include "arguments.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <iterator>

#include "fendrel.h"

namespace fendrel_tool {
namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

template <typename Number>
std::optional<Number> wholeNumber(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string_view shortNameOf(std::string_view modeName) { return modeName.substr(0, modeName.find(" - ")); }

}  // namespace

std::optional<int32_t> parseMode(std::string_view text) {
  if (const auto code = wholeNumber<int32_t>(text)) {
    if (*code >= CAL_MODE_DEFAULT && *code <= 255) return code;
    return std::nullopt;
  }
  for (int index = 0; index < static_cast<int>(std::size(ModeNames)); ++index) {
    const std::string_view name = ModeNames[index];
    const std::string_view shortName = shortNameOf(name);
    if (equalIgnoringCase(text, name) || equalIgnoringCase(text, shortName)) return index + CAL_MODE_DEFAULT;
  }
  return std::nullopt;
}

std::optional<uint8_t> parseRaw(std::string_view text) { return wholeNumber<uint8_t>(text); }

std::string formatFrequency(int64_t hertz) {
  char text[48];
  const char* sign = hertz < 0 ? "-" : "";
  const uint64_t magnitude = hertz < 0 ? 0 - static_cast<uint64_t>(hertz) : static_cast<uint64_t>(hertz);
  std::snprintf(text, sizeof text, "%s%" PRIu64 ".%06" PRIu64 " MHz", sign, magnitude / 1000000,
                magnitude % 1000000);
  return text;
}

std::string modeName(int32_t code) {
  if (code >= CAL_MODE_DEFAULT && code <= CAL_MODE_FM6) return ModeNames[code + 1];
  return "MODE " + std::to_string(code);
}

std::string modeShortName(int32_t code) {
  if (code >= CAL_MODE_DEFAULT && code <= CAL_MODE_FM6) return std::string(shortNameOf(ModeNames[code + 1]));
  return std::to_string(code);
}

}  // namespace fendrel_tool
