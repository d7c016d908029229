#include "receivers/velkaro_api.h"

#include <algorithm>

namespace {
constexpr int64_t kLargestTenHzUnits = 0x7FFFFFFF;
constexpr int32_t kLargestRaw = 255;
}  // namespace

uint32_t EncodeFrequencyWord(int64_t hz) {
  if (hz <= 0) return 0;
  if (hz <= kLargestHzWord) return static_cast<uint32_t>(hz);
  return kTenHzWordFlag | static_cast<uint32_t>(std::min(hz / 10, kLargestTenHzUnits));
}

int64_t DecodeFrequencyWord(uint32_t word) {
  if ((word & kTenHzWordFlag) == 0) return word;
  return static_cast<int64_t>(word & ~kTenHzWordFlag) * 10;
}

int32_t TVelkaro_API::ClampRaw(int32_t raw) { return std::clamp(raw, 0, kLargestRaw); }
