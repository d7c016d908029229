#include "vocabulary/frequency_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>

namespace vocabulary {
namespace {

constexpr std::string_view kSpace = " \t";
constexpr int kMostExponentDigits = 4;

struct Unit {
  std::string_view name;
  int powerOfTen;
};
constexpr std::array kUnits = {Unit{"", 0},  Unit{"hz", 0},  Unit{"k", 3}, Unit{"khz", 3},
                               Unit{"m", 6}, Unit{"mhz", 6}, Unit{"g", 9}, Unit{"ghz", 9}};

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::optional<int> UnitPower(std::string_view name) {
  std::string lower(Trimmed(name));
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const Unit& unit : kUnits)
    if (unit.name == lower) return unit.powerOfTen;
  return std::nullopt;
}

std::string_view Digits(std::string_view& text) {
  std::size_t count = 0;
  while (count < text.size() && std::isdigit(static_cast<unsigned char>(text[count]))) ++count;
  const std::string_view digits = text.substr(0, count);
  text.remove_prefix(count);
  return digits;
}

// A decimal number without a sign: its digits and the power of ten that
// scales them ("7.1e6" is 71 and 5).
struct Decimal {
  std::string digits;
  int powerOfTen = 0;
};

std::optional<Decimal> ReadDecimal(std::string_view& text) {
  Decimal number;
  number.digits = Digits(text);
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
    const std::string_view fraction = Digits(text);
    number.digits += fraction;
    number.powerOfTen = -static_cast<int>(fraction.size());
  }
  if (number.digits.empty()) return std::nullopt;
  if (!text.empty() && (text.front() == 'e' || text.front() == 'E')) {
    text.remove_prefix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    const std::string_view exponent = Digits(text);
    if (exponent.empty() || exponent.size() > kMostExponentDigits) return std::nullopt;
    number.powerOfTen += (negative ? -1 : 1) * std::stoi(std::string(exponent));
  }
  return number;
}

// The whole number `digits` x 10^powerOfTen, exactly, or nothing.
std::optional<int64_t> WholeValue(std::string digits, int powerOfTen) {
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  if (digits.empty()) return 0;
  while (digits.back() == '0') {
    digits.pop_back();
    ++powerOfTen;
  }
  if (powerOfTen < 0) return std::nullopt;
  constexpr int64_t kMost = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (const char digit : digits) {
    if (value > (kMost - (digit - '0')) / 10) return std::nullopt;
    value = value * 10 + (digit - '0');
  }
  for (int i = 0; i < powerOfTen; ++i) {
    if (value > kMost / 10) return std::nullopt;
    value *= 10;
  }
  return value;
}

}  // namespace

std::optional<int64_t> ReadFrequency(std::string_view text) {
  text = Trimmed(text);
  const std::optional<Decimal> number = ReadDecimal(text);
  if (!number) return std::nullopt;
  const std::optional<int> unitPower = UnitPower(text);
  if (!unitPower) return std::nullopt;
  return WholeValue(number->digits, number->powerOfTen + *unitPower);
}

std::string NotAFrequency(std::string_view text) {
  // Appended piece by piece: the Release build sees a false overlap in "x" + s.
  std::string message = "\"";
  message.append(text);
  message.append("\" is not a frequency in whole hertz (such as 7100000, 7.1M, \"7.1 MHz\", 7100k or 7.1e6)");
  return message;
}

}  // namespace vocabulary
