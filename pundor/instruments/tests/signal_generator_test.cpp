// The generator client against the simulated generator, end to end: over a
// raw socket to `orvanta-sim generator-server`, and over a terminal standing
// in for a USBTMC device file. What the client sets is read back as a
// simulated receiver's raw reading, through the simulators' shared state.
#include "instruments/signal_generator.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <lxi.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "instruments/transport.h"
#include "sim/generator.h"
#include "sim/scenario.h"
#include "sim/shared_state.h"
#include "sim/smeter.h"
#include "sim/testing/generator_server_process.h"

namespace instruments {
namespace {

using namespace std::chrono_literals;

constexpr int64_t kTunedHz = 7'100'000;
constexpr auto kTimeout = 3000ms;

std::filesystem::path Binaries() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }

// The Halv-C1 of the default scenario, opened through its simulated library.
class SimulatedReceiver {
 public:
  SimulatedReceiver() : library_(dlopen((Binaries() / "libvxaapi.so").c_str(), RTLD_NOW | RTLD_LOCAL)) {
    EXPECT_NE(library_, nullptr);
    handle_ = Call<int32_t (*)(const char*)>("VxOpen")("C1004711");
    Call<int32_t (*)(int32_t, int32_t)>("SetPower")(handle_, 1);
    Call<int32_t (*)(int32_t, uint32_t)>("SetFrequency")(handle_, kTunedHz);
  }
  ~SimulatedReceiver() { dlclose(library_); }
  int32_t Read() { return Call<int32_t (*)(int32_t)>("GetRawSignalStrength")(handle_); }
  // What it reads at a generator level, from the model.
  static int32_t At(double dbm) {
    const auto scenario = sim::ParseScenario(sim::DefaultScenarioText());
    for (const auto& receiver : scenario.receivers)
      if (receiver.id == "C1004711") return sim::ModelReading(receiver, kTunedHz, -1, dbm);
    return -1;
  }
  static int32_t Silent() { return At(sim::kNoSignal); }

 private:
  template <typename Function>
  Function Call(const char* name) {
    return reinterpret_cast<Function>(dlsym(library_, name));
  }
  void* library_;
  int32_t handle_ = 0;
};

// Every test has a shared state of its own, and may start the simulated
// generator server.
class GeneratorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-generator-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    setenv(sim::kStateVariable, (folder_ / "state").c_str(), 1);
    unsetenv(sim::kScenarioVariable);
  }
  void TearDown() override {
    server_.reset();
    unsetenv(sim::kStateVariable);
    std::filesystem::remove_all(folder_);
  }

  // Starts `orvanta-sim generator-server` on a free port; its address.
  std::string StartServer(int settleMs = 0) {
    server_.emplace(settleMs);
    return server_->Address();
  }

  std::filesystem::path folder_;
  std::optional<sim::testing::GeneratorServerProcess> server_;
};

// A socket of the test's own, to send the simulator's fault commands.
void SendRaw(const std::string& address, const std::string& text) {
  const int port = std::stoi(address.substr(address.rfind(':') + 1));
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port));
  peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(socket, reinterpret_cast<sockaddr*>(&peer), sizeof peer), 0);
  ASSERT_EQ(write(socket, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  char answer;
  recv(socket, &answer, 1, 0);  // returns once the server has closed it
  close(socket);
}

// A loopback port that nobody listens on, or one whose listener never answers.
int LoopbackListener(bool listening, uint16_t& port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
  port = ntohs(address.sin_port);
  if (listening) return listen(socket, 4), socket;
  close(socket);
  return -1;
}

// Whatever the program writes on stderr meanwhile.
std::string StderrDuring(const std::function<void()>& action) {
  std::fflush(stderr);
  FILE* capture = std::tmpfile();
  const int saved = dup(STDERR_FILENO);
  dup2(fileno(capture), STDERR_FILENO);
  action();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::string text(static_cast<std::size_t>(ftell(capture)), '\0');
  rewind(capture);
  text.resize(fread(text.data(), 1, text.size(), capture));
  std::fclose(capture);
  return text;
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const GeneratorError& error) {
    return error.what();
  }
  return "(no GeneratorError)";
}

