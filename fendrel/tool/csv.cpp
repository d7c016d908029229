#include "csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <tuple>

#include "arguments.h"
#include "strength.h"

namespace fendrel_tool {
namespace {

constexpr std::size_t kFieldCount = 5;

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

// Tenths of a dB as dBm with one decimal, exactly, whatever the file held.
// Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict in
// operator+ on a literal and a temporary string.
std::string tenthsAsDbm(int32_t tenths) {
  const int64_t magnitude = std::abs(static_cast<int64_t>(tenths));
  std::string text = tenths < 0 ? "-" : "";
  text.append(std::to_string(magnitude / 10)).append(".").append(std::to_string(magnitude % 10));
  return text;
}

bool passes(const CsvFilter& filter, const fendrel::CalReceiver& receiver, const fendrel::CalMode& mode) {
  return (!filter.receiver || *filter.receiver == receiver.Name) &&
         (!filter.mode || *filter.mode == mode.Code);
}

// RFC 4180 records: quoted fields may hold commas, quotes and line breaks;
// lines end with CR LF or LF. Read from the source a chunk at a time.
class CsvRecords {
 public:
  explicit CsvRecords(fendrel::ByteSource& source) : source_(source), buffer_(std::size_t{1} << 16) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    refill();
    if (std::string_view(buffer_.data(), end_).substr(0, kByteOrderMark.size()) == kByteOrderMark)
      at_ = kByteOrderMark.size();
  }

  // False at the end of the text. On a malformed record, error says why.
  bool next(std::vector<std::string>& fields, std::size_t& line, std::string& error) {
    if (skipping_) skipLine();
    if (peek() == kEnd) return false;
    fields.assign(1, std::string());
    line = line_;
    error.clear();
    taken_ = 0;
    for (int c = get(); c != kEnd; c = get()) {
      if (tooLong(error)) return true;
      if (c == '\n' || (c == '\r' && peek() == '\n')) {
        if (c == '\r') get();
        ++line_;
        return true;
      }
      if (c == ',') {
        fields.emplace_back();
      } else if (c == '"' && fields.back().empty()) {
        if (!quoted(fields.back(), error)) return true;
      } else {
        fields.back() += static_cast<char>(c);
      }
    }
    return true;
  }

 private:
  static constexpr int kEnd = -1;

  int peek() {
    if (at_ == end_ && !refill()) return kEnd;
    return static_cast<unsigned char>(buffer_[at_]);
  }

  int get() {
    const int c = peek();
    if (c != kEnd) {
      ++at_;
      ++taken_;
    }
    return c;
  }

  bool refill() {
    at_ = 0;
    end_ = source_.read(buffer_.data(), buffer_.size());
    return end_ > 0;
  }

  // A record past the limit is never held whole: the rest of its line is
  // skipped when the next record is asked for (an input of endless bytes
  // is refused at its header).
  bool tooLong(std::string& error) {
    if (taken_ <= kLongestRecord) return false;
    error = "the record is longer than " + std::to_string(kLongestRecord) + " characters";
    skipping_ = true;
    return true;
  }

  bool quoted(std::string& field, std::string& error) {
    for (int c = get(); c != kEnd; c = get()) {
      if (tooLong(error)) return false;
      if (c == '"' && peek() == '"') {
        field += '"';
        get();
      } else if (c == '"') {
        const int after = peek();
        if (after == ',' || after == '\n' || after == '\r' || after == kEnd) return true;
        error = "text after the closing quote of a field";
        skipLine();
        return false;
      } else {
        if (c == '\n') ++line_;
        field += static_cast<char>(c);
      }
    }
    error = "a quoted field is not closed";
    return false;
  }

  void skipLine() {
    for (int c = get(); c != kEnd && c != '\n'; c = get()) {
    }
    ++line_;
    skipping_ = false;
  }

