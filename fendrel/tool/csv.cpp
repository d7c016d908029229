#include "csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
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
// lines end with CR LF or LF.
class CsvRecords {
 public:
  explicit CsvRecords(std::string_view text) : text_(text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text_.substr(0, kByteOrderMark.size()) == kByteOrderMark) at_ = kByteOrderMark.size();
  }

  // False at the end of the text. On a malformed record, error says why.
  bool next(std::vector<std::string>& fields, std::size_t& line, std::string& error) {
    if (at_ >= text_.size()) return false;
    fields.assign(1, std::string());
    line = line_;
    error.clear();
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == '\n' || (c == '\r' && peek(1) == '\n')) {
        at_ += c == '\r' ? 2 : 1;
        ++line_;
        return true;
      }
      if (c == ',') {
        fields.emplace_back();
        ++at_;
      } else if (c == '"' && fields.back().empty()) {
        if (!quoted(fields.back(), error)) return true;
      } else {
        fields.back() += c;
        ++at_;
      }
    }
    return true;
  }

 private:
  char peek(std::size_t ahead) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }

  bool quoted(std::string& field, std::string& error) {
    for (++at_; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (c == '"' && peek(1) == '"') {
        field += '"';
        ++at_;
      } else if (c == '"') {
        ++at_;
        const char after = peek(0);
        if (after == ',' || after == '\n' || after == '\r' || after == '\0') return true;
        error = "text after the closing quote of a field";
        skipLine();
        return false;
      } else {
        if (c == '\n') ++line_;
        field += c;
      }
    }
    error = "a quoted field is not closed";
    return false;
  }

  void skipLine() {
    const std::size_t lf = text_.find('\n', at_);
    at_ = lf == std::string_view::npos ? text_.size() : lf + 1;
    ++line_;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t line_ = 1;
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
  if (row.receiver.size() > fendrel::kMaxNameLength) return "the receiver name is longer than 51 characters";
  if (row.receiver.find('\0') != std::string::npos) return "the receiver name holds a NUL byte";
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

class ColumnCollector {
 public:
  // The reason the row does not fit, or nothing.
  std::optional<std::string> add(const Row& row, std::size_t line) {
    const Key key{folded(row.receiver), row.mode, row.frequency};
    auto [found, added] = index_.try_emplace(key, columns_.size());
    if (added) {
      columns_.push_back({CsvColumn{row.receiver, row.mode, row.frequency, {}}, line, {}});
    }
    Pending& column = columns_[found->second];
    std::size_t& seenAt = column.lineOfRaw[static_cast<std::size_t>(row.raw)];
    if (seenAt != 0)
      return "raw " + std::to_string(row.raw) + " of this column repeats line " + std::to_string(seenAt);
    seenAt = line;
    column.column.dBms[static_cast<std::size_t>(row.raw)] = row.dBm;
    return std::nullopt;
  }

  // The complete columns; the incomplete ones become problems.
  std::vector<CsvColumn> finish(std::vector<CsvProblem>& problems) {
    std::vector<CsvColumn> complete;
    for (Pending& pending : columns_) {
      std::vector<int> missing;
      for (int raw = 0; raw < fendrel::kValueCount; ++raw) {
        if (pending.lineOfRaw[static_cast<std::size_t>(raw)] == 0) missing.push_back(raw);
      }
      if (missing.empty()) {
        complete.push_back(std::move(pending.column));
      } else {
        problems.push_back({pending.firstLine, "the column of " + quotedText(pending.column.receiver) + " " +
                                                   modeShortName(pending.column.mode) + " " +
                                                   std::to_string(pending.column.frequency) +
                                                   " Hz that starts here lacks raw " + rangesOf(missing)});
      }
    }
    return complete;
  }

 private:
  // PutDBMs files names that differ only in letter case under one receiver.
  using Key = std::tuple<std::string, int32_t, int64_t>;
  static std::string folded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), fendrel::foldAsciiCase);
    return name;
  }

  struct Pending {
    CsvColumn column;
    std::size_t firstLine;
    std::array<std::size_t, fendrel::kValueCount> lineOfRaw;
  };
  std::map<Key, std::size_t> index_;
  std::vector<Pending> columns_;
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

CsvImport readCsv(std::string_view text) {
  CsvImport result;
  CsvRecords records(text);
  std::vector<std::string> fields;
  std::size_t line = 1;
  std::string error;
  if (!records.next(fields, line, error) || !error.empty() || fields.size() != kFieldCount ||
      fields[0] + "," + fields[1] + "," + fields[2] + "," + fields[3] + "," + fields[4] != kCsvHeader) {
    result.problems.push_back({1, "the header must be " + std::string(kCsvHeader)});
    return result;
  }
  ColumnCollector columns;
  bool anyRow = false;
  while (records.next(fields, line, error)) {
    if (fields.size() == 1 && fields[0].empty() && error.empty()) continue;  // a blank line
    anyRow = true;
    Row row;
    std::optional<std::string> problem = error.empty() ? parseRow(fields, row) : error;
    if (!problem) problem = columns.add(row, line);
    if (problem) result.problems.push_back({line, *problem});
  }
  if (!anyRow) result.problems.push_back({line, "there are no rows after the header"});
  // A row refused above would show again as a gap in its column.
  if (result.problems.empty()) result.columns = columns.finish(result.problems);
  std::stable_sort(result.problems.begin(), result.problems.end(),
                   [](const CsvProblem& a, const CsvProblem& b) { return a.line < b.line; });
  if (!result.problems.empty()) result.columns.clear();
  return result;
}

}  // namespace fendrel_tool
