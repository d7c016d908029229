#include <gtest/gtest.h>

#include "arguments.h"
#include "fendrel.h"

namespace fendrel_tool {
namespace {

TEST(ToolArguments, ReadsModesByCodeShortNameOrFullName) {
  EXPECT_EQ(parseMode("1"), CAL_MODE_AM);
  EXPECT_EQ(parseMode("-1"), CAL_MODE_DEFAULT);
  EXPECT_EQ(parseMode("200"), 200);
  EXPECT_EQ(parseMode("usb"), CAL_MODE_USB);
  EXPECT_EQ(parseMode("Default"), CAL_MODE_DEFAULT);
  EXPECT_EQ(parseMode("FM6 - Frequency Modulation (6kHz BW)"), CAL_MODE_FM6);
  EXPECT_EQ(parseMode("256"), std::nullopt);
  EXPECT_EQ(parseMode("-2"), std::nullopt);
  EXPECT_EQ(parseMode("SSB"), std::nullopt);
}

TEST(ToolArguments, ReadsRawReadingsOfOneByte) {
  EXPECT_EQ(parseRaw("0"), 0);
  EXPECT_EQ(parseRaw("255"), 255);
  EXPECT_EQ(parseRaw("256"), std::nullopt);
  EXPECT_EQ(parseRaw("-1"), std::nullopt);
  EXPECT_EQ(parseRaw("12x"), std::nullopt);
}

TEST(ToolArguments, FormatsFrequenciesInMegahertz) {
  EXPECT_EQ(formatFrequency(14200000), "14.200000 MHz");
  EXPECT_EQ(formatFrequency(5), "0.000005 MHz");
  EXPECT_EQ(formatFrequency(INT64_MIN), "-9223372036854.775808 MHz");
  EXPECT_EQ(modeName(CAL_MODE_DEFAULT), "DEFAULT");
  EXPECT_EQ(modeName(9), "MODE 9");
}

}  // namespace
}  // namespace fendrel_tool
