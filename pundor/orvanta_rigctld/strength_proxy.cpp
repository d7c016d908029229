#include "strength_proxy.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "rigctl_command.h"
#include "vocabulary/hamlib_units.h"

namespace {

constexpr std::size_t kMaxCommandLine = 4096;
constexpr std::size_t kMaxAnswerLine = 64 * 1024;
constexpr int kConnectMs = 3000;  // past the first SYN retransmission of a busy rigctld
constexpr int kAnswerMs = 10000;  // radios on slow serial lines take seconds for some commands
constexpr int kQuietMs = 100;     // ends an answer whose length the protocol does not tell
constexpr int kMaxClients = 128;
constexpr const char* kUpstreamLost = "RPRT -6\n";  // Hamlib's I/O error

std::string WithoutNewline(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

class Session {
 public:
  Session(StrengthProxy& proxy, LineSocket client) : proxy_(proxy), client_(std::move(client)) {}

  void Run() {
    std::string line;
    for (;;) {
      const LineSocket::Read read = client_.ReadLine(line, -1, kMaxCommandLine);
      if (read == LineSocket::Read::TooLong) client_.Send("RPRT -1\n");
      if (read != LineSocket::Read::Line) return;
      const rigctl::Command command = rigctl::ParseCommand(line);
      if (!ReachUpstream()) {
        client_.Send(kUpstreamLost);
        continue;
      }
      if (!(rigctl::IsStrengthRead(command) && AnswerCalibrated(command)) && !Relay(line, command))
        client_.Send(kUpstreamLost);
      if (rigctl::IsQuit(command)) return;
    }
  }

 private:
  bool ReachUpstream() {
    if (!upstream_.IsOpen()) upstream_ = LineSocket::Connect(proxy_.Upstream(), kConnectMs);
    proxy_.NoteUpstream(upstream_.IsOpen());
    return upstream_.IsOpen();
  }

  void LoseUpstream() {
    upstream_.Close();
    proxy_.NoteUpstream(false);
  }

  // Sends to rigctld once the last answer is all handed on: rigctld answers
  // one command at a time, so whatever is still arriving belongs to it (an
  // answer longer than the protocol let us expect).
  bool SendUpstream(const std::string& text) {
    std::string late;
    while (upstream_.ReadLine(late, 0, kMaxAnswerLine) == LineSocket::Read::Line) client_.Send(late);
    if (!upstream_.Send(text)) return LoseUpstream(), false;
    return true;
  }

  // Sends a command on and hands its answer back in the pieces rigctld sent
  // it in: Hamlib's own client empties its input before each command, so an
  // answer split where rigctld did not split it would be read as the next.
  bool Relay(const std::string& line, const rigctl::Command& command) {
    if (!SendUpstream(line)) return false;
    rigctl::AnswerEnd end(command);
    bool answered = false;
    std::string reply;
    std::string piece;
    for (;;) {
      const bool quietEnds = answered && end.EndsWhenQuiet();
      const LineSocket::Read read =
          upstream_.ReadLine(reply, quietEnds ? kQuietMs : kAnswerMs, kMaxAnswerLine);
      if (read == LineSocket::Read::Quiet && quietEnds) return true;
      if (read != LineSocket::Read::Line && rigctl::IsQuit(command)) return upstream_.Close(), true;
      if (read != LineSocket::Read::Line) return LoseUpstream(), answered;
      piece += reply;
      answered = true;
      const bool complete = end.EndsWith(WithoutNewline(reply)) && !upstream_.HasLineWaiting();
      if (complete || !upstream_.HasLineWaiting()) client_.Send(std::exchange(piece, {}));
      if (complete) return true;
    }
  }

  // The value lines of a query of the proxy's own, or nothing when rigctld
  // refuses it (or is lost: then the upstream is closed).
  std::optional<std::vector<std::string>> Query(const std::string& text) {
    const rigctl::Command command = rigctl::ParseCommand(text);
    if (!SendUpstream(text + "\n")) return std::nullopt;
    rigctl::AnswerEnd end(command);
    std::vector<std::string> lines;
    std::string reply;
    do {
      if (upstream_.ReadLine(reply, kAnswerMs, kMaxAnswerLine) != LineSocket::Read::Line)
        return LoseUpstream(), std::nullopt;
      lines.push_back(WithoutNewline(reply));
    } while (!end.EndsWith(lines.back()));
    if (lines.back().starts_with("RPRT ")) return std::nullopt;
    return lines;
  }

  std::optional<double> QueryNumber(const std::string& text) {
    const auto lines = Query(text);
    if (!lines) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(lines->front().c_str(), &end);
    if (end == lines->front().c_str() || !std::isfinite(value)) return std::nullopt;
    return value;
  }

  // Answers a STRENGTH read from the tables; false leaves it to the radio.
  bool AnswerCalibrated(const rigctl::Command& command) {
    const std::string vfo = rigctl::VfoOf(command);
    const std::string onVfo = vfo.empty() ? "" : " " + vfo;
    const auto raw = QueryNumber("l" + onVfo + " RAWSTR");
    const auto hz = QueryNumber("f" + onVfo);
    const auto mode = Query("m" + onVfo);
    if (!upstream_.IsOpen()) return client_.Send(kUpstreamLost), true;
    if (!raw || !hz || !mode) {
      proxy_.LogOnce(
          "the radio does not report its raw reading, frequency and mode: passing its own STRENGTH on");
      return false;
    }
    FrontEnd frontEnd;
    if (proxy_.Tables().HasStates()) {
      frontEnd.att = static_cast<int>(std::lround(QueryNumber("l" + onVfo + " ATT").value_or(0)));
      frontEnd.preamp = static_cast<int>(std::lround(QueryNumber("l" + onVfo + " PREAMP").value_or(0)));
      if (!upstream_.IsOpen()) return client_.Send(kUpstreamLost), true;
    }
    const int64_t frequency = std::llround(*hz);
    const std::string& modeName = mode->front();
    // The table's first and last entries stand for the floor and the top.
    const auto rawValue = static_cast<uint8_t>(std::clamp(std::lround(*raw), 0L, 255L));
    const auto level =
        proxy_.Tables().Level(frontEnd, vocabulary::TableModeOfHamlib(modeName), frequency, rawValue);
    if (!level) {
      proxy_.LogOnce("no table covers " + modeName + " at " + std::to_string(frequency) + " Hz with " +
                     FrontEndText(frontEnd) + ": passing the radio's own STRENGTH on");
      return false;
    }
    client_.Send(rigctl::LevelAnswer(command, vocabulary::DbOverS9(*level, frequency)));
    return true;
  }

  StrengthProxy& proxy_;
  LineSocket client_;
  LineSocket upstream_;
};

}  // namespace

StrengthProxy::StrengthProxy(Endpoint upstream, const StrengthTables& tables, std::ostream& log)
    : upstream_(std::move(upstream)), tables_(tables), log_(log) {}

void StrengthProxy::Run(int listener) {
  for (;;) {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0 && (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE)) continue;
    if (fd < 0) return;
    if (clients_ >= kMaxClients) {
      close(fd);
      continue;
    }
    const int on = 1;  // answers go out as they are complete
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ++clients_;
    std::thread([this, fd] {
      Serve(LineSocket(fd));
      --clients_;
    }).detach();
  }
}

void StrengthProxy::Serve(LineSocket client) { Session(*this, std::move(client)).Run(); }

void StrengthProxy::LogOnce(const std::string& message) {
  const std::lock_guard lock(logMutex_);
  if (logged_.insert(message).second) log_ << "orvanta-rigctld: " << message << std::endl;
}

void StrengthProxy::NoteUpstream(bool reached) {
  const std::lock_guard lock(logMutex_);
  if (reached == !upstreamLost_) return;
  upstreamLost_ = !reached;
  log_ << "orvanta-rigctld: rigctld at " << EndpointText(upstream_)
       << (reached ? " is back" : " cannot be reached: answering RPRT -6 until it is back") << std::endl;
}
