#include "cal_reader.h"

#include <algorithm>
#include <cstring>

#include "modes.h"

namespace fendrel {

TextLineReader::TextLineReader(ByteSource& source, std::size_t chunkSize)
    : source_(source), buffer_(std::max(chunkSize, kMaxRead + 1) + kMaxRead + 1) {}

void TextLineReader::fill() {
  if (atEnd_ || end_ - begin_ > kMaxRead) return;
  std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  while (end_ <= kMaxRead) {
    const std::size_t got = source_.read(buffer_.data() + end_, buffer_.size() - end_);
    if (got == 0) {
      atEnd_ = true;
      return;
    }
    end_ += got;
  }
}

bool TextLineReader::next(TextLine& line) {
  fill();
  if (begin_ == end_) return false;
  const char* start = buffer_.data() + begin_;
  const std::size_t available = end_ - begin_;
  // A CR LF is one character, so a break may sit one byte past the limit.
  const std::size_t window = std::min(available, kMaxRead + 1);
  const auto* lf = static_cast<const char*>(std::memchr(start, '\n', window));
  std::size_t consumed = std::min(available, kMaxRead);
  std::size_t textLength = consumed;
  line.hasBreak = false;
  if (lf != nullptr) {
    const auto lfAt = static_cast<std::size_t>(lf - start);
    const bool crlf = lfAt > 0 && start[lfAt - 1] == '\r';
    const std::size_t breakAt = crlf ? lfAt - 1 : lfAt;
    if (breakAt < kMaxRead) {
      consumed = lfAt + 1;
      textLength = breakAt;
      line.hasBreak = true;
    }
  }
  begin_ += consumed;
  line.number = lineNumber_;
  line.continuesLine = midLine_;
  midLine_ = !line.hasBreak;
  if (line.hasBreak) ++lineNumber_;
  // The original handled each read as a C string.
  line.cutAtNul = false;
  if (const void* nul = std::memchr(start, '\0', textLength)) {
    textLength = static_cast<std::size_t>(static_cast<const char*>(nul) - start);
    line.hasBreak = false;
    line.cutAtNul = true;
  }
  line.text = std::string_view(start, textLength);
  return true;
}

uint64_t NumberReader::next() {
  while (position_ < line_.size() && line_[position_] == ' ') ++position_;
  const std::size_t first = position_;
  while (position_ < line_.size() && line_[position_] != ' ') ++position_;
  uint64_t sum = 0;
  uint64_t place = 1;
  for (std::size_t at = position_; at-- > first;) {
    // Signed, as char was where the format was born.
    const auto code = static_cast<signed char>(line_[at]);
    if (code == '-') return 0 - sum;
    sum += static_cast<uint64_t>(static_cast<int64_t>(code - '0')) * place;
    place *= 10;
  }
  return sum;
}

std::size_t MemorySource::read(char* dest, std::size_t capacity) {
  const std::size_t count = std::min(capacity, bytes_.size());
  std::memcpy(dest, bytes_.data(), count);
  bytes_.remove_prefix(count);
  return count;
}

namespace {

constexpr std::size_t kMinLineLength = 3;
constexpr std::size_t kFileNameLength = 7;

// The text after the opening character up to the closing one; without it,
// the rest of the read, line break included.
std::string_view bracketed(const TextLine& line, char close, std::string& scratch) {
  const std::string_view inside = line.text.substr(1);
  const std::size_t closeAt = inside.find(close);
  if (closeAt != std::string_view::npos) return inside.substr(0, closeAt);
  if (!line.hasBreak) return inside;
  scratch.assign(inside);
  scratch.push_back('\n');
  return scratch;
}

class TableBuilder {
 public:
  explicit TableBuilder(ReadObserver* observer) : observer_(observer) {}

  void handle(const TextLine& line) {
    using Kind = ReadEvent::Kind;
    if (line.length() < kMinLineLength) return report(line, Kind::TooShort);
    switch (line.text.front()) {
      case '{':
        return openReceiver(line);
      case '[':
        return openMode(line);
      case '.':
        return addPoint(line);
      default:
        return report(line, Kind::OtherLine);
    }
  }

  std::unique_ptr<CalTable> finish() { return std::move(table_); }

 private:
  using Kind = ReadEvent::Kind;

  void openReceiver(const TextLine& line) {
    if (!table_) table_ = std::make_unique<CalTable>();
    const std::string_view name = bracketed(line, '}', scratch_).substr(0, kFileNameLength);
    table_->Receivers.push_back(std::make_unique<CalReceiver>(name));
    receiver_ = table_->Receivers.back().get();
    // Points before this receiver's first mode header must not land in the
    // previous receiver's last mode.
    mode_ = nullptr;
    inUnknownMode_ = false;
    report(line, Kind::Receiver);
  }

  void openMode(const TextLine& line) {
    if (receiver_ == nullptr) return report(line, Kind::ModeBeforeReceiver);
    const std::string_view name = bracketed(line, ']', scratch_);
    const auto code = modeCodeForName(name);
    mode_ = nullptr;
    inUnknownMode_ = !code;
    if (!code) return report(line, Kind::UnknownMode, nullptr, name);
    receiver_->Modes.push_back(std::make_unique<CalMode>(*code));
    mode_ = receiver_->Modes.back().get();
    report(line, Kind::Mode);
  }

  void addPoint(const TextLine& line) {
    if (mode_ == nullptr) return report(line, droppedPointKind());
    auto point = std::make_unique<CalPoint>();
    NumberReader numbers(line.text);
    point->Frequency = static_cast<int64_t>(numbers.next());
    numbers.next();  // reserved, always 0
    for (int32_t& value : point->Values) {
      if (numbers.atEnd()) break;  // the rest stays 0
      value = static_cast<int32_t>(static_cast<uint32_t>(numbers.next()));
    }
    mode_->Points.push_back(std::move(point));
    report(line, Kind::Point, mode_->Points.back().get());
  }

  Kind droppedPointKind() const {
    if (receiver_ == nullptr) return Kind::PointBeforeReceiver;
    return inUnknownMode_ ? Kind::PointInUnknownMode : Kind::PointBeforeMode;
  }

  void report(const TextLine& line, Kind kind, const CalPoint* point = nullptr,
              std::string_view modeName = {}) {
    if (observer_ != nullptr) observer_->onRead(line, ReadEvent{kind, receiver_, mode_, point, modeName});
  }

  ReadObserver* observer_;
  std::unique_ptr<CalTable> table_;
  CalReceiver* receiver_ = nullptr;
  CalMode* mode_ = nullptr;
  bool inUnknownMode_ = false;
  std::string scratch_;
};

}  // namespace

std::unique_ptr<CalTable> readCalTable(ByteSource& source, std::size_t chunkSize, ReadObserver* observer) {
  TextLineReader lines(source, chunkSize);
  TableBuilder builder(observer);
  TextLine line;
  while (lines.next(line)) builder.handle(line);
  return builder.finish();
}

}  // namespace fendrel
