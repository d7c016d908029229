#pragma once
// A frequency as an operator types it, read the same way by every program:
// "7100000", "7.1M", "7.1 MHz", "7100k", "7100 kHz", "7.1e6"; the unit Hz,
// k, kHz, M, MHz, G or GHz in any letter case, with or without a space.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vocabulary {

// Whole hertz, or nothing: a negative frequency, a fraction of a hertz
// ("1.5 Hz", "7.0000001 MHz") and anything beyond a 64-bit count of hertz are
// refused, not rounded.
std::optional<int64_t> ReadFrequency(std::string_view text);

// The message for text that ReadFrequency refuses, with the forms it takes.
std::string NotAFrequency(std::string_view text);

}  // namespace vocabulary
