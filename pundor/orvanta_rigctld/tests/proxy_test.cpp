// orvanta-rigctld between Hamlib's own programs: Debian's rigctld (the dummy
// radio, model 1) upstream and rigctl (model 2, "NET rigctl") as the client.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fendrel.h"
#include "line_socket.h"
#include "rigctl_command.h"
#include "sim/shared_state.h"
#include "sim/testing/sim_server_process.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

// A program running for as long as the test holds it; its first line of
// output, if asked for, is kept.
class Process {
 public:
  Process(std::vector<std::string> argv, bool readFirstLine) {
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    EXPECT_EQ(posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ), 0) << argv[0];
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    char c;
    while (readFirstLine && read(ends[0], &c, 1) == 1 && c != '\n') firstLine_ += c;
    close(ends[0]);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process() { Stop(); }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  const std::string& FirstLine() const { return firstLine_; }

 private:
  pid_t pid_ = 0;
  std::string firstLine_;
};

// Debian's rigctld with the dummy radio, on a port of its own.
struct Rigctld {
  explicit Rigctld(int port)
      : port(port), process({"rigctld", "-m", "1", "-T", "127.0.0.1", "-t", std::to_string(port)}, false) {}
  int port;
  Process process;
};

LineSocket ConnectWhenUp(int port) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (LineSocket socket = LineSocket::Connect({"127.0.0.1", std::to_string(port)}, 1000); socket.IsOpen())
      return socket;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ADD_FAILURE() << "nothing listens on port " << port;
  return LineSocket();
}

std::string Exchange(LineSocket& socket, const std::string& command, int lines = 1) {
  EXPECT_TRUE(socket.Send(command + "\n"));
  std::string answer, line;
  for (int i = 0; i < lines && socket.ReadLine(line, 10000, 1 << 16) == LineSocket::Read::Line; ++i)
    answer += line;
  return answer;
}

std::string OutputOf(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  std::array<char, 512> chunk;
  while (pipe && fgets(chunk.data(), chunk.size(), pipe)) output += chunk.data();
  if (pipe) pclose(pipe);
  return output;
}

// A table for "DummyR" in USB whose every raw reading stands for one level:
// -63 dBm at 7 MHz and at 50 MHz.
fs::path WriteFlatTable(const fs::path& folder, const std::string& name, double dbm) {
  const int32_t handle = LoadCALFile(nullptr);
  std::array<double, 256> levels;
  levels.fill(dbm);
  for (const int64_t hz : {7'000'000, 50'000'000}) PutDBMs(handle, "DummyR", CAL_MODE_USB, hz, levels.data());
  const fs::path file = folder / name;
  EXPECT_EQ(SaveCALFile(handle, file.c_str()), CAL_OK);
  Unload(handle);
  return file;
}

class ProxyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("orvanta-rigctld-test-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    rigctld_ = std::make_unique<Rigctld>(FreePort());
    ConnectWhenUp(rigctld_->port);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::unique_ptr<Process> StartProxy(std::vector<std::string> extra = {}) {
    const fs::path tool = fs::read_symlink("/proc/self/exe").parent_path() / "orvanta-rigctld";
    std::vector<std::string> argv{tool.string(),
                                  "--upstream",
                                  "127.0.0.1:" + std::to_string(rigctld_->port),
                                  "--cal",
                                  WriteFlatTable(folder_, "plain.cal", -63).string(),
                                  "--name",
                                  "DummyR",
                                  "--listen",
                                  "127.0.0.1:0"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    auto proxy = std::make_unique<Process>(argv, true);
    // "orvanta-rigctld: listening on 127.0.0.1:PORT, rigctld at ..."
    const std::string& line = proxy->FirstLine();
    port_ = std::atoi(line.c_str() + line.find(':', line.find("listening on")) + 1);
    return proxy;
  }
  std::string Rigctl(const std::string& commands) {
    return OutputOf("rigctl -m 2 -r 127.0.0.1:" + std::to_string(port_) + " " + commands + " 2>&1");
  }

  fs::path folder_;
  std::unique_ptr<Rigctld> rigctld_;
  int port_ = 0;
};

TEST(RigctlCommand, TellsWhereEachAnswerEndsAndAnswersStrengthInTheFormAskedFor) {
  struct Case {
    const char* line;
    std::vector<const char*> answer;  // the last line ends it
  };
  const Case cases[] = {
      {"f", {"14200000"}},
      {"m", {"USB", "2400"}},
      {"\\get_mode", {"USB", "2400"}},
      {"F 7100000", {"RPRT 0"}},
      {"l FOO", {"RPRT -1"}},
      {"\\dump_state", {"1", "0", "0x1ff 1", "done"}},
      {"+f", {"get_freq:", "Frequency: 7100000", "RPRT 0"}},
      {";m", {"get_mode:;Mode: USB;Passband: 2400;RPRT 0"}},
      {"\\chk_vfo", {"0"}},
  };
  for (const Case& c : cases) {
    rigctl::AnswerEnd end(rigctl::ParseCommand(c.line));
    for (std::size_t i = 0; i < c.answer.size(); ++i)
      EXPECT_EQ(end.EndsWith(c.answer[i]), i + 1 == c.answer.size()) << c.line << " line " << i;
  }
  EXPECT_TRUE(rigctl::AnswerEnd(rigctl::ParseCommand("\\dump_conf")).EndsWhenQuiet());

  const auto answer = [](const char* line) {
    const rigctl::Command command = rigctl::ParseCommand(line);
    return rigctl::IsStrengthRead(command) ? rigctl::LevelAnswer(command, -7) : "not a STRENGTH read";
  };
  EXPECT_EQ(answer("l STRENGTH"), "-7\n");
  EXPECT_EQ(answer("l STRENGTH\r\n"), "-7\n");
  EXPECT_EQ(answer("\\get_level STRENGTH"), "-7\n");
  EXPECT_EQ(answer("+l STRENGTH"), "get_level: STRENGTH\n-7\nRPRT 0\n");
  EXPECT_EQ(answer(";l STRENGTH"), "get_level: STRENGTH;-7;RPRT 0\n");
  EXPECT_EQ(answer("|\\get_level VFOA STRENGTH"), "get_level: VFOA STRENGTH|-7|RPRT 0\n");
  EXPECT_EQ(answer("l RAWSTR"), "not a STRENGTH read");
  EXPECT_EQ(answer("L STRENGTH 3"), "not a STRENGTH read");
}

TEST_F(ProxyTest, HamlibsClientReadsTheCalibratedStrengthAndEverythingElseUnchanged) {
  const auto proxy = StartProxy();
  // -63 dBm is 10 dB over S9 below 30 MHz and 30 dB over it above.
  EXPECT_EQ(Rigctl("F 7100000 M USB 2400 f m l STRENGTH"), "7100000\nUSB\n2400\n10\n");
  EXPECT_EQ(Rigctl("F 50100000 l STRENGTH"), "30\n");
  // Every response form, on one connection.
  LineSocket client = ConnectWhenUp(port_);
  EXPECT_EQ(Exchange(client, "+l STRENGTH", 3), "get_level: STRENGTH\n30\nRPRT 0\n");
  EXPECT_EQ(Exchange(client, ";\\get_level STRENGTH"), "get_level: STRENGTH;30;RPRT 0\n");
  EXPECT_EQ(Exchange(client, "l FOO"), "RPRT -1\n");
  // A mode the table does not hold: the radio's own STRENGTH, whatever it is.
  EXPECT_NE(Rigctl("M AM 6000 l STRENGTH"), "");
}

TEST_F(ProxyTest, SurvivesItsUpstreamGoingAwayAndRefusesOverlongLines) {
  const auto proxy = StartProxy();
  LineSocket client = ConnectWhenUp(port_);
  EXPECT_EQ(Exchange(client, "F 7100000"), "RPRT 0\n");
  EXPECT_EQ(Exchange(client, "M USB 2400"), "RPRT 0\n");
  rigctld_->process.Stop();
  EXPECT_EQ(Exchange(client, "f"), "RPRT -6\n");
  EXPECT_EQ(Exchange(client, "l STRENGTH"), "RPRT -6\n");
  rigctld_ = std::make_unique<Rigctld>(rigctld_->port);
  ConnectWhenUp(rigctld_->port);
  EXPECT_EQ(Exchange(client, "M USB 2400"), "RPRT 0\n");
  EXPECT_EQ(Exchange(client, "F 7100000"), "RPRT 0\n");
  EXPECT_EQ(Exchange(client, "l STRENGTH"), "10\n");

  EXPECT_EQ(Exchange(client, std::string(5000, 'f')), "RPRT -1\n");
  std::string line;
  EXPECT_EQ(client.ReadLine(line, 5000, 4096), LineSocket::Read::Closed);
}

TEST_F(ProxyTest, ServesTwentyClientsAtOnceWithoutAMissedAnswer) {
  const auto proxy = StartProxy();
  Rigctl("F 14200000 M USB 2400");
  std::vector<int> answered(20, 0);
  std::vector<std::thread> clients;
  for (int& count : answered) {
    clients.emplace_back([this, &count] {
      LineSocket client = ConnectWhenUp(port_);
      for (int poll = 0; poll < 25; ++poll) count += Exchange(client, "l STRENGTH") == "10\n";
    });
  }
  for (std::thread& client : clients) client.join();
  for (const int count : answered) EXPECT_EQ(count, 25);
}

TEST_F(ProxyTest, ChoosesTheTableOfTheRadiosFrontEndState) {
  const fs::path attenuated = WriteFlatTable(folder_, "att.cal", -53);
  const auto proxy = StartProxy({"--cal-state", "ATT=20:" + attenuated.string()});
  EXPECT_EQ(Rigctl("F 7100000 M USB 2400 L ATT 0 l STRENGTH"), "10\n");
  EXPECT_EQ(Rigctl("L ATT 20 l STRENGTH"), "20\n");
}

// The simulator's SimRig calibrated from its own noise-free curve: each raw
// value at the middle of the levels that give it.
void WriteTrueTable(const fs::path& file, const std::vector<std::pair<int64_t, std::string>>& frequencies) {
  const fs::path tool = fs::read_symlink("/proc/self/exe").parent_path() / "orvanta-sim";
  const int32_t handle = LoadCALFile(nullptr);
  for (const auto& [hz, text] : frequencies) {
    std::array<double, 256> sum{}, count{};
    std::istringstream curve(OutputOf(tool.string() + " model SimRig USB " + text + " -140:0:0.05"));
    double level;
    int raw;
    while (curve >> level >> raw) sum[raw] += level, count[raw] += 1;
    std::array<double, 256> levels;
    for (int r = 0; r < 256; ++r) {
      // A raw value the curve never gives takes its nearest neighbour's level.
      int nearest = r;
      for (int d = 1; count[nearest] == 0; ++d)
        nearest = count[std::max(r - d, 0)] ? std::max(r - d, 0) : std::min(r + d, 255);
      levels[r] = sum[nearest] / count[nearest];
    }
    PutDBMs(handle, "SimRig ", CAL_MODE_USB, hz, levels.data());
  }
  ASSERT_EQ(SaveCALFile(handle, file.c_str()), CAL_OK);
  Unload(handle);
}

// The whole road: the simulated radio behind rigctld's protocol, the proxy in
// front of it, Hamlib's rigctl asking for STRENGTH while the generator moves.
TEST_F(ProxyTest, HamlibsClientReadsTheTrueLevelReS9OfTheSimulatedRadio) {
  setenv(sim::kStateVariable, (folder_ / "state").c_str(), 1);
  unsetenv(sim::kScenarioVariable);
  const fs::path table = folder_ / "simrig.cal";
  WriteTrueTable(table, {{7'100'000, "7.1M"}, {50'100'000, "50.1M"}});
  const sim::testing::RigctldProcess radio("SimRig");
  const fs::path tool = fs::read_symlink("/proc/self/exe").parent_path() / "orvanta-rigctld";
  const Process proxy({tool.string(), "--upstream", radio.Address(), "--cal", table.string(), "--name",
                       "SimRig", "--listen", "127.0.0.1:0"},
                      true);
  const std::string& line = proxy.FirstLine();
  port_ = std::atoi(line.c_str() + line.find(':', line.find("listening on")) + 1);
  for (const auto& [hz, s9] : {std::pair{int64_t{7'100'000}, -73}, {int64_t{50'100'000}, -93}}) {
    for (const double dbm : {-115.0, -93.0, -73.0, -52.5, -31.0}) {
      ASSERT_TRUE(sim::UpdateState(folder_ / "state", [&](sim::SharedState& state) {
        state.ChangeSignal(dbm, true, sim::SteadyNowNs());
        state.generatorHz = hz;
      }));
      const int strength = std::stoi(Rigctl("F " + std::to_string(hz) + " M USB 0 l STRENGTH"));
      EXPECT_NEAR(strength, dbm - s9, 1.0) << dbm << " dBm at " << hz << " Hz";
    }
  }
  unsetenv(sim::kStateVariable);
}

}  // namespace