TEST_F(GeneratorTest, DrivesTheSimulatedReceiversOverARawSocket) {
  const std::string address = StartServer();
  SimulatedReceiver receiver;
  auto generator = ConnectGenerator(address, kTimeout);
  EXPECT_EQ(generator->Address(), address);
  EXPECT_EQ(generator->Identify(), sim::kGeneratorIdentity);
  EXPECT_EQ(receiver.Read(), SimulatedReceiver::Silent()) << "a generator starts with its output off";

  generator->SetFrequency(kTunedHz);
  generator->SetLevel(-60);
  {
    OutputOffGuard guard(*generator);
    generator->SetOutput(true);
    generator->WaitComplete();
    EXPECT_EQ(receiver.Read(), SimulatedReceiver::At(-60));
    generator->SetLevel(-97.5);
    EXPECT_EQ(receiver.Read(), SimulatedReceiver::At(-97.5));

    // Refused: the message names the generator, its identity and the command.
    const std::string message = MessageOf([&] { generator->SetLevel(20); });
    EXPECT_NE(message.find(address + " (" + sim::kGeneratorIdentity + ")"), std::string::npos) << message;
    EXPECT_NE(message.find("\":SOUR:POW 20\""), std::string::npos) << message;
    EXPECT_NE(message.find("-222,\"Data out of range\""), std::string::npos) << message;
    EXPECT_EQ(generator->ReadError(), "") << "the queue was emptied";
    EXPECT_EQ(receiver.Read(), SimulatedReceiver::At(-97.5)) << "a refused level changes nothing";
  }
  EXPECT_EQ(receiver.Read(), SimulatedReceiver::Silent()) << "the guard switched the output off";

  // The same through the other dialect.
  ASSERT_EQ(FindDialect("unknown"), nullptr);
  const Dialect* longForms = FindDialect("scpi-long");
  ASSERT_NE(longForms, nullptr);
  auto other = ConnectGenerator(address, kTimeout, *longForms);
  other->SetLevel(-80);
  other->SetOutput(true);
  EXPECT_EQ(receiver.Read(), SimulatedReceiver::At(-80));
  EXPECT_NE(MessageOf([&] { other->SetFrequency(7'000'000'000); }).find("Data out of range"),
            std::string::npos);
}

TEST_F(GeneratorTest, FailuresNameTheGeneratorAndTheCommand) {
  // liblxi finds a refused port only at the first exchange, which cannot tell
  // it from a connection closed at once; none of liblxi's own lines show.
  uint16_t port = 0;
  LoopbackListener(false, port);
  const std::string refused = "tcp://127.0.0.1:" + std::to_string(port);
  std::string message;
  std::string printed = StderrDuring([&] {
    message = MessageOf([&] { ConnectGenerator(refused, kTimeout); });
    EXPECT_EQ(MessageOf([&] { ConnectGenerator("tcp://no-such-host.invalid", kTimeout); }),
              "Signal generator tcp://no-such-host.invalid: cannot connect: host no-such-host.invalid not found");
  });
  EXPECT_EQ(message,
            "Signal generator " + refused + ": cannot connect: the generator refused or closed the connection");
  EXPECT_EQ(printed, "");

  // A port that accepts and never answers fails within one time-out, once.
  const int silent = LoopbackListener(true, port);
  printed = StderrDuring([&] {
    auto mute = ConnectGenerator("tcp://127.0.0.1:" + std::to_string(port), 1000ms);
    const auto asked = std::chrono::steady_clock::now();
    message = MessageOf([&] { mute->Identify(); });
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2000ms);
  });
  EXPECT_NE(message.find("command \"*IDN?\": no answer within 1000 ms"), std::string::npos) << message;
  EXPECT_EQ(message.find("no answer", message.find("no answer") + 1), std::string::npos) << message;
  EXPECT_EQ(printed, "");
  close(silent);

  // The generator drops every connection mid-run; the guard's own attempt to
  // switch the output off fails quietly.
  const std::string address = StartServer();
  auto generator = ConnectGenerator(address, kTimeout);
  generator->SetOutput(true);
  {
    OutputOffGuard guard(*generator);
    SendRaw(address, "SIM:DROP\n");
    message = MessageOf([&] { generator->SetLevel(-50); });
    EXPECT_EQ(message, "Signal generator " + address +
                           ", command \":SOUR:POW -50\": the generator closed the connection");
  }
  // No VXI-11 service here.
  EXPECT_NE(MessageOf([&] { ConnectGenerator("vxi11://127.0.0.1", kTimeout); }).find("cannot connect"),
            std::string::npos);
  EXPECT_NE(MessageOf([&] { ConnectGenerator("gpib://7", kTimeout); }).find("unknown address"),
            std::string::npos);
  EXPECT_NE(MessageOf([&] { ConnectGenerator("tcp://host:99999", kTimeout); }).find("port"),
            std::string::npos);
  EXPECT_NE(MessageOf([&] { ConnectGenerator("/nonexistent/usbtmc0", kTimeout); }).find("cannot open"),
            std::string::npos);
}

TEST_F(GeneratorTest, AReadingTakenBeforeTheGeneratorSettlesSeesTheOldLevel) {
  constexpr auto kSettle = 1500ms;
  const std::string address = StartServer(static_cast<int>(kSettle.count()));
  SimulatedReceiver receiver;
  auto generator = ConnectGenerator(address, kTimeout);
  // Readings taken after a change sent at `sent`, until the new level shows:
  // the old level until the settling time has passed, the new one after it.
  const auto waitFor = [&](int32_t wanted, std::chrono::steady_clock::time_point sent) {
    int32_t reading;
    while ((reading = receiver.Read()) != wanted && std::chrono::steady_clock::now() - sent < 20s) {
      if (std::chrono::steady_clock::now() - sent < kSettle) {
        EXPECT_NE(reading, wanted);
      }
      std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(reading, wanted);
    EXPECT_GE(std::chrono::steady_clock::now() - sent, kSettle);
  };
  generator->SetLevel(-60);
  const auto switchedOn = std::chrono::steady_clock::now();
  generator->SetOutput(true);
  waitFor(SimulatedReceiver::At(-60), switchedOn);
  const auto changed = std::chrono::steady_clock::now();
  generator->SetLevel(-100);
  waitFor(SimulatedReceiver::At(-100), changed);
}

// A terminal stands in for a USBTMC device file; behind it the simulated
// generator's instrument answers.
TEST_F(GeneratorTest, DrivesAGeneratorThroughItsDeviceFile) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string path = ptsname(master);
  const int slave = open(path.c_str(), O_RDWR | O_NOCTTY);  // keeps the raw settings in place
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);

  std::atomic<bool> answering = true;
  std::thread instrument([&] {
    sim::GeneratorInstrument generator(folder_ / "state", 0);
    std::string pending;
    char buffer[256];
    while (answering) {
      const ssize_t got = read(master, buffer, sizeof buffer);
      if (got <= 0) break;
      pending.append(buffer, got);
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
        const auto outcome = generator.Execute(pending.substr(0, end));
        const std::string answer = outcome.reply ? *outcome.reply + "\n" : "";
        if (!answer.empty() && write(master, answer.data(), answer.size()) < 0) answering = false;
      }
    }
  });

  SimulatedReceiver receiver;
  {
    auto generator = ConnectGenerator(path, kTimeout);
    EXPECT_EQ(generator->Identify(), sim::kGeneratorIdentity);
    generator->SetLevel(-70);
    generator->SetOutput(true);
    EXPECT_EQ(receiver.Read(), SimulatedReceiver::At(-70));
    const std::string message = MessageOf([&] { generator->SetLevel(-140); });
    EXPECT_NE(message.find(path + " (" + sim::kGeneratorIdentity + "), command \":SOUR:POW -140\": "),
              std::string::npos)
        << message;
    generator->SetOutput(false);
  }
  answering = false;
  close(slave);
  close(master);  // ends the instrument's read
  instrument.join();
}

