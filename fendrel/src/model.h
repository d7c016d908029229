#pragma once
// The in-memory calibration table: receivers own modes, modes own points.
// Every list keeps insertion order and every look-up takes the first match.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace fendrel {

inline constexpr int kValueCount = 256;
inline constexpr std::size_t kNameFieldSize = 52;
inline constexpr std::size_t kMaxNameLength = kNameFieldSize - 1;

// One calibration frequency: entry r is the level in tenths of a dBm that
// raw reading r stands for.
struct CalPoint {
  int64_t Frequency = 0;
  int32_t Values[kValueCount] = {};
};

class CalMode {
 public:
  explicit CalMode(int16_t code) : Code(code) {}

  // The first point at exactly that frequency, or end().
  std::vector<std::unique_ptr<CalPoint>>::iterator findPoint(int64_t frequency);

  // Keeps the list ascending: replaces the point of equal frequency, else
  // inserts before the first higher one.
  void putPoint(std::unique_ptr<CalPoint> point);

  int16_t Code;
  std::vector<std::unique_ptr<CalPoint>> Points;
};

class CalReceiver {
 public:
  // The name is cut to kMaxNameLength characters.
  explicit CalReceiver(std::string_view name);

  // The first mode whose code, sign-extended, equals code.
  CalMode* findMode(int32_t code) const;

  // NUL-terminated.
  char Name[kNameFieldSize];
  std::vector<std::unique_ptr<CalMode>> Modes;
};

struct CalTable {
  // Byte for byte.
  CalReceiver* findReceiver(const char* name) const;
  // Folding only A to Z.
  CalReceiver* findReceiverIgnoringCase(const char* name) const;

  std::vector<std::unique_ptr<CalReceiver>> Receivers;
};

// Folds only the ASCII letters A to Z, whatever the locale.
constexpr char foldAsciiCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace fendrel
