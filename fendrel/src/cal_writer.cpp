#include "cal_writer.h"

#include <charconv>
#include <string>

#include "modes.h"

namespace fendrel {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

// Collects lines and hands them to the sink in large blocks.
class BlockWriter {
 public:
  explicit BlockWriter(ByteSink& sink) : sink_(sink) { block_.reserve(kBlockSize + kLongestPointLine); }

  void receiverHeader(const char* name) {
    block_ += '{';
    // Text mode turned every LF written into CR LF, one inside a name too.
    for (const char* c = name; *c != '\0'; ++c) {
      if (*c == '\n') {
        block_ += kLineBreak;
      } else {
        block_ += *c;
      }
    }
    block_ += " receiver}";
    endLine();
  }

  void modeHeader(int16_t code) {
    block_ += '[';
    block_ += modeHeaderName(code);
    block_ += ']';
    endLine();
  }

  void pointLine(const CalPoint& point) {
    char line[kLongestPointLine];
    char* at = line;
    *at++ = '.';
    at = std::to_chars(at, line + sizeof line, point.Frequency).ptr;
    *at++ = ' ';
    *at++ = '0';
    for (const int32_t value : point.Values) {
      *at++ = ' ';
      at = std::to_chars(at, line + sizeof line, value).ptr;
    }
    *at++ = ' ';
    block_.append(line, at);
    endLine();
  }

  void flush() {
    if (!block_.empty()) sink_.write(block_);
    block_.clear();
  }

 private:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 18;
  // ".", a 64-bit number, " 0", 256 times " " and a 32-bit number, " ", CR LF.
  static constexpr std::size_t kLongestPointLine = 1 + 20 + 2 + 256 * 12 + 1 + 2;

  void endLine() {
    block_ += kLineBreak;
    if (block_.size() >= kBlockSize) flush();
  }

  ByteSink& sink_;
  std::string block_;
};

}  // namespace

void writeCalTable(const CalTable& table, ByteSink& sink) {
  BlockWriter writer(sink);
  for (const auto& receiver : table.Receivers) {
    writer.receiverHeader(receiver->Name);
    for (const auto& mode : receiver->Modes) {
      writer.modeHeader(mode->Code);
      for (const auto& point : mode->Points) writer.pointLine(*point);
    }
  }
  writer.flush();
}

}  // namespace fendrel
