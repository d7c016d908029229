#include <cmath>
#include <cstring>

#include "api_support.h"

namespace fendrel_test {
namespace {

class Conversion : public ApiTest {
 protected:
  void SetUp() override {
    cal_ = LoadCALFile(nullptr);
    Column low = columnOf(-80.0);
    Column high = columnOf(-70.0);
    low[200] = -140.0;
    high[200] = 0.0;
    ASSERT_EQ(PutDBMs(cal_, "VK-2000", CAL_MODE_AM, 20000000, high.data()), CAL_OK);
    ASSERT_EQ(PutDBMs(cal_, "VK-2000", CAL_MODE_AM, 10000000, low.data()), CAL_OK);
  }

  int32_t cal_ = -1;
};

TEST_F(Conversion, InterpolatesBetweenTheNeighbouringPoints) {
  EXPECT_DOUBLE_EQ(levelOf(cal_, "VK-2000", CAL_MODE_AM, 12500000, 5), -77.5);
  EXPECT_DOUBLE_EQ(levelOf(cal_, "VK-2000", CAL_MODE_AM, 5000000, 5), -80.0);
  EXPECT_DOUBLE_EQ(levelOf(cal_, "VK-2000", CAL_MODE_AM, 25000000, 5), -70.0);
  EXPECT_DOUBLE_EQ(levelOf(cal_, "VK-2000", CAL_MODE_AM, 15000000, 200), -70.0);
}

TEST_F(Conversion, FillsTheOutputFieldsAndLeavesTheInputs) {
  CalibratedStrength strength = strengthFor(9);
  ASSERT_EQ(GetCS(cal_, "VK-2000", CAL_MODE_AM, 10000000, &strength), CAL_OK);
  EXPECT_EQ(strength.Size, 33);
  EXPECT_EQ(strength.RawValue, 9);
  // Copied out: the packed fields are not aligned for the matchers' references.
  const double dBm = strength.DBm;
  const double microVolts = strength.MicroVolts;
  const double microVoltsPP = strength.MicroVoltsPP;
  const int32_t sUnit = strength.SUnit;
  EXPECT_EQ(dBm, -80.0);
  EXPECT_NEAR(microVolts, 22.36, 0.01);
  EXPECT_NEAR(microVoltsPP, 2 * std::sqrt(2.0) * 22.36, 0.03);
  EXPECT_EQ(sUnit, 7);
}

TEST_F(Conversion, ChecksTheStructureFirstAndWritesNothingOnFailure) {
  EXPECT_EQ(GetCS(-1, nullptr, 0, 0, nullptr), CAL_ERR_STRUCT);
  CalibratedStrength strength = strengthFor(0);
  strength.Size = 32;
  EXPECT_EQ(GetCS(-1, nullptr, 0, 0, &strength), CAL_ERR_STRUCT_SIZE);
  strength = strengthFor(0);
  std::memset(reinterpret_cast<char*>(&strength) + 5, 0x5A, sizeof strength - 5);
  const CalibratedStrength before = strength;
  EXPECT_EQ(GetCS(cal_, "VK-9999", CAL_MODE_AM, 0, &strength), CAL_ERR_NO_RECEIVER);
  EXPECT_EQ(GetCS(cal_, "VK-2000", CAL_MODE_USB, 0, &strength), CAL_ERR_NO_MODE);
  EXPECT_EQ(std::memcmp(&strength, &before, sizeof strength), 0);
}

TEST_F(Conversion, ComparesNamesByteForByte) {
  EXPECT_TRUE(std::isnan(levelOf(cal_, "vk-2000", CAL_MODE_AM, 0, 0)));
  CalibratedStrength strength = strengthFor(0);
  EXPECT_EQ(GetCS(cal_, "vk-2000", CAL_MODE_AM, 0, &strength), CAL_ERR_NO_RECEIVER);
}

TEST_F(Conversion, FallsBackToTheDefaultSectionForAMissingMode) {
  CalibratedStrength strength = strengthFor(0);
  EXPECT_EQ(GetCS(cal_, "VK-2000", CAL_MODE_LSB, 0, &strength), CAL_ERR_NO_MODE);
  ASSERT_EQ(PutDBMs(cal_, "VK-2000", CAL_MODE_DEFAULT, 0, columnOf(-33.0).data()), CAL_OK);
  EXPECT_EQ(levelOf(cal_, "VK-2000", CAL_MODE_LSB, 0, 0), -33.0);
  EXPECT_EQ(levelOf(cal_, "VK-2000", CAL_MODE_AM, 0, 0), -80.0);
  int64_t frequencies[1];
  EXPECT_EQ(GetFrequencies(cal_, "VK-2000", CAL_MODE_LSB, frequencies, sizeof frequencies), CAL_ERR_NO_MODE);
}

TEST_F(Conversion, ReducesTheModeToItsLowEightBits) {
  EXPECT_EQ(levelOf(cal_, "VK-2000", CAL_MODE_AM + 256, 0, 0), -80.0);
  EXPECT_EQ(levelOf(cal_, "VK-2000", CAL_MODE_AM - 512, 0, 0), -80.0);
  int64_t frequencies[1];
  EXPECT_EQ(GetFrequencies(cal_, "VK-2000", CAL_MODE_AM + 256, frequencies, sizeof frequencies),
            CAL_ERR_NO_MODE);
}

TEST_F(Conversion, ReportsASectionWithoutPoints) {
  ASSERT_EQ(DeleteFrequency(cal_, "VK-2000", CAL_MODE_AM, 10000000), CAL_OK);
  ASSERT_EQ(DeleteFrequency(cal_, "VK-2000", CAL_MODE_AM, 20000000), CAL_OK);
  CalibratedStrength strength = strengthFor(0);
  EXPECT_EQ(GetCS(cal_, "VK-2000", CAL_MODE_AM, 0, &strength), CAL_ERR_NO_POINTS);
}

TEST_F(Conversion, ReadsAColumnBackThatWritesAgainUnchanged) {
  Column written;
  for (int r = 0; r < 256; ++r) written[r] = -140.0 + r * 0.547;
  ASSERT_EQ(PutDBMs(cal_, "VK-2000", CAL_MODE_CW, 7000000, written.data()), CAL_OK);
  Column readBack;
  for (int r = 0; r < 256; ++r)
    readBack[r] = levelOf(cal_, "VK-2000", CAL_MODE_CW, 7000000, static_cast<uint8_t>(r));
  ASSERT_EQ(PutDBMs(cal_, "VK-2000", CAL_MODE_CW, 7000000, readBack.data()), CAL_OK);
  for (int r = 0; r < 256; ++r) {
    EXPECT_EQ(levelOf(cal_, "VK-2000", CAL_MODE_CW, 7000000, static_cast<uint8_t>(r)), readBack[r]) << r;
  }
}

}  // namespace
}  // namespace fendrel_test
