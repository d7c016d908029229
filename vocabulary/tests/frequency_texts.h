#pragma once
// Frequencies as operators type them, and what every program must read from
// them: hertz, or nothing for a text no program may take. None holds a comma,
// which separates the frequencies of a list.
#include <cstdint>
#include <optional>

namespace vocabulary::testing {

struct FrequencyText {
  const char* text;
  std::optional<int64_t> hz;
};

inline constexpr FrequencyText kFrequencyTexts[] = {
    {"7100000", 7'100'000},
    {"7.1M", 7'100'000},
    {"7.1 MHz", 7'100'000},
    {"7100k", 7'100'000},
    {"7100 kHz", 7'100'000},
    {"7.1e6", 7'100'000},
    {"7.1MHz", 7'100'000},
    {"3.6 mhz", 3'600'000},
    {"3.6m", 3'600'000},
    {"7100K", 7'100'000},
    {"145.5 M", 145'500'000},
    {"14.000001 MHz", 14'000'001},
    {"1.2 GHz", 1'200'000'000},
    {"1.2g", 1'200'000'000},
    {"500 Hz", 500},
    {"500HZ", 500},
    {" 28.5M ", 28'500'000},
    {"7.1E+6", 7'100'000},
    {"71e5 Hz", 7'100'000},
    {".5M", 500'000},
    {"1.5 Hz", std::nullopt},
    {"14.0000001 MHz", std::nullopt},
    {"7.1e-6", std::nullopt},
    {"-7.1M", std::nullopt},
    {"7.1 MHz x", std::nullopt},
    {"7.1 mm", std::nullopt},
    {"MHz", std::nullopt},
    {"e6", std::nullopt},
    {"7.1e", std::nullopt},
    {"", std::nullopt},
    {"99999999999 GHz", std::nullopt},
};

}  // namespace vocabulary::testing
