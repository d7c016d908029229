// fendrel-tool's table for a Hamlib backend, run through Hamlib's own
// interpolation (rig_raw2val), against the column it was made from.
#include <gtest/gtest.h>
#include <hamlib/rig.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>

#include "fendrel.h"

// Hamlib exports it without declaring it in its public header.
extern "C" float rig_raw2val(int rawval, const cal_table_t* cal);

namespace {

namespace fs = std::filesystem;

std::string OutputOf(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  std::array<char, 4096> chunk;
  while (pipe && fgets(chunk.data(), chunk.size(), pipe)) output += chunk.data();
  if (pipe) pclose(pipe);
  return output;
}

// "{ N, { { RAW, DB }, ... } }" as Hamlib's table.
cal_table_t TableOf(const std::string& initializer) {
  cal_table_t table{};
  const char* at = initializer.c_str();
  int used = 0;
  EXPECT_EQ(std::sscanf(at, "{ %d, {%n", &table.size, &used), 1) << initializer;
  at += used;
  for (int i = 0; i < table.size; ++i) {
    EXPECT_EQ(std::sscanf(at, " { %d, %d }%n", &table.table[i].raw, &table.table[i].val, &used), 2) << at;
    at += used;
    if (*at == ',') ++at;
  }
  return table;
}

TEST(HamlibTable, HamlibsInterpolationOfTheExportedTableStaysWithinTheErrorTheToolPrints) {
  const fs::path folder = fs::read_symlink("/proc/self/exe").parent_path();
  const fs::path file = fs::temp_directory_path() / ("hamlib-table-" + std::to_string(getpid()) + ".cal");
  // An S-meter that bends: a floor, a curve, a knee at the top.
  std::array<double, 256> levels;
  for (int raw = 0; raw < 256; ++raw)
    levels[raw] = std::clamp(-128.0 + 0.45 * raw + 6 * std::sin(raw / 25.0), -125.0, -20.0);
  const int32_t handle = LoadCALFile(nullptr);
  for (const int64_t hz : {7'000'000, 50'000'000})
    PutDBMs(handle, "HamTest", CAL_MODE_USB, hz, levels.data());
  ASSERT_EQ(SaveCALFile(handle, file.c_str()), CAL_OK);
  rig_set_debug(RIG_DEBUG_NONE);

  for (const auto& [frequency, s9, points] : {std::tuple{"14.2M", -73.0, 12}, {"50.1 MHz", -93.0, 32}}) {
    const std::string command = (folder / "fendrel-tool").string() + " export --format hamlib " +
                                file.string() + " HamTest USB '" + frequency + "' --points " +
                                std::to_string(points);
    const std::string initializer = OutputOf(command + " 2>/dev/null");
    const std::string errors = OutputOf(command + " 2>&1 >/dev/null");
    double worst = -1, rms = -1;
    ASSERT_EQ(std::sscanf(errors.c_str(), "worst %lf dB, RMS %lf dB", &worst, &rms), 2) << errors;
    EXPECT_LT(worst, 1.0);
    const cal_table_t table = TableOf(initializer);
    EXPECT_LE(table.size, points);
    double largest = 0;
    for (int raw = 0; raw < 256; ++raw) {
      CalibratedStrength strength{};
      strength.Size = sizeof strength;
      strength.RawValue = static_cast<uint8_t>(raw);
      GetCS(handle, "HamTest", CAL_MODE_USB, frequency[0] == '1' ? 14'200'000 : 50'100'000, &strength);
      largest = std::max(largest, std::abs(rig_raw2val(raw, &table) - (strength.DBm - s9)));
    }
    EXPECT_NEAR(largest, worst, 0.01) << initializer;
  }
  Unload(handle);
  fs::remove(file);
}

}  // namespace
