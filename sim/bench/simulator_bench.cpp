// What one simulated library call costs, including the look at the scenario
// and the shared state that every call takes.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "sim/shared_state.h"

namespace {

std::filesystem::path BinaryFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }

void RawReadingThroughTheLibrary(benchmark::State& state) {
  const auto stateFile =
      std::filesystem::temp_directory_path() / ("orvanta-sim-bench-" + std::to_string(getpid()));
  setenv(sim::kStateVariable, stateFile.c_str(), 1);
  void* library = dlopen((BinaryFolder() / "libvxaapi.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) return state.SkipWithError("libvxaapi.so not found");
  auto open = reinterpret_cast<int32_t (*)(const char*)>(dlsym(library, "VxOpen"));
  auto power = reinterpret_cast<int32_t (*)(int32_t, int32_t)>(dlsym(library, "SetPower"));
  auto read = reinterpret_cast<int32_t (*)(int32_t)>(dlsym(library, "GetRawSignalStrength"));
  const int32_t handle = open("C1004711");
  power(handle, 1);
  for (auto _ : state) benchmark::DoNotOptimize(read(handle));
  dlclose(library);
  std::filesystem::remove(stateFile);
}
BENCHMARK(RawReadingThroughTheLibrary);

void RereadingAChangedState(benchmark::State& state) {
  const auto stateFile =
      std::filesystem::temp_directory_path() / ("orvanta-sim-bench-" + std::to_string(getpid()));
  sim::SharedState shared;
  for (auto _ : state) {
    shared.levelDbm = -60 + (state.iterations() % 2);
    benchmark::DoNotOptimize(sim::SaveState(shared, stateFile));
    benchmark::DoNotOptimize(sim::LoadState(stateFile));
  }
  std::filesystem::remove(stateFile);
}
BENCHMARK(RereadingAChangedState);

}  // namespace

BENCHMARK_MAIN();