  fendrel::ByteSource& source_;
  std::vector<char> buffer_;
  std::size_t at_ = 0;
  std::size_t end_ = 0;
  std::size_t line_ = 1;
  std::size_t taken_ = 0;  // characters of the record so far
  bool skipping_ = false;
};

template <typename Number>
std::optional<Number> wholeNumber(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> decimalNumber(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// Appended piece by piece, as in tenthsAsDbm.
std::string quotedText(std::string_view text) {
  std::string quoted;
  quoted.append("'").append(text).append("'");
  return quoted;
}

// "3, 7..9, 200"
std::string rangesOf(const std::vector<int>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size();) {
    std::size_t last = i;
    while (last + 1 < values.size() && values[last + 1] == values[last] + 1) ++last;
    if (!text.empty()) text += ", ";
    text += std::to_string(values[i]);
    if (last > i) text += ".." + std::to_string(values[last]);
    i = last + 1;
  }
  return text;
}

struct Row {
  std::string receiver;
  int32_t mode;
  int64_t frequency;
  int raw;
  double dBm;
};

// The reason a row cannot be used, or nothing.
std::optional<std::string> parseRow(const std::vector<std::string>& fields, Row& row) {
  if (fields.size() != kFieldCount)
    return "expected 5 fields (" + std::string(kCsvHeader) + "), found " + std::to_string(fields.size());
  row.receiver = fields[0];
  if (row.receiver.empty()) return "the receiver name is empty";
  if (row.receiver.find('\0') != std::string::npos) return "the receiver name holds a NUL byte";
  if (row.receiver.size() > kCalNameLength)
    return "the receiver name " + quotedText(row.receiver) + " has " + std::to_string(row.receiver.size()) +
           " characters: a CAL file keeps 7, so it would read back as " +
           quotedText(row.receiver.substr(0, kCalNameLength));
  const auto mode = parseMode(fields[1]);
  if (!mode) return "unknown mode " + quotedText(fields[1]);
  row.mode = *mode;
  const auto frequency = wholeNumber<int64_t>(fields[2]);
  if (!frequency) return "frequency_hz " + quotedText(fields[2]) + " is not a whole number of hertz";
  if (*frequency < 0) return "frequency_hz " + fields[2] + " is negative";
  row.frequency = *frequency;
  const auto raw = wholeNumber<int>(fields[3]);
  if (!raw || *raw < 0 || *raw >= fendrel::kValueCount)
    return "raw " + quotedText(fields[3]) + " is not 0..255";
  row.raw = *raw;
  const auto dBm = decimalNumber(fields[4]);
  if (!dBm) return "dbm " + quotedText(fields[4]) + " is not a number";
  if (!fendrel::isAcceptedLevel(*dBm)) return "dbm " + fields[4] + " is outside -140..0";
  row.dBm = *dBm;
  return std::nullopt;
}

// The first problems in line order, and how many there are in all: a file
// with a problem on every row holds only the few shown.
class Problems {
 public:
  // reason() is asked only for a problem that is kept.
  template <typename Reason>
  void add(std::size_t line, Reason reason) {
    ++count_;
    if (kept_.size() == kProblemsKept && line >= kept_.back().line) return;
    const auto at = std::upper_bound(kept_.begin(), kept_.end(), line,
                                     [](std::size_t l, const CsvProblem& p) { return l < p.line; });
    kept_.insert(at, CsvProblem{line, reason()});
    if (kept_.size() > kProblemsKept) kept_.pop_back();
  }

  std::size_t count() const { return count_; }
  std::vector<CsvProblem> kept() && { return std::move(kept_); }

 private:
  std::vector<CsvProblem> kept_;
  std::size_t count_ = 0;
};

// A name of at most seven bytes, none of them NUL, as one number.
uint64_t packedName(std::string_view name) {
  uint64_t packed = 0;
  for (std::size_t at = 0; at < name.size(); ++at)
    packed |= uint64_t{static_cast<unsigned char>(name[at])} << (8 * at);
  return packed;
}

std::string unpackedName(uint64_t packed) {
  std::string name;
  for (; packed != 0; packed >>= 8) name += static_cast<char>(packed & 0xFF);
  return name;
}

// PutDBMs files names that differ only in letter case under one receiver:
// A..Z become a..z, all eight bytes at once (the sort asks for it often).
uint64_t foldedName(uint64_t packed) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHighBits = 0x8080808080808080;
  const uint64_t low = packed & ~kHighBits;
  const uint64_t atLeastA = low + (0x80 - 'A') * kOnes;
  const uint64_t pastZ = low + (0x80 - 'Z' - 1) * kOnes;
  const uint64_t upper = atLeastA & ~pastZ & ~packed & kHighBits;
  return packed | (upper >> 2);
}

class ColumnCollector {
 public:
  void add(const Row& row, std::size_t line) {
    rows_.push_back({packedName(row.receiver), row.frequency, row.dBm, line, static_cast<int16_t>(row.mode),
                     static_cast<uint8_t>(row.raw)});
  }

