// A receiver application in C++, built against an installed fendrel through
// find_package(fendrel 2.0 CONFIG) and the target fendrel::fendrel.
// Builds a table of two frequencies, saves it, loads it again and reads
// back its frequencies and an interpolated level.
#include <fendrel.h>

#include <array>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "consumer.cal";
  std::array<double, 256> low{}, high{};
  for (int raw = 0; raw < 256; ++raw) {
    low[raw] = -140.0 + raw * 0.5;
    high[raw] = low[raw] + 10.0;
  }
  int32_t cal = LoadCALFile(nullptr);
  PutDBMs(cal, "Halv-C1", CAL_MODE_USB, 10000000, low.data());
  PutDBMs(cal, "Halv-C1", CAL_MODE_USB, 20000000, high.data());
  if (SaveCALFile(cal, path) != CAL_OK) return std::fprintf(stderr, "consumer: cannot save %s\n", path), 1;
  Unload(cal);

  cal = LoadCALFile(path);
  if (cal < 0) return std::fprintf(stderr, "consumer: cannot load %s: %d\n", path, cal), 1;
  std::vector<int64_t> frequencies(GetFrequencies(cal, "Halv-C1", CAL_MODE_USB, nullptr, 0) / 8);
  GetFrequencies(cal, "Halv-C1", CAL_MODE_USB, frequencies.data(), static_cast<uint32_t>(frequencies.size() * 8));
  CalibratedStrength strength{};
  strength.Size = sizeof strength;
  strength.RawValue = 100;
  const int32_t result = GetCS(cal, "Halv-C1", CAL_MODE_USB, 15000000, &strength);
  Unload(cal);
  if (frequencies != std::vector<int64_t>{10000000, 20000000} || result != CAL_OK || strength.DBm != -85.0) {
    std::fprintf(stderr, "consumer: read back %zu frequencies, %d, %.1f dBm\n", frequencies.size(), result,
                 strength.DBm);
    return 1;
  }
  std::printf("C++ consumer: raw 100 at 15 MHz is %.1f dBm (%s)\n", strength.DBm, SUnitLabels[strength.SUnit]);
  return 0;
}
