// orvanta-autocal's run through the real drivers and the simulated receiver
// libraries, with a generator that sets the simulators' shared state the way
// a generator on the bench sets the receiver's input.
#include "autocal_run.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "fendrel.h"
#include "receivers/device_list.h"
#include "sim/shared_state.h"
#include "sim/testing/child_process.h"
#include "sim/testing/generator_server_process.h"
#include "true_levels.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kScenario =
    "noise 1\n"
    "classic 1 model=266 interface=5 min=9k max=1.8G modes=0,1,2,2/3,3,4,5\n"
    "classic 2 model=1024 interface=1 min=100k max=4G modes=1,2,3,5 gain=-3\n"
    "newer C4 serial=C4000815 bus=PCI min=100k max=1.5G gain=2\n";
constexpr double kNoSignalDbm = -300;

class FakeGenerator : public instruments::SignalGenerator {
 public:
  // The simulators' state file it sets.
  fs::path state;

  const std::string& Address() const override { return address_; }
  std::string Identify() override { return Call("*IDN?"), "Simulated,SG-1,0001,1.0"; }
  void SetFrequency(int64_t hz) override {
    Call("frequency " + std::to_string(hz));
    hz_ = hz;
    Apply();
  }
  void SetLevel(double dbm) override {
    Call("level");
    if (dbm < -130 || dbm > 13 || refuseLevels)
      throw instruments::GeneratorError("fake://sg refused :SOUR:POW " + std::to_string(dbm));
    ++levels;
    if (onLevel) onLevel(levels);
    dbm_ = dbm;
    Apply();
  }
  void SetOutput(bool on) override {
    Call(on ? "output on" : "output off");
    on_ = on;
    Apply();
  }
  void WaitComplete() override { Call("*OPC?"); }
  std::string ReadError() override { return Call("SYST:ERR?"), ""; }

  std::vector<std::string> calls;
  int levels = 0;
  std::function<void(int)> onLevel;  // after the n-th level was accepted
  bool refuseLevels = false;
  std::string failure;  // every call raises it

 private:
  void Call(const std::string& command) {
    calls.push_back(command);
    if (!failure.empty()) throw instruments::GeneratorError(failure + " (" + command + ")");
  }
  void Apply() {
    sim::UpdateState(state, [&](sim::SharedState& state) {
      state.levelDbm = on_ ? dbm_ : kNoSignalDbm;
      state.generatorHz = hz_;
    });
  }
  std::string address_ = "fake://sg";
  double dbm_ = -130;
  int64_t hz_ = 0;
  bool on_ = false;
};

class AutocalRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvanta-autocal-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    std::ofstream(folder_ / "scenario") << kScenario;
    setenv("ORVANTA_SIM_SCENARIO", (folder_ / "scenario").c_str(), 1);
    setenv("ORVANTA_SIM_STATE", (folder_ / "state").c_str(), 1);
    generator.state = folder_ / "state";
  }
  void TearDown() override {
    unsetenv("ORVANTA_SIM_SCENARIO");
    unsetenv("ORVANTA_SIM_STATE");
    fs::remove_all(folder_);
  }

  // orvanta-autocal with these arguments; the failure's message, or "".
  std::string Run(std::vector<std::string> arguments) {
    TDriverSet drivers;
    try {
      RunAutocal(ParseAutocalOptions(arguments), generator, drivers.InOrder(), output, false, reconnect);
      return "";
    } catch (const std::exception& error) {
      return error.what();
    }
  }

  // The frequencies of a receiver's mode in a saved table.
  static std::vector<int64_t> Frequencies(const fs::path& file, const char* receiver, int32_t mode) {
    const int32_t table = LoadCALFile(file.c_str());
    std::vector<int64_t> frequencies(std::max(0, GetFrequencies(table, receiver, mode, nullptr, 0)) / 8);
    GetFrequencies(table, receiver, mode, frequencies.data(), static_cast<uint32_t>(frequencies.size() * 8));
    Unload(table);
    return frequencies;
  }

  fs::path folder_;
  FakeGenerator generator;
  Reconnect reconnect;  // none unless a test gives one
  std::ostringstream output;
};

struct Calibrated {
  const char* receiver;  // as given on the command line
  const char* id;        // in the scenario
  const char* tableName;
  const char* mode;
  int32_t code;
};

