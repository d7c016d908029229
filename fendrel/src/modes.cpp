#include "modes.h"

#include <charconv>
#include <iterator>

#include "fendrel.h"
#include "model.h"

namespace fendrel {
namespace {

constexpr int kFirstNamedCode = -1;
constexpr int kNamedCodeCount = static_cast<int>(std::size(ModeNames));
constexpr int kFirstNumberedCode = kFirstNamedCode + kNamedCodeCount;
constexpr int kLastNumberedCode = 255;
// Codes 8..255 exist only through PutDBMs; this keeps them across a save and
// a load without touching any of the nine names.
constexpr std::string_view kNumberedPrefix = "MODE ";

std::optional<int16_t> numberedModeCode(std::string_view name) {
  if (name.size() <= kNumberedPrefix.size() ||
      !equalsIgnoringAsciiCase(name.substr(0, kNumberedPrefix.size()), kNumberedPrefix)) {
    return std::nullopt;
  }
  const std::string_view digits = name.substr(kNumberedPrefix.size());
  if (digits.front() == '0') return std::nullopt;  // one spelling per code
  int code = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (code < kFirstNumberedCode || code > kLastNumberedCode) return std::nullopt;
  return static_cast<int16_t>(code);
}

}  // namespace

std::string modeHeaderName(int16_t code) {
  const int index = code - kFirstNamedCode;
  if (index >= 0 && index < kNamedCodeCount) return ModeNames[index];
  return std::string(kNumberedPrefix) + std::to_string(code);
}

std::optional<int16_t> modeCodeForName(std::string_view name) {
  for (int index = 0; index < kNamedCodeCount; ++index) {
    if (equalsIgnoringAsciiCase(name, ModeNames[index])) return static_cast<int16_t>(index + kFirstNamedCode);
  }
  return numberedModeCode(name);
}

}  // namespace fendrel
