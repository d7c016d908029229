#include <gmock/gmock.h>

#include <string>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include "api_support.h"

namespace fendrel_test {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

std::string pointLine(int64_t frequency, int32_t value) {
  std::string line = ".";
  line.append(std::to_string(frequency)).append(" 0");
  for (int r = 0; r < 256; ++r) line.append(" ").append(std::to_string(value));
  return line + " \r\n";
}

const std::string kSample = "{VK-2000 receiver}\r\n[AM - Amplitude Modulation]\r\n" +
                            pointLine(10000000, -800) + pointLine(20000000, -700) +
                            "[DEFAULT]\r\n{C1-ABCD receiver}\r\n[MODE 200]\r\n" + pointLine(0, -5) +
                            pointLine(-7, -1500);

using Files = FileTest;

TEST_F(Files, LoadFailsForMissingFilesFoldersAndFilesWithoutAReceiver) {
  EXPECT_EQ(LoadCALFile(path("missing.cal").c_str()), CAL_ERR_FILE_NOT_FOUND);
  EXPECT_EQ(LoadCALFile(folder_.string().c_str()), CAL_ERR_FILE_NOT_FOUND);
  EXPECT_EQ(LoadCALFile(write("empty.cal", "").c_str()), CAL_ERR_LOAD);
  EXPECT_EQ(LoadCALFile(write("modes.cal", "[DEFAULT]\r\n" + pointLine(0, 0)).c_str()), CAL_ERR_LOAD);
  // A failed load hands out no handle.
  EXPECT_EQ(LoadCALFile(nullptr), 0);
}

TEST_F(Files, LoadedTableSavesByteForByte) {
  const int32_t cal = LoadCALFile(write("in.cal", kSample).c_str());
  ASSERT_EQ(cal, 0);
  EXPECT_DOUBLE_EQ(levelOf(cal, "VK-2000", CAL_MODE_AM, 12500000, 3), -77.5);
  // The points stay in file order, not sorted.
  EXPECT_EQ(levelOf(cal, "C1-ABCD", 200, -10, 3), -0.5);
  EXPECT_EQ(levelOf(cal, "C1-ABCD", 200, 0, 3), -140.0);
  ASSERT_EQ(SaveCALFile(cal, path("out.cal").c_str()), CAL_OK);
  EXPECT_EQ(contents("out.cal"), kSample);
}

TEST_F(Files, LoadReadsBareLineFeedsLikeCrLf) {
  std::string unix = kSample;
  for (std::size_t at; (at = unix.find("\r\n")) != std::string::npos;) unix.erase(at, 1);
  const int32_t cal = LoadCALFile(write("unix.cal", unix).c_str());
  ASSERT_EQ(SaveCALFile(cal, path("out.cal").c_str()), CAL_OK);
  EXPECT_EQ(contents("out.cal"), kSample);
}

TEST_F(Files, ATableBuiltThroughTheLibraryRoundTrips) {
  const int32_t cal = LoadCALFile(nullptr);
  Column levels;
  for (int r = 0; r < 256; ++r) levels[r] = -140.0 + r * 0.5;
  ASSERT_EQ(PutDBMs(cal, "VK-2000", CAL_MODE_USB, 14200000, levels.data()), CAL_OK);
  ASSERT_EQ(PutDBMs(cal, "VK-2000", 77, 7000000, levels.data()), CAL_OK);
  ASSERT_EQ(PutDBMs(cal, "VK-3000", CAL_MODE_DEFAULT, 0, levels.data()), CAL_OK);
  ASSERT_EQ(SaveCALFile(cal, path("first.cal").c_str()), CAL_OK);
  const int32_t reloaded = LoadCALFile(path("first.cal").c_str());
  int32_t codes[2];
  ASSERT_EQ(GetModes(reloaded, "VK-2000", codes, sizeof codes), 8);
  EXPECT_THAT(codes, ElementsAre(CAL_MODE_USB, 77));
  EXPECT_EQ(levelOf(reloaded, "VK-2000", 77, 7000000, 255), levelOf(cal, "VK-2000", 77, 7000000, 255));
  ASSERT_EQ(SaveCALFile(reloaded, path("second.cal").c_str()), CAL_OK);
  EXPECT_EQ(contents("second.cal"), contents("first.cal"));
}

TEST_F(Files, AReceiverWithoutModesIsSavedAsItsHeaderAlone) {
  const int32_t cal = LoadCALFile(nullptr);
  ASSERT_EQ(PutDBMs(cal, "VK-2000", CAL_MODE_AM, 0, columnOf(0.0).data()), CAL_OK);
  ASSERT_EQ(DeleteMode(cal, "VK-2000", CAL_MODE_AM), CAL_OK);
  ASSERT_EQ(SaveCALFile(cal, path("out.cal").c_str()), CAL_OK);
  EXPECT_EQ(contents("out.cal"), "{VK-2000 receiver}\r\n");
}

TEST_F(Files, SaveChecksHandleThenNameThenTheFile) {
  const int32_t cal = LoadCALFile(nullptr);
  EXPECT_EQ(SaveCALFile(cal + 1, nullptr), CAL_ERR_HANDLE);
  EXPECT_EQ(SaveCALFile(cal, nullptr), CAL_ERR_FILE_NAME);
  EXPECT_EQ(SaveCALFile(cal, path("no/such/folder.cal").c_str()), CAL_ERR_WRITE);
  EXPECT_EQ(SaveCALFile(cal, folder_.string().c_str()), CAL_ERR_WRITE);
}

TEST_F(Files, SaveReplacesAnOldFileAndLeavesNoTemporaryFile) {
  write("table.cal", "old contents, longer than nothing at all");
  const int32_t cal = LoadCALFile(write("in.cal", kSample).c_str());
  ASSERT_EQ(SaveCALFile(cal, path("table.cal").c_str()), CAL_OK);
  EXPECT_EQ(contents("table.cal"), kSample);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
}

#if !defined(_WIN32)
// Device files, file size limits, file modes and symbolic links: POSIX only.
TEST_F(Files, SaveReportsAWriteErrorOnAFullDevice) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const int32_t cal = LoadCALFile(nullptr);
  ASSERT_EQ(PutDBMs(cal, "VK-2000", CAL_MODE_AM, 0, columnOf(0.0).data()), CAL_OK);
  EXPECT_EQ(SaveCALFile(cal, "/dev/full"), CAL_ERR_WRITE);
}