// How far the table's level of each raw value lies from the model's, for
// the raw values strictly inside what -130..-10 dBm reads (the ends are cut
// off) where the receiver resolves a decibel.
std::vector<double> ColumnErrors(int32_t table, const Calibrated& run, const sim::ReceiverSpec& model, int64_t hz) {
  const auto truth = autocal::TrueLevels(model, hz, run.code);
  std::vector<double> errors;
  for (int raw = autocal::ModelRaw(model, hz, run.code, -130) + 1; raw < autocal::ModelRaw(model, hz, run.code, -10);
       ++raw) {
    if (truth[raw].Width() > autocal::kResolvedDb) continue;
    CalibratedStrength strength{};
    strength.Size = sizeof strength;
    strength.RawValue = static_cast<uint8_t>(raw);
    if (GetCS(table, run.tableName, run.code, hz, &strength) != CAL_OK) return {1e9};
    errors.push_back(strength.DBm - truth[raw].Middle());
  }
  return errors;
}

TEST_F(AutocalRun, ThreeNoisyReceiversInTwoModesAtFiveFrequenciesMatchTheirModelToAThirdOfADecibel) {
  const Calibrated runs[] = {
      {"Halv-A1", "classic:1", "Halv-A1", "AM", 1},       {"halv-a1", "classic:1", "Halv-A1", "usb", 5},
      {"Halv-B3", "classic:2", "Halv-B3", "AM", 1},       {"Halv-B3", "classic:2", "Halv-B3", "2", 2},
      {"C4000815", "C4000815", "HalvoC4", "DEFAULT", -1}, {"c4000815", "C4000815", "HalvoC4", "FMW", 3},
  };
  const std::vector<int64_t> frequencies = {1'000'000, 7'050'000, 14'200'000, 21'300'000, 28'500'000};
  fs::path table;
  for (std::size_t i = 0; i < std::size(runs); ++i) {
    const fs::path out = folder_ / ("run" + std::to_string(i) + ".cal");
    std::vector<std::string> arguments = {
        "--generator", "fake://sg",  "--receiver",    runs[i].receiver,
        "--mode",      runs[i].mode, "--frequencies", "1M,7.05M,14.2M,21.3M,28.5M",
        "--levels",    "-130:-10",   "--out",         out.string()};
    if (!table.empty()) arguments.insert(arguments.end(), {"--into", table.string()});
    ASSERT_EQ(Run(arguments), "") << runs[i].receiver;
    table = out;
  }
  EXPECT_EQ(generator.calls.back(), "output off");

  const int32_t handle = LoadCALFile(table.c_str());
  ASSERT_GE(handle, 0);
  double sumSquares = 0, worst = 0;
  int count = 0;
  for (const Calibrated& run : runs) {
    EXPECT_EQ(Frequencies(table, run.tableName, run.code), frequencies) << run.receiver << " " << run.mode;
    const sim::ReceiverSpec model = autocal::ScenarioReceiver(kScenario, run.id);
    for (const int64_t hz : frequencies) {
      for (const double error : ColumnErrors(handle, run, model, hz)) {
        sumSquares += error * error, worst = std::max(worst, std::abs(error)), ++count;
        EXPECT_LE(std::abs(error), 1.0) << run.tableName << " " << run.mode << " " << hz;
      }
    }
  }
  Unload(handle);
  const double rms = std::sqrt(sumSquares / count);
  std::printf("%d raw values: RMS %.3f dB, worst %.3f dB\n%s", count, rms, worst, output.str().c_str());
  EXPECT_LE(rms, 0.3);

  // One summary line per frequency; every step in the log.
  EXPECT_EQ(output.str().find("1 MHz: "), 0u) << output.str();
  std::ifstream log(fs::path(table).replace_extension(".steps.csv"));
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(log, line)) lines.push_back(line);
  ASSERT_GT(lines.size(), 5u);
  ASSERT_GT(lines.size(), 7u);
  EXPECT_EQ(lines[2], "\"# output: " + table.string() + "\"");
  EXPECT_EQ(lines[3], "\"# generator: Simulated,SG-1,0001,1.0 at fake://sg\"");
  EXPECT_EQ(lines[4], "\"# receiver: HalvoC4 C4000815\"");
  EXPECT_EQ(lines[7].rfind("1000000,-130,-130,HalvoC4,FMW,", 0), 0u) << lines[7];
  // 9 readings by default, five times that on the floor: a column each
  EXPECT_EQ(std::count(lines[7].begin(), lines[7].end(), ','), 5 + 5 * 9 - 1);
  EXPECT_LE(lines.size() - 7, 5u * 60);
}

