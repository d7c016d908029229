#include <gtest/gtest.h>

#include "receivers/velkaro_api.h"

namespace {

TEST(FrequencyWord, SendsHzUpToTheMarginThenTensOfHz) {
  EXPECT_EQ(EncodeFrequencyWord(0), 0u);
  EXPECT_EQ(EncodeFrequencyWord(145'500'000), 145'500'000u);
  EXPECT_EQ(EncodeFrequencyWord(2'147'000'000), 2'147'000'000u);
  EXPECT_EQ(EncodeFrequencyWord(2'147'000'001), 0x80000000u | 214'700'000u);
  EXPECT_EQ(EncodeFrequencyWord(4'000'000'009), 0x80000000u | 400'000'000u);
}

TEST(FrequencyWord, KeepsOutOfRangeFrequenciesInRange) {
  EXPECT_EQ(EncodeFrequencyWord(-5), 0u);
  EXPECT_EQ(EncodeFrequencyWord(int64_t{1} << 40), 0xFFFFFFFFu);
}

TEST(FrequencyWord, DecodesBothUnitsIn64Bits) {
  EXPECT_EQ(DecodeFrequencyWord(2'147'000'000u), 2'147'000'000);
  EXPECT_EQ(DecodeFrequencyWord(0x80000000u | 400'000'000u), 4'000'000'000);
  EXPECT_EQ(DecodeFrequencyWord(0xFFFFFFFFu), int64_t{0x7FFFFFFF} * 10);
  EXPECT_EQ(DecodeFrequencyWord(EncodeFrequencyWord(10'000'000'005)), 10'000'000'000);
}

}  // namespace
