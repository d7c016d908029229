#include "api_support.h"

namespace fendrel_test {
namespace {

using Handles = ApiTest;

TEST_F(Handles, AreHandedOutFromZeroAndReusedAfterUnload) {
  EXPECT_EQ(LoadCALFile(nullptr), 0);
  EXPECT_EQ(LoadCALFile(nullptr), 1);
  EXPECT_EQ(Unload(0), CAL_OK);
  EXPECT_EQ(Unload(0), CAL_ERR_HANDLE);
  EXPECT_EQ(LoadCALFile(nullptr), 0);
  EXPECT_EQ(LoadCALFile(nullptr), 2);
}

TEST_F(Handles, OutsideTheListOrEmptiedAreRejectedByEveryExport) {
  ASSERT_EQ(LoadCALFile(nullptr), 0);
  ASSERT_EQ(LoadCALFile(nullptr), 1);
  ASSERT_EQ(LoadCALFile(nullptr), 2);
  ASSERT_EQ(Unload(1), CAL_OK);
  const Column levels = columnOf(-50.0);
  int32_t modes[4];
  int64_t frequencies[4];
  for (const int32_t handle : {-1, 1, 3, INT32_MIN, INT32_MAX}) {
    CalibratedStrength strength = strengthFor(0);
    EXPECT_EQ(Unload(handle), CAL_ERR_HANDLE);
    EXPECT_EQ(GetCS(handle, "VK-2000", 1, 0, &strength), CAL_ERR_HANDLE);
    EXPECT_EQ(PutDBMs(handle, "VK-2000", 1, 0, levels.data()), CAL_ERR_HANDLE);
    EXPECT_EQ(SaveCALFile(handle, "/nonexistent/x.cal"), CAL_ERR_HANDLE);
    EXPECT_EQ(GetModes(handle, "VK-2000", modes, sizeof modes), CAL_ERR_HANDLE);
    EXPECT_EQ(GetFrequencies(handle, "VK-2000", 1, frequencies, sizeof frequencies), CAL_ERR_HANDLE);
    EXPECT_EQ(DeleteMode(handle, "VK-2000", 1), CAL_ERR_HANDLE);
    EXPECT_EQ(DeleteFrequency(handle, "VK-2000", 1, 0), CAL_ERR_HANDLE);
  }
}

TEST_F(Handles, KeepTablesApart) {
  const int32_t first = LoadCALFile(nullptr);
  const int32_t second = LoadCALFile(nullptr);
  ASSERT_EQ(PutDBMs(first, "VK-2000", 1, 100, columnOf(-10.0).data()), CAL_OK);
  EXPECT_EQ(GetModes(second, "VK-2000", nullptr, 0), CAL_ERR_NO_RECEIVER);
  ASSERT_EQ(Unload(first), CAL_OK);
  // The slot's next table starts empty.
  EXPECT_EQ(LoadCALFile(nullptr), first);
  EXPECT_EQ(GetModes(first, "VK-2000", nullptr, 0), CAL_ERR_NO_RECEIVER);
}

TEST_F(Handles, NullNamesAreRejectedAfterTheHandle) {
  const int32_t cal = LoadCALFile(nullptr);
  CalibratedStrength strength = strengthFor(0);
  int32_t modes[1];
  int64_t frequencies[1];
  EXPECT_EQ(GetCS(cal, nullptr, 1, 0, &strength), CAL_ERR_RECEIVER_NAME);
  EXPECT_EQ(PutDBMs(cal, nullptr, 1, -5, nullptr), CAL_ERR_RECEIVER_NAME);
  EXPECT_EQ(GetModes(cal, nullptr, modes, sizeof modes), CAL_ERR_RECEIVER_NAME);
  EXPECT_EQ(GetFrequencies(cal, nullptr, 1, frequencies, sizeof frequencies), CAL_ERR_RECEIVER_NAME);
  EXPECT_EQ(DeleteMode(cal, nullptr, 1), CAL_ERR_RECEIVER_NAME);
  EXPECT_EQ(DeleteFrequency(cal, nullptr, 1, 0), CAL_ERR_RECEIVER_NAME);
}

}  // namespace
}  // namespace fendrel_test