struct Failure {
  const char* what;
  std::function<void(FakeGenerator&)> breakAtSixtiethLevel;
  const char* message;
  const char* receiver = "C4000815";
  const char* mode = "FMW";
  const char* tableName = "HalvoC4";
  int32_t code = 3;
};

// Each failure in the middle of the second frequency: the run ends with the
// message, the output is switched off, the table holds the first column only.
TEST_F(AutocalRun, AFailureMidRunEndsWithItsMessageOutputOffAndOnlyFinishedColumnsSaved) {
  const fs::path state = folder_ / "state";
  const Failure failures[] = {
      {"refused", [](FakeGenerator& g) { g.refuseLevels = true; }, "fake://sg refused :SOUR:POW"},
      {"silent", [](FakeGenerator& g) { g.failure = "fake://sg did not answer within 5000 ms"; },
       "fake://sg did not answer within 5000 ms (*OPC?)\nThe generator's output could not be switched off "
       "and "
       "may still be on at "},
      {"dropped", [](FakeGenerator& g) { g.failure = "fake://sg closed the connection"; },
       "fake://sg closed the connection (*OPC?)"},
      {"unplugged",
       [&](FakeGenerator&) {
         sim::UpdateState(state, [](sim::SharedState& shared) { shared.SetPlugged("C4000815", false); });
       },
       "lost the connection to HalvoC4 C4000815 (unplugged?)"},
      {"classic unplugged",
       [&](FakeGenerator&) {
         sim::UpdateState(state, [](sim::SharedState& shared) { shared.SetPlugged("classic:2", false); });
       },
       "lost the connection to Halv-B3 classic:2 (unplugged?)", "Halv-B3", "AM", "Halv-B3", 1},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.what);
    generator = FakeGenerator();
    generator.state = state;
    sim::UpdateState(state, [](sim::SharedState& shared) { shared = sim::SharedState(); });
    generator.onLevel = [&](int levels) {
      if (levels == 60) failure.breakAtSixtiethLevel(generator);
    };
    const fs::path out = folder_ / (std::string(failure.what) + ".cal");
    const std::string message =
        Run({"--generator", "fake://sg", "--receiver", failure.receiver, "--mode", failure.mode,
             "--frequencies", "10M,20M,30M", "--levels", "-130:-10", "--out", out.string()});
    EXPECT_NE(message.find(failure.message), std::string::npos) << message;
    EXPECT_EQ(generator.calls.back(), "output off");
    EXPECT_EQ(Frequencies(out, failure.tableName, failure.code), std::vector<int64_t>{10'000'000});
    EXPECT_EQ(output.str().find("10 MHz: "), 0u) << output.str();
    output.str("");
  }

  // Given a way to reconnect, a lost connection still ends with the output
  // off: over a new connection.
  std::vector<std::string> callsAfterwards;
  reconnect = [&] {
    auto fresh = std::make_unique<FakeGenerator>();
    fresh->state = state;
    fresh->onLevel = [&](int) { callsAfterwards.push_back("level"); };
    callsAfterwards.push_back("connected");
    return fresh;
  };
  generator = FakeGenerator();
  generator.state = state;
  sim::UpdateState(state, [](sim::SharedState& shared) { shared = sim::SharedState(); });
  generator.onLevel = [&](int levels) {
    if (levels == 60) generator.failure = "fake://sg closed the connection";
  };
  EXPECT_EQ(Run({"--generator", "fake://sg", "--receiver", "C4000815", "--mode", "FMW", "--frequencies",
                 "10M,20M", "--levels", "-130:-10", "--out", (folder_ / "reconnected.cal").string()}),
            "fake://sg closed the connection (*OPC?)");
  EXPECT_EQ(callsAfterwards, std::vector<std::string>{"connected"});

  // When the new connection is refused too, the message says so, naming the
  // generator and the level it may still give.
  const int unused = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(unused, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  socklen_t size = sizeof local;
  getsockname(unused, reinterpret_cast<sockaddr*>(&local), &size);
  close(unused);  // nobody listens there
  const std::string refused = "tcp://127.0.0.1:" + std::to_string(ntohs(local.sin_port));
  reconnect = [&] { return instruments::ConnectGenerator(refused, std::chrono::seconds(2)); };
  generator = FakeGenerator();
  generator.state = state;
  generator.onLevel = [&](int levels) {
    if (levels == 60) generator.failure = "fake://sg closed the connection";
  };
  const std::string message =
      Run({"--generator", "fake://sg", "--receiver", "C4000815", "--mode", "FMW", "--frequencies", "10M,20M",
           "--levels", "-130:-10", "--out", (folder_ / "reconnect-refused.cal").string()});
  EXPECT_EQ(message.rfind("fake://sg closed the connection (*OPC?)\nThe generator's output could not be switched "
                          "off and may still be on at ",
                          0),
            0u)
      << message;
  EXPECT_TRUE(message.ends_with(" dBm (fake://sg): Signal generator " + refused +
                                ": cannot connect: the generator refused or closed the connection"))
      << message;
}

