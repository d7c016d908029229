#include <gmock/gmock.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "api_support.h"

namespace fendrel_test {
namespace {

using ::testing::ElementsAre;

class Editing : public ApiTest {
 protected:
  void SetUp() override { cal_ = LoadCALFile(nullptr); }

  std::vector<int32_t> modes(const char* name) const {
    std::vector<int32_t> codes(static_cast<std::size_t>(GetModes(cal_, name, nullptr, 0)) / 4);
    GetModes(cal_, name, codes.data(), static_cast<uint32_t>(codes.size() * 4));
    return codes;
  }

  std::vector<int64_t> frequencies(const char* name, int32_t mode) const {
    std::vector<int64_t> list(static_cast<std::size_t>(GetFrequencies(cal_, name, mode, nullptr, 0)) / 8);
    GetFrequencies(cal_, name, mode, list.data(), static_cast<uint32_t>(list.size() * 8));
    return list;
  }

  int32_t put(const char* name, int32_t mode, int64_t frequency, double level = -50.0) {
    return PutDBMs(cal_, name, mode, frequency, columnOf(level).data());
  }

  int32_t cal_ = -1;
};

TEST_F(Editing, PutDBMsChecksInOrderAndChangesNothingOnFailure) {
  Column levels = columnOf(-50.0);
  EXPECT_EQ(PutDBMs(cal_, "VK-2000", 1, -1, nullptr), CAL_ERR_FREQUENCY);
  EXPECT_EQ(PutDBMs(cal_, "VK-2000", 1, 0, nullptr), CAL_ERR_DBM_ARRAY);
  levels[255] = -140.5;
  EXPECT_EQ(PutDBMs(cal_, "VK-2000", 1, 0, levels.data()), CAL_ERR_DBM_RANGE);
  levels[255] = 0.01;
  EXPECT_EQ(PutDBMs(cal_, "VK-2000", 1, 0, levels.data()), CAL_ERR_DBM_RANGE);
  EXPECT_EQ(GetModes(cal_, "VK-2000", nullptr, 0), CAL_ERR_NO_RECEIVER);
}

TEST_F(Editing, PutDBMsRejectsNotANumber) {
  for (const double bad :
       {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity()}) {
    Column levels = columnOf(-50.0);
    levels[128] = bad;
    EXPECT_EQ(PutDBMs(cal_, "VK-2000", 1, 0, levels.data()), CAL_ERR_DBM_RANGE);
  }
  EXPECT_EQ(GetModes(cal_, "VK-2000", nullptr, 0), CAL_ERR_NO_RECEIVER);
}

TEST_F(Editing, PutDBMsAcceptsNamesThatFitTheNameFieldOnly) {
  const std::string longest(CAL_MAX_RECEIVER_NAME, 'N');
  const std::string tooLong(CAL_MAX_RECEIVER_NAME + 1, 'N');
  EXPECT_EQ(put(tooLong.c_str(), 1, 0), CAL_ERR_RECEIVER_NAME);
  EXPECT_EQ(GetModes(cal_, longest.c_str(), nullptr, 0), CAL_ERR_NO_RECEIVER);
  ASSERT_EQ(put(longest.c_str(), 1, 0), CAL_OK);
  EXPECT_EQ(GetModes(cal_, longest.c_str(), nullptr, 0), 4);
  EXPECT_EQ(GetModes(cal_, tooLong.c_str(), nullptr, 0), CAL_ERR_NO_RECEIVER);
}

TEST_F(Editing, PutDBMsFindsAReceiverIgnoringCase) {
  ASSERT_EQ(put("VK-2000", 1, 100), CAL_OK);
  ASSERT_EQ(put("vk-2000", 1, 200), CAL_OK);
  EXPECT_THAT(frequencies("VK-2000", 1), ElementsAre(100, 200));
  EXPECT_EQ(GetModes(cal_, "vk-2000", nullptr, 0), CAL_ERR_NO_RECEIVER);
}

TEST_F(Editing, PutDBMsKeepsPointsAscendingAndReplacesEqualFrequencies) {
  ASSERT_EQ(put("VK-2000", 1, 300, -30.0), CAL_OK);
  ASSERT_EQ(put("VK-2000", 1, 100, -10.0), CAL_OK);
  ASSERT_EQ(put("VK-2000", 1, 200, -20.0), CAL_OK);
  ASSERT_EQ(put("VK-2000", 1, 200, -22.0), CAL_OK);
  EXPECT_THAT(frequencies("VK-2000", 1), ElementsAre(100, 200, 300));
  EXPECT_EQ(levelOf(cal_, "VK-2000", 1, 200, 0), -22.0);
}

TEST_F(Editing, PutDBMsFilesModesByTheirLowEightBitsInOrderOfCreation) {
  ASSERT_EQ(put("VK-2000", 263, 0), CAL_OK);
  ASSERT_EQ(put("VK-2000", -1, 0), CAL_OK);
  ASSERT_EQ(put("VK-2000", -2, 0), CAL_OK);
  ASSERT_EQ(put("VK-2000", 7, 5), CAL_OK);
  EXPECT_THAT(modes("VK-2000"), ElementsAre(7, -1, 254));
}

TEST_F(Editing, PutDBMsStoresTenthsRoundingHalvesDown) {
  Column levels = columnOf(0.0);
  const double entered[] = {-73.0, -73.04, -73.05, -73.06, -12.34, -12.35, 0.0};
  std::copy(std::begin(entered), std::end(entered), levels.begin());
  ASSERT_EQ(PutDBMs(cal_, "VK-2000", 1, 0, levels.data()), CAL_OK);
  std::vector<double> stored;
  for (uint8_t r = 0; r < 7; ++r) stored.push_back(levelOf(cal_, "VK-2000", 1, 0, r));
  EXPECT_THAT(stored, ElementsAre(-73.0, -73.0, -73.1, -73.1, -12.3, -12.4, 0.0));
}

TEST_F(Editing, GetModesCopiesWhatFitsAndAlwaysReturnsTheWholeSize) {
  ASSERT_EQ(put("VK-2000", 5, 0), CAL_OK);
  ASSERT_EQ(put("VK-2000", 4, 0), CAL_OK);
  int32_t codes[2] = {99, 99};
  EXPECT_EQ(GetModes(cal_, "VK-2000", nullptr, 0), 8);
  EXPECT_EQ(GetModes(cal_, "VK-2000", nullptr, 4), CAL_ERR_BUFFER);
  EXPECT_EQ(GetModes(cal_, "VK-2000", codes, 3), 8);
  EXPECT_THAT(codes, ElementsAre(99, 99));
  EXPECT_EQ(GetModes(cal_, "VK-2000", codes, 5), 8);
  EXPECT_THAT(codes, ElementsAre(5, 99));
  EXPECT_EQ(GetModes(cal_, "VK-2000", codes, 1000), 8);
  EXPECT_THAT(codes, ElementsAre(5, 4));
}

TEST_F(Editing, GetFrequenciesCopiesWhatFitsAndAlwaysReturnsTheWholeSize) {
  ASSERT_EQ(put("VK-2000", 1, 20), CAL_OK);
  ASSERT_EQ(put("VK-2000", 1, 10), CAL_OK);
  int64_t list[2] = {0, 0};
  EXPECT_EQ(GetFrequencies(cal_, "VK-2000", 1, nullptr, 0), 16);
  EXPECT_EQ(GetFrequencies(cal_, "VK-2000", 1, nullptr, 16), CAL_ERR_BUFFER);
  EXPECT_EQ(GetFrequencies(cal_, "VK-2000", 1, list, 15), 16);
  EXPECT_THAT(list, ElementsAre(10, 0));
  EXPECT_EQ(GetFrequencies(cal_, "VK-2000", 2, list, 16), CAL_ERR_NO_MODE);
  EXPECT_EQ(GetFrequencies(cal_, "VK-3000", 1, list, 16), CAL_ERR_NO_RECEIVER);
}

TEST_F(Editing, DeleteModeLeavesTheReceiverAndMovesLaterModesUp) {
  ASSERT_EQ(put("VK-2000", 1, 0), CAL_OK);
  ASSERT_EQ(put("VK-2000", 2, 0), CAL_OK);
  ASSERT_EQ(put("VK-2000", 3, 0), CAL_OK);
  EXPECT_EQ(DeleteMode(cal_, "VK-2000", 2), CAL_OK);
  EXPECT_THAT(modes("VK-2000"), ElementsAre(1, 3));
  EXPECT_EQ(DeleteMode(cal_, "VK-2000", 2), CAL_ERR_NO_MODE);
  EXPECT_EQ(DeleteMode(cal_, "VK-2000", 257), CAL_ERR_NO_MODE);
  EXPECT_EQ(DeleteMode(cal_, "VK-3000", 1), CAL_ERR_NO_RECEIVER);
  EXPECT_EQ(DeleteMode(cal_, "VK-2000", 1), CAL_OK);
  EXPECT_EQ(DeleteMode(cal_, "VK-2000", 3), CAL_OK);
  EXPECT_EQ(GetModes(cal_, "VK-2000", nullptr, 0), 0);
}

TEST_F(Editing, DeleteFrequencyNeedsTheExactFrequencyAndLeavesTheMode) {
  ASSERT_EQ(put("VK-2000", 1, 1000), CAL_OK);
  ASSERT_EQ(put("VK-2000", 1, 2000), CAL_OK);
  EXPECT_EQ(DeleteFrequency(cal_, "VK-2000", 1, 1001), CAL_ERR_NO_FREQUENCY);
  EXPECT_EQ(DeleteFrequency(cal_, "VK-2000", 1, 1000), CAL_OK);
  EXPECT_THAT(frequencies("VK-2000", 1), ElementsAre(2000));
  EXPECT_EQ(DeleteFrequency(cal_, "VK-2000", 1, 2000), CAL_OK);
  EXPECT_EQ(GetFrequencies(cal_, "VK-2000", 1, nullptr, 0), 0);
  EXPECT_EQ(DeleteFrequency(cal_, "VK-2000", 1, 2000), CAL_ERR_NO_FREQUENCY);
}

}  // namespace
}  // namespace fendrel_test
