// Speed and memory of the exports: conversion, column edits, load and save.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <random>
#include <string>

#include "counting_new.h"
#include "fendrel.h"

using counting_new::liveBytes;
using counting_new::peakBytes;
using counting_new::allocations;

namespace {

using Column = std::array<double, 256>;
constexpr const char* kReceiver = "VK-2000";
constexpr int64_t kSpacing = 100000;

Column randomColumn(std::mt19937& random) {
  std::uniform_int_distribution<int> tenths(-1400, 0);
  Column column;
  for (double& level : column) level = tenths(random) / 10.0;
  return column;
}

int32_t tableWithPoints(int count) {
  std::mt19937 random(1);
  const int32_t cal = LoadCALFile(nullptr);
  for (int i = 0; i < count; ++i)
    PutDBMs(cal, kReceiver, CAL_MODE_AM, i * 2 * kSpacing, randomColumn(random).data());
  return cal;
}

void GetCSPerCall(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  const int32_t cal = tableWithPoints(points);
  CalibratedStrength strength{};
  strength.Size = sizeof strength;
  // Between the last two points: the longest scan.
  const int64_t frequency = (points - 1) * 2 * kSpacing - kSpacing;
  uint8_t raw = 0;
  const std::size_t allocationsBefore = allocations;
  for (auto _ : state) {
    strength.RawValue = raw++;
    benchmark::DoNotOptimize(GetCS(cal, kReceiver, CAL_MODE_AM, frequency, &strength));
    benchmark::DoNotOptimize(strength.DBm);
  }
  state.counters["allocations_per_call"] =
      static_cast<double>(allocations - allocationsBefore) / static_cast<double>(state.iterations());
  Unload(cal);
}
BENCHMARK(GetCSPerCall)->Arg(1)->Arg(32)->Arg(512);

void ColumnReadBack(benchmark::State& state) {
  const int32_t cal = tableWithPoints(32);
  Column column;
  CalibratedStrength strength{};
  strength.Size = sizeof strength;
  for (auto _ : state) {
    for (int raw = 0; raw < 256; ++raw) {
      strength.RawValue = static_cast<uint8_t>(raw);
      GetCS(cal, kReceiver, CAL_MODE_AM, 31 * kSpacing, &strength);
      column[raw] = strength.DBm;
    }
    benchmark::DoNotOptimize(column.data());
  }
  Unload(cal);
}
BENCHMARK(ColumnReadBack);

// A new point in the middle of 1,000, taken out again so the mode keeps its size.
void PutDBMsInsertAndDelete(benchmark::State& state) {
  const int32_t cal = tableWithPoints(1000);
  std::mt19937 random(2);
  const Column column = randomColumn(random);
  for (auto _ : state) {
    PutDBMs(cal, kReceiver, CAL_MODE_AM, 1000 * kSpacing + kSpacing, column.data());
    DeleteFrequency(cal, kReceiver, CAL_MODE_AM, 1000 * kSpacing + kSpacing);
  }
  Unload(cal);
}
BENCHMARK(PutDBMsInsertAndDelete);

void PutDBMsReplace(benchmark::State& state) {
  const int32_t cal = tableWithPoints(1000);
  std::mt19937 random(3);
  const Column column = randomColumn(random);
  for (auto _ : state) PutDBMs(cal, kReceiver, CAL_MODE_AM, 1000 * kSpacing, column.data());
  Unload(cal);
}
BENCHMARK(PutDBMsReplace);

// About 50 MB: 4 receivers of 8 modes of 1,160 points.
std::string bigFile() {
  static const std::string path = [] {
    const auto file =
        std::filesystem::temp_directory_path() / ("fendrel-bench-" + std::to_string(getpid()) + ".cal");
    std::mt19937 random(4);
    const int32_t cal = LoadCALFile(nullptr);
    for (const char* name : {"VK-2000", "VK-3000", "C1-ABCD", "C2-ABCD"}) {
      for (int mode = 0; mode < 8; ++mode) {
        for (int i = 0; i < 1160; ++i) PutDBMs(cal, name, mode, i * kSpacing, randomColumn(random).data());
      }
    }
    SaveCALFile(cal, file.c_str());
    Unload(cal);
    std::atexit([] { std::filesystem::remove(path); });
    return file.string();
  }();
  return path;
}

void LoadBigFile(benchmark::State& state) {
  const std::string path = bigFile();
  const auto bytes = static_cast<int64_t>(std::filesystem::file_size(path));
  double peakOverTable = 0;
  for (auto _ : state) {
    const std::size_t before = liveBytes;
    peakBytes = liveBytes;
    const int32_t cal = LoadCALFile(path.c_str());
    const std::size_t table = liveBytes - before;
    peakOverTable = static_cast<double>(peakBytes - before) / static_cast<double>(table);
    Unload(cal);
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["peak_over_table"] = peakOverTable;
}
BENCHMARK(LoadBigFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void SaveBigFile(benchmark::State& state) {
  const std::string source = bigFile();
  const std::string target = source + ".saved";
  const auto bytes = static_cast<int64_t>(std::filesystem::file_size(source));
  const int32_t cal = LoadCALFile(source.c_str());
  for (auto _ : state) {
    if (SaveCALFile(cal, target.c_str()) != CAL_OK) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  Unload(cal);
  std::filesystem::remove(target);
}
BENCHMARK(SaveBigFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
