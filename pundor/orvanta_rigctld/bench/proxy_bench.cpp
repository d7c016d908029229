// What orvanta-rigctld adds to a STRENGTH answer beyond its round trips to
// rigctld: a stand-in rigctld on the loopback that answers at once, read
// directly and through the proxy (which asks it three times per answer).
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "fendrel.h"
#include "line_socket.h"
#include "strength_proxy.h"
#include "strength_tables.h"

namespace {

namespace fs = std::filesystem;

std::string AnswerOf(const std::string& line) {
  if (line == "l RAWSTR\n") return "120\n";
  if (line == "f\n") return "14200000\n";
  if (line == "m\n") return "USB\n2400\n";
  if (line == "l STRENGTH\n") return "-3\n";
  return "RPRT -11\n";
}

// Serves one line-by-line client per thread, as rigctld does.
void StandInRigctld(int listener) {
  for (;;) {
    const int fd = accept(listener, nullptr, nullptr);
    if (fd < 0) return;
    std::thread([fd] {
      LineSocket client(fd);
      std::string line;
      while (client.ReadLine(line, -1, 4096) == LineSocket::Read::Line) client.Send(AnswerOf(line));
    }).detach();
  }
}

fs::path TableFile() {
  const int32_t handle = LoadCALFile(nullptr);
  std::array<double, 256> levels;
  for (int raw = 0; raw < 256; ++raw) levels[raw] = -130 + raw * 0.5;
  PutDBMs(handle, "Bench01", CAL_MODE_USB, 14'000'000, levels.data());
  const fs::path file =
      fs::temp_directory_path() / ("orvanta-rigctld-bench-" + std::to_string(getpid()) + ".cal");
  SaveCALFile(handle, file.c_str());
  Unload(handle);
  return file;
}

struct Setup {
  Setup() {
    upstream = ListenOn({"127.0.0.1", "0"});
    std::thread(StandInRigctld, upstream).detach();
    const std::string upstreamAddress = BoundAddress(upstream);
    const fs::path file = TableFile();
    tables = std::make_unique<StrengthTables>("Bench01", file.string(),
                                              std::vector<std::pair<FrontEnd, std::string>>{});
    fs::remove(file);
    proxy = std::make_unique<StrengthProxy>(ParseEndpoint(upstreamAddress), *tables, log);
    const int listener = ListenOn({"127.0.0.1", "0"});
    proxyAddress = BoundAddress(listener);
    std::thread([this, listener] { proxy->Run(listener); }).detach();
    direct = LineSocket::Connect(ParseEndpoint(upstreamAddress), 1000);
    proxied = LineSocket::Connect(ParseEndpoint(proxyAddress), 1000);
  }
  int upstream;
  std::ostringstream log;
  std::unique_ptr<StrengthTables> tables;
  std::unique_ptr<StrengthProxy> proxy;
  std::string proxyAddress;
  LineSocket direct;
  LineSocket proxied;
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void Ask(benchmark::State& state, LineSocket& socket, const std::string& expected) {
  std::string line;
  for (auto _ : state) {
    socket.Send("l STRENGTH\n");
    socket.ReadLine(line, 5000, 4096);
    if (line != expected) state.SkipWithError(("answer " + line).c_str());
  }
}

// One round trip to the stand-in rigctld.
void BM_RigctldRoundTrip(benchmark::State& state) { Ask(state, Shared().direct, "-3\n"); }
BENCHMARK(BM_RigctldRoundTrip)->UseRealTime();

// The calibrated answer through the proxy: the client's round trip and
// three to rigctld (RAWSTR, frequency, mode).
void BM_CalibratedStrength(benchmark::State& state) { Ask(state, Shared().proxied, "3\n"); }
BENCHMARK(BM_CalibratedStrength)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