// A generator of the test's own on a loopback port: every line received is
// kept, and `answer` gives the bytes sent back (nothing for a command).
class ScriptedGenerator {
 public:
  using Answer = std::function<std::optional<std::string>(const std::string& line)>;

  explicit ScriptedGenerator(Answer answer) : answer_(std::move(answer)) {
    listener_ = LoopbackListener(true, port_);
    serving_ = std::thread([this] { Serve(); });
  }
  ~ScriptedGenerator() {
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    serving_.join();
  }
  std::string Address() const { return "tcp://127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  void Serve() {
    for (int client; (client = accept(listener_, nullptr, nullptr)) >= 0; close(client)) {
      std::string pending;
      char buffer[512];
      for (ssize_t got; (got = read(client, buffer, sizeof buffer)) > 0;) {
        pending.append(buffer, got);
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
          const std::string line = pending.substr(0, end);
          {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
          }
          if (const auto reply = answer_(line)) send(client, reply->data(), reply->size(), MSG_NOSIGNAL);
        }
      }
    }
  }

  Answer answer_;
  uint16_t port_ = 0;
  int listener_ = -1;
  std::mutex mutex_;
  std::vector<std::string> lines_;
  std::thread serving_;
};

// A generator whose error queue fills with 40 entries at a refused level and
// answers each look at it only just within the time-out: after the failure
// the output-off goes out first, and ending costs one exchange, not one per
// entry. Its answers, odd ones included, show in full in the message, and
// nothing else reaches stderr.
TEST_F(GeneratorTest, AfterAFailureTheOutputGoesOffFirstAndEveryAnswerIsReportedAsItCame) {
  constexpr auto kShort = 400ms;
  std::atomic<int> queued = 0;
  ScriptedGenerator scripted([&](const std::string& line) -> std::optional<std::string> {
    std::optional<std::string> reply;
    for (std::size_t at = 0; at <= line.size();) {
      const std::size_t end = std::min(line.find(';', at), line.size());
      const std::string command = line.substr(at, end - at);
      at = end + 1;
      if (command == "*CLS") queued = 0;
      if (command.starts_with(":SOUR:POW")) queued = 40;
      if (command.starts_with(":SOUR:FREQ")) return std::string("-100,\"bad\0byte\"\n", 17);
      if (command == "*IDN?") return std::string(kLongestAnswer + 10, 'x') + "\n";
      if (command == ":SYST:ERR?") {
        std::this_thread::sleep_for(kShort * 3 / 4);
        reply = queued > 0 ? (--queued, "-222,\"Data out of range\"\n") : "0,\"No error\"\n";
      }
    }
    return reply;
  });
  std::string message;
  const std::string printed = StderrDuring([&] {
    auto generator = ConnectGenerator(scripted.Address(), kShort);
    const auto failed = std::chrono::steady_clock::now();
    message = MessageOf([&] { generator->SetLevel(-50); });
    const std::size_t linesAtFailure = scripted.Lines().size();
    generator->SetOutput(false);
    EXPECT_LT(std::chrono::steady_clock::now() - failed, 3 * kShort) << "the queue was read entry by entry";
    ASSERT_GT(scripted.Lines().size(), linesAtFailure);
    EXPECT_EQ(scripted.Lines()[linesAtFailure].rfind(":OUTP OFF", 0), 0u) << scripted.Lines()[linesAtFailure];
    EXPECT_EQ(MessageOf([&] { generator->SetFrequency(1'000'000); }),
              "Signal generator " + scripted.Address() +
                  ", command \":SOUR:FREQ 1000000\": the generator reports -100,\"bad\\x00byte\"");
    EXPECT_EQ(
        MessageOf([&] { generator->Identify(); }),
        "Signal generator " + scripted.Address() + ", command \"*IDN?\": answer longer than 65536 bytes");
  });
  EXPECT_EQ(message, "Signal generator " + scripted.Address() +
                         ", command \":SOUR:POW -50\": the generator reports -222,\"Data out of range\"");
  EXPECT_EQ(printed, "");
}