TEST_F(AutocalRun, WhatCannotWorkIsRefusedBeforeTheGeneratorIsTouched) {
  const std::vector<std::string> common = {"--generator", "fake://sg", "--levels", "-130:-10"};
  const struct {
    std::vector<std::string> arguments;
    const char* message;
  } cases[] = {
      {{"--receiver", "Halv-Z9", "--mode", "AM", "--frequencies", "10M"},
       "no receiver \"Halv-Z9\" (there are: classic:1 (Halv-A1, Halv-A1b); classic:2 (Halv-B3); C4000815 "
       "(HalvoC4, Halv-C4WM))"},
      {{"--receiver", "C4000815", "--mode", "AM", "--frequencies", "10M"},
       "HalvoC4 C4000815 has no mode AM (it has DEFAULT, FMW)"},
      {{"--receiver", "Halv-A1", "--mode", "AM", "--frequencies", "10M,2G"},
       "2 GHz is outside the range of Halv-A1 classic:1 (9 kHz to 1.8 GHz)"},
  };
  for (const auto& failure : cases) {
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), failure.arguments.begin(), failure.arguments.end());
    arguments.insert(arguments.end(), {"--out", (folder_ / "never.cal").string()});
    EXPECT_EQ(Run(arguments), failure.message);
  }
  EXPECT_EQ(generator.calls, std::vector<std::string>()) << "it was not switched on, so not off either";
  EXPECT_FALSE(fs::exists(folder_ / "never.cal"));
}

