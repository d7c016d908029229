// The reader on any bytes: it must not fail, must read the same whatever
// pieces the input comes in, and what the writer makes of a read table must
// read back to the same text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cal_reader.h"
#include "cal_writer.h"

namespace {

// Small blocks keep each run cheap; the pieces still cross every boundary.
constexpr std::size_t kChunk = 4096;

class PieceSource : public fendrel::ByteSource {
 public:
  PieceSource(std::string_view bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}
  std::size_t read(char* dest, std::size_t capacity) override {
    const std::size_t count = std::min({capacity, piece_, bytes_.size()});
    std::copy_n(bytes_.data(), count, dest);
    bytes_.remove_prefix(count);
    return count;
  }

 private:
  std::string_view bytes_;
  std::size_t piece_;
};

struct StringSink : fendrel::ByteSink {
  std::string bytes;
  void write(std::string_view more) override { bytes += more; }
};

std::string textOf(const fendrel::CalTable* table) {
  StringSink sink;
  if (table != nullptr) writeCalTable(*table, sink);
  return sink.bytes;
}

std::string normalised(std::string_view text) {
  fendrel::MemorySource source(text);
  return textOf(fendrel::readCalTable(source, kChunk).get());
}

// What the reader tells an observer must match what it builds, and watching
// must not change what it builds.
class CheckingObserver : public fendrel::ReadObserver {
 public:
  void onRead(const fendrel::TextLine& line, const fendrel::ReadEvent& event) override {
    using Kind = fendrel::ReadEvent::Kind;
    // Every read is reported: a read stays on its line exactly when the one
    // before it ended without a line break.
    const std::size_t expected = reads_ == 0 ? 1 : lastLine_;
    if (line.number != expected && line.number != expected + 1) std::abort();
    if (line.continuesLine != (reads_ > 0 && line.number == lastLine_)) std::abort();
    lastLine_ = line.number;
    ++reads_;
    if (event.kind == Kind::Point &&
        (event.mode == nullptr || event.point != event.mode->Points.back().get()))
      std::abort();
    if (event.kind == Kind::Mode &&
        (event.receiver == nullptr || event.mode != event.receiver->Modes.back().get()))
      std::abort();
    if (event.kind == Kind::Receiver && (event.receiver == nullptr || event.mode != nullptr)) std::abort();
  }

 private:
  std::size_t lastLine_ = 0;
  std::size_t reads_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] * 13;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  fendrel::MemorySource whole(text);
  const auto table = fendrel::readCalTable(whole, kChunk);
  PieceSource pieces(text, piece);
  const std::string written = textOf(table.get());
  CheckingObserver observer;
  if (textOf(fendrel::readCalTable(pieces, kChunk, &observer).get()) != written) std::abort();

  // One pass settles names and overlong lines; after it the text is stable.
  const std::string once = normalised(written);
  if (normalised(once) != once) std::abort();
  return 0;
}