  // Repeated raw values become problems; then, when the input has no
  // problem at all, the complete columns, and the incomplete ones become
  // problems.
  std::vector<CsvColumn> finish(Problems& problems) {
    std::sort(rows_.begin(), rows_.end(), [](const Stored& a, const Stored& b) {
      return std::make_tuple(foldedName(a.name), a.mode, a.frequency, a.raw, a.line) <
             std::make_tuple(foldedName(b.name), b.mode, b.frequency, b.raw, b.line);
    });
    reportRepeats(problems);
    if (problems.count() > 0) return {};
    std::vector<std::pair<std::size_t, CsvColumn>> columns;  // with the line each starts at
    for (auto first = rows_.begin(); first != rows_.end();) {
      const auto last =
          std::find_if(first, rows_.end(), [&](const Stored& row) { return !sameColumn(*first, row); });
      const Stored& start =
          *std::min_element(first, last, [](const Stored& a, const Stored& b) { return a.line < b.line; });
      if (last - first == fendrel::kValueCount) {
        CsvColumn column{unpackedName(start.name), start.mode, start.frequency, {}};
        for (auto row = first; row != last; ++row) column.dBms[row->raw] = row->dBm;
        columns.emplace_back(start.line, std::move(column));
      } else {
        problems.add(start.line, [&] { return lacking(start, first, last); });
      }
      first = last;
    }
    if (problems.count() > 0) return {};
    std::sort(columns.begin(), columns.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<CsvColumn> complete;
    complete.reserve(columns.size());
    for (auto& column : columns) complete.push_back(std::move(column.second));
    return complete;
  }

 private:
  // One row, held in 40 bytes.
  struct Stored {
    uint64_t name;
    int64_t frequency;
    double dBm;
    uint64_t line;
    int16_t mode;
    uint8_t raw;
  };
  using Rows = std::vector<Stored>;

  static bool sameColumn(const Stored& a, const Stored& b) {
    return foldedName(a.name) == foldedName(b.name) && a.mode == b.mode && a.frequency == b.frequency;
  }

  void reportRepeats(Problems& problems) const {
    for (auto row = rows_.begin(); row != rows_.end(); ++row) {
      auto first = row;
      while (row + 1 != rows_.end() && sameColumn(*first, row[1]) && row[1].raw == first->raw) {
        ++row;
        problems.add(row->line, [&] {
          return "raw " + std::to_string(first->raw) + " of this column repeats line " +
                 std::to_string(first->line);
        });
      }
    }
  }

  static std::string lacking(const Stored& start, Rows::const_iterator first, Rows::const_iterator last) {
    std::vector<int> missing;
    for (int raw = 0; raw < fendrel::kValueCount; ++raw) {
      if (first == last || first->raw != raw) {
        missing.push_back(raw);
      } else {
        ++first;
      }
    }
    return "the column of " + quotedText(unpackedName(start.name)) + " " + modeShortName(start.mode) + " " +
           std::to_string(start.frequency) + " Hz that starts here lacks raw " + rangesOf(missing);
  }

  Rows rows_;
};

}  // namespace

std::size_t writeCsv(const fendrel::CalTable& table, const CsvFilter& filter, std::ostream& out) {
  out << kCsvHeader << '\n';
  std::size_t rows = 0;
  for (const auto& receiver : table.Receivers) {
    const std::string name = csvField(receiver->Name);
    for (const auto& mode : receiver->Modes) {
      if (!passes(filter, *receiver, *mode)) continue;
      const std::string prefix = name + "," + modeShortName(mode->Code) + ",";
      for (const auto& point : mode->Points) {
        const std::string frequency = std::to_string(point->Frequency) + ",";
        for (int raw = 0; raw < fendrel::kValueCount; ++raw)
          out << prefix << frequency << raw << ',' << tenthsAsDbm(point->Values[raw]) << '\n';
        rows += fendrel::kValueCount;
      }
    }
  }
  return rows;
}

CsvImport readCsv(fendrel::ByteSource& source) {
  CsvImport result;
  Problems problems;
  CsvRecords records(source);
  std::vector<std::string> fields;
  std::size_t line = 1;
  std::string error;
  if (!records.next(fields, line, error) || !error.empty() || fields.size() != kFieldCount ||
      fields[0] + "," + fields[1] + "," + fields[2] + "," + fields[3] + "," + fields[4] != kCsvHeader) {
    problems.add(1, [] { return "the header must be " + std::string(kCsvHeader); });
  } else {
    ColumnCollector columns;
    bool anyRow = false;
    while (records.next(fields, line, error)) {
      if (fields.size() == 1 && fields[0].empty() && error.empty()) continue;  // a blank line
      anyRow = true;
      Row row;
      const std::optional<std::string> problem = error.empty() ? parseRow(fields, row) : error;
      if (problem) {
        problems.add(line, [&] { return *problem; });
      } else {
        columns.add(row, line);
      }
    }
    if (!anyRow) problems.add(line, [] { return std::string("there are no rows after the header"); });
    result.columns = columns.finish(problems);
  }
  result.problemCount = problems.count();
  result.problems = std::move(problems).kept();
  return result;
}

}  // namespace fendrel_tool