TEST(AutocalOptions, EveryOptionIsReadAndAnUnusableLineSaysWhy) {
  const std::string table = (fs::temp_directory_path() / "orvanta-autocal-loss.csv").string();
  std::ofstream(table) << "frequency,loss\n10M,1\n30M,3\n";
  const std::string old = (fs::temp_directory_path() / "orvanta-autocal-old.cal").string();
  std::ofstream(old) << "";
  const std::vector<std::string> arguments = {"--generator",   "tcp://127.0.0.1:5025",
                                              "--receiver",    "C4000815",
                                              "--mode",        "fmw",
                                              "--frequencies", "7.05M,145500k,1G",
                                              "--levels",      "-10:-120",
                                              "--step",        "0.5",
                                              "--settle",      "20",
                                              "--average",     "7",
                                              "--loss-table",  table,
                                              "--out",         "a/b.cal",
                                              "--into",        old,
                                              "--log",         "steps.csv",
                                              "--timeout",     "900"};
  const AutocalOptions options = ParseAutocalOptions(arguments);
  fs::remove(table);
  fs::remove(old);
  EXPECT_EQ(options.generator, "tcp://127.0.0.1:5025");
  EXPECT_EQ(options.mode, 3);
  EXPECT_EQ(options.frequencies, (std::vector<int64_t>{7'050'000, 145'500'000, 1'000'000'000}));
  EXPECT_EQ(options.sweep.fromDbm, -10);
  EXPECT_EQ(options.sweep.toDbm, -120);
  EXPECT_EQ(options.sweep.finestStepDb, 0.5);
  EXPECT_EQ(options.sweep.settle.count(), 20);
  EXPECT_EQ(options.sweep.readings, 7);
  EXPECT_DOUBLE_EQ(options.loss.At(20'000'000), 2);
  EXPECT_EQ(options.out, "a/b.cal");
  EXPECT_EQ(options.into, fs::path(old));
  EXPECT_EQ(options.log, "steps.csv");
  EXPECT_EQ(options.timeout.count(), 900);

  const std::vector<std::string> minimal = {"--generator", "g",        "--receiver",    "r",
                                            "--mode",      "AM",       "--frequencies", "10M",
                                            "--levels",    "-130:-10", "--out",         "x.cal"};
  EXPECT_EQ(ParseAutocalOptions(minimal).log, "x.steps.csv");
  auto refusalOf = [](const std::vector<std::string>& line) {
    try {
      ParseAutocalOptions(line);
      return std::string();
    } catch (const UsageError& error) {
      return std::string(error.what());
    }
  };
  auto refusal = [&](std::vector<std::string> changes) {
    std::vector<std::string> line = minimal;
    line.insert(line.end(), changes.begin(), changes.end());
    return refusalOf(line);
  };
  EXPECT_EQ(refusal({"--loss", "3", "--loss-table", "t.csv"}), "give --loss or --loss-table, not both");
  // The window refuses these with the same messages, naming its own fields.
  EXPECT_EQ(refusal({"--average", "0"}), "--average: 0 is not a whole number of readings from 1 to 1000");
  EXPECT_EQ(refusal({"--average", "2.5"}), "--average: 2.5 is not a whole number of readings from 1 to 1000");
  EXPECT_EQ(refusal({"--step", "60.5"}), "--step: 60.5 dB is outside 0.1..60 dB (at most half the level range)");
  EXPECT_EQ(refusal({"--settle", "3600001"}),
            "--settle: 3600001 ms is not a whole number of milliseconds from 0 to 3600000 (one hour)");
  EXPECT_EQ(refusal({"--timeout", "0"}),
            "--timeout: 0 ms is not a whole number of milliseconds from 1 to 3600000 (one hour)");
  EXPECT_EQ(refusal({"--dialect", "fast"}), "--dialect: no dialect \"fast\" (there are: scpi, scpi-long)");
  EXPECT_EQ(refusal({"--levels", "-150:-10"}), "--levels is given twice");
  std::vector<std::string> changed = minimal;
  changed[9] = "-150:-10";
  EXPECT_EQ(refusalOf(changed), "--levels: -150 dBm is outside -140..0 dBm");
  changed = minimal;
  changed[7] = "7.1M,14.2M,7100 kHz";
  EXPECT_EQ(refusalOf(changed),
            "--frequencies: \"7.1M\" and \"7100 kHz\" are the same frequency (7100000 Hz); give each once");
  EXPECT_EQ(refusal({"--speed", "2"}), "unknown option --speed");
  EXPECT_EQ(refusal({"--refit", "x.steps.csv"}), "--frequencies does not go with --refit");
  EXPECT_EQ(refusal({"--into", "--replace"}), "--into: x.cal does not exist");
  EXPECT_EQ(refusal({"--step"}), "--step needs a value");
}

TEST_F(AutocalRun, OverTcpAgainstTheSimulatedGeneratorAndThroughItsDroppedConnection) {
  sim::testing::GeneratorServerProcess server;
  const auto connect = [&] {
    return instruments::ConnectGenerator(server.Address(), std::chrono::seconds(2));
  };
  TVelkaro_Vk classic;
  TVelkaro_C4 c4;
  TVelkaro_API* const drivers[] = {&classic, &c4};
  auto run = [&](const fs::path& out) {
    const std::vector<std::string> arguments = {
        "--generator",   server.Address(), "--receiver", "C4000815", "--mode", "FMW",
        "--frequencies", "10M,20M,30M",    "--levels",   "-130:-10", "--out",  out.string()};
    try {
      const auto generator = connect();
      RunAutocal(ParseAutocalOptions(arguments), *generator, drivers, output, false, connect);
      return std::string();
    } catch (const std::exception& error) {
      return std::string(error.what());
    }
  };

  EXPECT_EQ(run(folder_ / "whole.cal"), "");
  EXPECT_EQ(Frequencies(folder_ / "whole.cal", "HalvoC4", 3),
            (std::vector<int64_t>{10'000'000, 20'000'000, 30'000'000}));
  EXPECT_FALSE(sim::LoadState(folder_ / "state").outputOn);

  // Each step takes two exchanges (the level with its error query, then
  // *OPC?): 150 commands end the connection in the second frequency.
  server.Send("SIM:DROP 150");
  const std::string message = run(folder_ / "dropped.cal");
  EXPECT_NE(message.find(server.Address()), std::string::npos) << message;
  EXPECT_EQ(message.find("could not be switched off"), std::string::npos) << message;
  EXPECT_EQ(Frequencies(folder_ / "dropped.cal", "HalvoC4", 3), std::vector<int64_t>{10'000'000});
  EXPECT_FALSE(sim::LoadState(folder_ / "state").outputOn);  // switched off over a new connection
}

// A stop signal after the first column: the output goes off, one line says
// where the run stopped, the finished column stays, and the exit status is
// the one a shell expects. A generator that is gone when the output has to
// go off (its port now refuses) is named with the level last set.
TEST_F(AutocalRun, StopSignalsAndAVanishedGeneratorEndTheCommandAsAnOperatorExpects) {
  const std::vector<std::string> common = {"--receiver",  "C4000815", "--mode",   "FMW",      "--frequencies",
                                           "10M,20M,30M", "--levels", "-130:-10", "--settle", "30"};
  const struct {
    int signal;
    const char* name;
    int status;
  } stops[] = {{SIGINT, "SIGINT", 130}, {SIGTERM, "SIGTERM", 143}, {SIGHUP, "SIGHUP", 129}};
  for (const auto& stop : stops) {
    SCOPED_TRACE(stop.name);
    sim::testing::GeneratorServerProcess server;
    const fs::path out = folder_ / ("stopped" + std::to_string(stop.status) + ".cal");
    std::vector<std::string> arguments = {"--generator", server.Address(), "--out", out.string()};
    arguments.insert(arguments.end(), common.begin(), common.end());
    sim::testing::ChildProcess autocal("orvanta-autocal", arguments);
    const std::string first = autocal.Line();
    ASSERT_EQ(first.rfind("10 MHz: ", 0), 0u) << first;
    autocal.Signal(stop.signal);
    int status = 0;
    const std::string errors = autocal.Errors(status);
    EXPECT_EQ(status, stop.status) << errors;
    EXPECT_EQ(errors, "orvanta-autocal: interrupted by " + std::string(stop.name) +
                          " at 20 MHz; 1 of 3 frequencies kept in " + out.string() +
                          "; generator output off\n");
    EXPECT_FALSE(sim::LoadState(folder_ / "state").outputOn);
    EXPECT_EQ(Frequencies(out, "HalvoC4", 3), std::vector<int64_t>{10'000'000});
  }

  std::optional<sim::testing::GeneratorServerProcess> server(std::in_place);
  const fs::path out = folder_ / "vanished.cal";
  std::vector<std::string> arguments = {"--generator", server->Address(), "--out", out.string()};
  arguments.insert(arguments.end(), common.begin(), common.end());
  sim::testing::ChildProcess autocal("orvanta-autocal", arguments);
  ASSERT_EQ(autocal.Line().rfind("10 MHz: ", 0), 0u);
  server->Kill();
  int status = 0;
  const std::string errors = autocal.Errors(status);
  EXPECT_EQ(status, 1) << errors;
  EXPECT_NE(errors.find("The generator's output could not be switched off and may still be on at "),
            std::string::npos)
      << errors;
  // Refused, or taken by a dying server and dropped: either way it is named.
  EXPECT_NE(errors.find(" dBm (" + server->Address() + "): Signal generator " + server->Address()),
            std::string::npos)
      << errors;
  EXPECT_TRUE(sim::LoadState(folder_ / "state").outputOn) << "nothing could reach it";
  EXPECT_EQ(Frequencies(out, "HalvoC4", 3), std::vector<int64_t>{10'000'000});
}

// A port that takes the connection and never answers: the run ends after one
// time-out with one line of its own; the generator, never set, is left alone.
TEST_F(AutocalRun, ASilentGeneratorEndsTheCommandWithOneLineAfterOneTimeOut) {
  const int silent = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  socklen_t size = sizeof local;
  getsockname(silent, reinterpret_cast<sockaddr*>(&local), &size);
  listen(silent, 4);
  const std::string address = "tcp://127.0.0.1:" + std::to_string(ntohs(local.sin_port));
  sim::testing::ChildProcess autocal(
      "orvanta-autocal",
      {"--generator", address, "--timeout", "700", "--receiver", "C4000815", "--mode", "FMW", "--frequencies",
       "10M", "--levels", "-130:-10", "--out", (folder_ / "x.cal").string()});
  int status = 0;
  EXPECT_EQ(autocal.Errors(status), "orvanta-autocal: Signal generator " + address +
                                        ", command \"*IDN?\": no answer within 700 ms\n");
  EXPECT_EQ(status, 1);
  close(silent);
}

struct Ended {
  int code;
  std::string output;  // stdout and stderr
};

// The orvanta-autocal built beside this test program.
Ended RunProgram(const std::vector<std::string>& arguments) {
  std::string command = "'" + (fs::read_symlink("/proc/self/exe").parent_path() / "orvanta-autocal").string() + "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// Runs into one table: an existing table is never replaced unasked, each run
// appends to the log, and the log alone rebuilds the same table.
TEST_F(AutocalRun, EveryRunKeepsWhatWasThereAndTheLogAloneRebuildsTheTable) {
  sim::testing::GeneratorServerProcess server;
  const fs::path table = folder_ / "a.cal", log = folder_ / "a.steps.csv";
  auto run = [&](const std::string& frequencies, std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"--generator", server.Address(), "--receiver",    "Halv-B3",
                                          "--mode",      "AM",             "--frequencies", frequencies,
                                          "--levels",    "-130:-10",       "--out",         table.string()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return RunProgram(arguments);
  };
  Ended ended = run("10M,20M");
  ASSERT_EQ(ended.code, 0) << ended.output;

  const std::string tableBefore = FileText(table), logBefore = FileText(log);
  ended = run("30M");
  EXPECT_EQ(ended.code, 2);
  EXPECT_NE(ended.output.find("give --into to add the columns to it or --replace to start afresh"),
            std::string::npos)
      << ended.output;
  ended = run("5G", {"--into"});  // beyond its range: fails at once
  EXPECT_EQ(ended.code, 1) << ended.output;
  EXPECT_EQ(FileText(table), tableBefore);
  EXPECT_EQ(FileText(log), logBefore);

  ended = run("20M,30M", {"--into"});
  ASSERT_EQ(ended.code, 0) << ended.output;
  const std::vector<std::string> summary = Lines(ended.output);
  ASSERT_EQ(summary.size(), 2u) << ended.output;
  EXPECT_TRUE(summary[0].starts_with("20 MHz: ") && summary[0].ends_with(", replacing the column that was there"))
      << summary[0];
  EXPECT_EQ(summary[1].find("replacing"), std::string::npos) << summary[1];
  EXPECT_EQ(Frequencies(table, "Halv-B3", 1), (std::vector<int64_t>{10'000'000, 20'000'000, 30'000'000}));

  // Two run sections, each a header row naming every field of its rows.
  const std::vector<std::string> lines = Lines(FileText(log));
  EXPECT_TRUE(FileText(log).starts_with(logBefore));
  int sections = 0;
  std::size_t fields = 0;
  for (const std::string& line : lines) {
    ASSERT_FALSE(line.empty());
    const std::size_t count = std::count(line.begin(), line.end(), ',') + 1;
    if (line.starts_with("frequency_hz,")) {
      ++sections;
      fields = count;
      EXPECT_TRUE(line.ends_with(",reading_45"));  // five times the 9 readings on the floor
    } else if (line[0] != '"') {
      EXPECT_EQ(count, fields) << line;
    }
  }
  EXPECT_EQ(sections, 2);

  // The log rebuilds the table the runs wrote, with the same summary lines
  // (less the time taken).
  ended = RunProgram({"--refit", log.string(), "--out", (folder_ / "b.cal").string()});
  ASSERT_EQ(ended.code, 0) << ended.output;
  EXPECT_EQ(FileText(folder_ / "b.cal"), FileText(table));
  const std::vector<std::string> refitted = Lines(ended.output);
  ASSERT_EQ(refitted.size(), 4u) << ended.output;
  auto withoutTime = [](std::string line) {
    const std::size_t in = line.find(" in ");
    return line.replace(in, line.find(',') - in, " from the log");
  };
  EXPECT_EQ(refitted[2], withoutTime(summary[0]));
  EXPECT_EQ(refitted[3], withoutTime(summary[1]));

  // A log cut short in its last frequency: that one is left out.
  std::ofstream(folder_ / "cut.csv") << FileText(log).substr(0, FileText(log).size() - 200);
  ended = RunProgram({"--refit", (folder_ / "cut.csv").string(), "--out", (folder_ / "b.cal").string()});
  EXPECT_EQ(ended.code, 2) << ended.output;
  ended = RunProgram(
      {"--refit", (folder_ / "cut.csv").string(), "--out", (folder_ / "b.cal").string(), "--replace"});
  EXPECT_EQ(ended.code, 0) << ended.output;
  EXPECT_TRUE(Lines(ended.output).back().starts_with("30 MHz: ")) << ended.output;
  EXPECT_TRUE(ended.output.ends_with(" steps in the log, incomplete; not written\n")) << ended.output;
  EXPECT_EQ(Frequencies(folder_ / "b.cal", "Halv-B3", 1), (std::vector<int64_t>{10'000'000, 20'000'000}));
}

// Where the table or the log cannot go is found before the generator is
// reached (nothing listens at its address), in the system's words.
TEST_F(AutocalRun, AnOutputThatCannotBeWrittenIsRefusedBeforeTheGenerator) {
  const std::vector<std::string> common = {"--generator", "tcp://127.0.0.1:1", "--receiver",    "Halv-B3",
                                           "--mode",      "AM",                "--frequencies", "10M",
                                           "--levels",    "-130:-10"};
  const struct {
    std::vector<std::string> arguments;
    int code;
    std::string message;
  } cases[] = {
      {{"--out", folder_.string() + "/"}, 2, "is a folder; give a file in it, such as NAME.cal"},
      {{"--out", folder_.string()}, 2, "is a folder; give a file in it, such as NAME.cal"},
      {{"--out", (folder_ / "none" / "a.cal").string()}, 1,
       "--out: cannot write " + (folder_ / "none" / "a.cal").string() + ": No such file or directory"},
      {{"--out", (folder_ / "a.cal").string(), "--log", (folder_ / "none" / "a.csv").string()}, 1,
       "--log: cannot write " + (folder_ / "none" / "a.csv").string() + ": No such file or directory"},
  };
  for (const auto& refused : cases) {
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), refused.arguments.begin(), refused.arguments.end());
    const Ended ended = RunProgram(arguments);
    EXPECT_EQ(ended.code, refused.code) << ended.output;
    EXPECT_NE(ended.output.find(refused.message), std::string::npos) << ended.output;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1) << "only the scenario";
}

// A generator that reaches the receiver only 100 ms after each change, with
// no settling time given: the run measures the delay, waits it out, says
// so, and still matches the model.
TEST_F(AutocalRun, ASlowGeneratorIsWaitedForAndItsColumnMatchesTheModel) {
  sim::testing::GeneratorServerProcess server(100);
  const auto generator = instruments::ConnectGenerator(server.Address(), std::chrono::seconds(2));
  TDriverSet drivers;
  const fs::path out = folder_ / "slow.cal";
  const std::vector<std::string> arguments = {"--generator", server.Address(), "--receiver", "C4000815",
                                              "--mode",      "DEFAULT",        "--frequencies", "10.1M",
                                              "--levels",    "-130:-10",       "--out",      out.string()};
  RunAutocal(ParseAutocalOptions(arguments), *generator, drivers.InOrder(), output, false, {});
  EXPECT_NE(output.str().find("; the reading followed the generator only after "), std::string::npos)
      << output.str();
  const int32_t handle = LoadCALFile(out.c_str());
  const Calibrated run{"C4000815", "C4000815", "HalvoC4", "DEFAULT", -1};
  const std::vector<double> errors =
      ColumnErrors(handle, run, autocal::ScenarioReceiver(kScenario, run.id), 10'100'000);
  Unload(handle);
  EXPECT_GT(errors.size(), 100u);
  for (const double error : errors) EXPECT_LE(std::abs(error), 1.0);

  // The bottom step read again once the delay was known: the log alone
  // still replays the same plan and rebuilds the same table.
  const Ended refit = RunProgram({"--refit", (folder_ / "slow.steps.csv").string(), "--out",
                                  (folder_ / "refit.cal").string()});
  ASSERT_EQ(refit.code, 0) << refit.output;
  EXPECT_EQ(FileText(folder_ / "refit.cal"), FileText(out));
}

}  // namespace