// Lets files grow only to the given size while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int);
};

TEST_F(Files, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
  const std::string old = write("table.cal", kSample);
  const int32_t cal = LoadCALFile(old.c_str());
  for (int64_t f = 0; f < 100; ++f) ASSERT_EQ(PutDBMs(cal, "VK-2000", 1, f, columnOf(-100.0).data()), CAL_OK);
  {
    const FileSizeLimit limit(kSample.size() + 100);
    EXPECT_EQ(SaveCALFile(cal, old.c_str()), CAL_ERR_WRITE);
  }
  EXPECT_EQ(contents("table.cal"), kSample);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(Files, SaveKeepsThePermissionsAndLinksOfTheOldFile) {
  const std::string old = write("table.cal", "old");
  ASSERT_EQ(::chmod(old.c_str(), 0604), 0);
  fs::create_symlink(old, path("link.cal"));
  const int32_t cal = LoadCALFile(write("in.cal", kSample).c_str());
  ASSERT_EQ(SaveCALFile(cal, path("link.cal").c_str()), CAL_OK);
  EXPECT_TRUE(fs::is_symlink(path("link.cal")));
  EXPECT_EQ(contents("table.cal"), kSample);
  struct stat info {};
  ASSERT_EQ(::stat(old.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);
}

TEST_F(Files, SaveLeavesAFileTheCallerMayNotWrite) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  const std::string old = write("table.cal", "old");
  ASSERT_EQ(::chmod(old.c_str(), 0444), 0);
  const int32_t cal = LoadCALFile(write("in.cal", kSample).c_str());
  EXPECT_EQ(SaveCALFile(cal, old.c_str()), CAL_ERR_WRITE);
  EXPECT_EQ(contents("table.cal"), "old");
}
#endif

TEST_F(Files, PointsAfterAReceiverHeaderBeforeItsModesAreDropped) {
  const std::string text = "{VK-2000 receiver}\r\n[AM - Amplitude Modulation]\r\n" + pointLine(100, -10) +
                           "{VK-3000 receiver}\r\n" + pointLine(200, -20);
  const int32_t cal = LoadCALFile(write("in.cal", text).c_str());
  EXPECT_EQ(GetFrequencies(cal, "VK-2000", CAL_MODE_AM, nullptr, 0), 8);
  EXPECT_EQ(GetModes(cal, "VK-3000", nullptr, 0), 0);
}

TEST_F(Files, LookupsFindTheFirstOfDuplicateReceivers) {
  const std::string text = "{VK-2000 receiver}\r\n[CW - Continuous Wave]\r\n" + pointLine(100, -10) +
                           "{VK-2000 receiver}\r\n[AM - Amplitude Modulation]\r\n" + pointLine(100, -20);
  const int32_t cal = LoadCALFile(write("in.cal", text).c_str());
  int32_t codes[2];
  EXPECT_EQ(GetModes(cal, "VK-2000", codes, sizeof codes), 4);
  EXPECT_EQ(codes[0], CAL_MODE_CW);
  ASSERT_EQ(SaveCALFile(cal, path("out.cal").c_str()), CAL_OK);
  EXPECT_EQ(contents("out.cal"), text);
}

}  // namespace
}  // namespace fendrel_test
