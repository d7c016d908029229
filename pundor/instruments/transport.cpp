#include "instruments/transport.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace instruments {

std::string Transport::ReceiveLine() {
  const auto deadline = Clock::now() + timeout_;
  std::size_t end;
  while ((end = pending_.find('\n')) == std::string::npos) {
    if (pending_.size() > kLongestAnswer) {
      pending_.clear();
      throw TransportError("answer longer than " + std::to_string(kLongestAnswer) + " bytes");
    }
    if (Clock::now() >= deadline) throw NoAnswer();
    char buffer[4096];
    const std::size_t got = ReadSome(buffer, sizeof buffer, deadline);
    if (got == 0) throw NoAnswer();
    pending_.append(buffer, got);
    if (WholeMessages() && pending_.find('\n') == std::string::npos) pending_ += '\n';
  }
  std::string line = pending_.substr(0, end);
  pending_.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

TransportError Transport::NoAnswer() const {
  return TransportError("no answer within " + std::to_string(timeout_.count()) + " ms");
}

std::string Escaped(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
      shown += c;
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", byte);
      shown += code;
    }
  }
  return shown;
}

std::string SystemReason(int error) {
  std::string reason = std::strerror(error);
  if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  return reason;
}

}  // namespace instruments