// liblxi, an independent SCPI client, against the simulated generator
// server: a client that floods it with queries and never reads the answers
// holds up nobody else, and a fault one client armed but never set off is
// gone for the next.
TEST_F(GeneratorTest, TheSimulatedServerServesEachClientOnItsOwn) {
  StartServer();
  const int port = server_->Port();
  lxi_init();
  const auto ask = [](int device, const std::string& query) {
    const std::string line = query + "\n";
    EXPECT_EQ(lxi_send(device, line.data(), static_cast<int>(line.size()), 3000),
              static_cast<int>(line.size()));
    char answer[256];
    const int got = lxi_receive(device, answer, sizeof answer, 3000);
    return got > 0 ? std::string(answer, got) : std::string("(no answer)");
  };

  const int flooding = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port));
  peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(flooding, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
  const std::string queries = [] {
    std::string many;
    for (int i = 0; i < 1000; ++i) many += "*IDN?\n";
    return many;
  }();
  // Until the server takes no more from it.
  for (pollfd writable{flooding, POLLOUT, 0}; poll(&writable, 1, 300) > 0;)
    send(flooding, queries.data(), queries.size(), MSG_NOSIGNAL);

  const int other = lxi_connect("127.0.0.1", port, nullptr, 3000, RAW);
  ASSERT_GE(other, 0);
  EXPECT_EQ(ask(other, "*IDN?"), std::string(sim::kGeneratorIdentity) + "\n");
  lxi_disconnect(other);
  close(flooding);

  const int arming = lxi_connect("127.0.0.1", port, nullptr, 3000, RAW);
  ASSERT_GE(arming, 0);
  ASSERT_EQ(lxi_send(arming, "SIM:MUTE 20\n", 12, 3000), 12);
  EXPECT_EQ(ask(arming, "*OPC?"), "1\n");
  lxi_disconnect(arming);
  const int next = lxi_connect("127.0.0.1", port, nullptr, 3000, RAW);
  ASSERT_GE(next, 0);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(ask(next, "*OPC?"), "1\n") << i;
  lxi_disconnect(next);
}

}  // namespace
}  // namespace instruments
