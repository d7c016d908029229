#pragma once
// Reading CAL text into a table. The reader sees the bytes as a Windows
// text-mode read of the original format did: CR LF is one line break.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "model.h"

namespace fendrel {

// How much is asked of a source at once.
inline constexpr std::size_t kReadChunkSize = std::size_t{1} << 20;

// Thrown by a source that cannot go on reading.
class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to capacity bytes into dest; 0 only at the end of the input.
  virtual std::size_t read(char* dest, std::size_t capacity) = 0;
};

// One read of the original 3000-byte line buffer.
struct TextLine {
  std::string_view text;       // without the line break; cut at a NUL byte
  bool hasBreak = false;       // the read ended with a line break
  std::size_t number = 0;      // the file line the read comes from, from 1
  bool continuesLine = false;  // the read starts where the 2,999-character limit cut the line
  bool cutAtNul = false;       // a NUL byte ended the text; the rest of the read was dropped

  // Characters as the original counted them, the line break as one.
  std::size_t length() const { return text.size() + (hasBreak ? 1 : 0); }
};

// Hands out the input in reads of at most 2,999 characters, each ending
// after a line break or at the limit or at the end of the input.
class TextLineReader {
 public:
  static constexpr std::size_t kMaxRead = 2999;

  explicit TextLineReader(ByteSource& source, std::size_t chunkSize = kReadChunkSize);

  // False at the end of the input. The line stays valid until the next call.
  bool next(TextLine& line);

 private:
  // Makes at least kMaxRead + 1 bytes available unless the input ends first.
  void fill();

  ByteSource& source_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;
  std::size_t lineNumber_ = 1;
  bool midLine_ = false;
};

// The numbers of a point line, read from their last character to their
// first, with the place value and the sums wrapping in 64 bits.
class NumberReader {
 public:
  // Starts after the line's first character.
  explicit NumberReader(std::string_view line) : line_(line), position_(1) {}

  uint64_t next();
  bool atEnd() const { return position_ >= line_.size(); }

 private:
  std::string_view line_;
  std::size_t position_;
};

// What the reader made of one read. Tools that check files watch it; the
// library itself never does, and reads exactly the same either way.
struct ReadEvent {
  enum class Kind {
    TooShort,             // under 3 characters, line break included: ignored
    OtherLine,            // not a header or point line: ignored
    Receiver,             // a receiver header: receiver is the new record
    Mode,                 // a known mode header: mode is the new record
    UnknownMode,          // a mode header naming no mode: its points are dropped
    ModeBeforeReceiver,   // ignored
    Point,                // point is the new record, in mode
    PointBeforeReceiver,  // dropped
    PointBeforeMode,      // after a receiver header, before its first mode header: dropped
    PointInUnknownMode,   // dropped
  };
  Kind kind;
  const CalReceiver* receiver = nullptr;  // the current receiver, if any
  const CalMode* mode = nullptr;          // the current mode, if any
  const CalPoint* point = nullptr;
  std::string_view modeName;  // for UnknownMode: the name as read
};

class ReadObserver {
 public:
  virtual ~ReadObserver() = default;
  virtual void onRead(const TextLine& line, const ReadEvent& event) = 0;
};

// Null when the input holds no receiver header. Throws ReadError and
// std::bad_alloc. chunkSize is how much is asked of the source at once.
std::unique_ptr<CalTable> readCalTable(ByteSource& source, std::size_t chunkSize = kReadChunkSize,
                                       ReadObserver* observer = nullptr);

// An in-memory source, for text already in memory.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t read(char* dest, std::size_t capacity) override;

 private:
  std::string_view bytes_;
};

}  // namespace fendrel
