#include "lint.h"

#include <charconv>
#include <map>
#include <optional>
#include <string_view>

#include "arguments.h"
#include "cal_file.h"
#include "cal_reader.h"
#include "cal_writer.h"

namespace fendrel_tool {
namespace {

using fendrel::ReadEvent;
using Kind = fendrel::ReadEvent::Kind;

constexpr int32_t kLowestTenths = -1400;
constexpr int32_t kHighestTenths = 0;
constexpr std::size_t kTokensPerPoint = 2 + fendrel::kValueCount;

// Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict in
// operator+ on a literal and a temporary string.
std::string quoted(std::string_view text) {
  std::string result;
  result.append("'").append(text).append("'");
  return result;
}
std::string number(auto value) { return std::to_string(value); }
std::string countOf(std::size_t count, const std::string& noun) {
  return number(count) + " " + noun + (count == 1 ? "" : "s");
}

class StringSink : public fendrel::ByteSink {
 public:
  void write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

// What a load gives back for a receiver of that name after a save, through
// the library's own writer and reader.
std::string nameAfterSave(const char* name) {
  fendrel::CalTable table;
  table.Receivers.push_back(std::make_unique<fendrel::CalReceiver>(name));
  StringSink sink;
  fendrel::writeCalTable(table, sink);
  fendrel::MemorySource source(sink.text);
  return fendrel::readCalTable(source)->Receivers.front()->Name;
}

std::vector<std::string_view> tokensOf(std::string_view pointLine) {
  std::vector<std::string_view> tokens;
  std::size_t at = 1;
  while (at < pointLine.size()) {
    const std::size_t start = pointLine.find_first_not_of(' ', at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(pointLine.find(' ', start), pointLine.size());
    tokens.push_back(pointLine.substr(start, end - start));
    at = end;
  }
  return tokens;
}

template <typename Number>
bool isPlainDecimal(std::string_view token) {
  Number value{};
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  return error == std::errc() && end == token.data() + token.size();
}

class Linter : public fendrel::ReadObserver {
 public:
  void onRead(const fendrel::TextLine& line, const ReadEvent& event) override {
    line_ = line.number;
    if (line.cutAtNul)
      add("nul-byte", "NUL byte at character " + number(line.text.size() + 1) +
                          ": the reader ignores the rest of the line");
    if (line.continuesLine && !line.text.empty() && splitReported_ != line_) {
      splitReported_ = line_;
      add("split-line",
          "longer than 2,999 characters: the reader cuts the line there and reads the rest as a line of its "
          "own");
    }
    if (line.continuesLine && (event.kind == Kind::TooShort || event.kind == Kind::OtherLine)) return;
    handle(line, event);
  }

  std::vector<LintFinding> findings;

 private:
  struct Seen {
    std::string name;     // as the reader took it
    std::string written;  // as the header wrote it, without " receiver"
    std::size_t line;
  };

  void add(std::string kind, std::string message) {
    findings.push_back({line_, std::move(kind), std::move(message)});
  }

  void handle(const fendrel::TextLine& line, const ReadEvent& event) {
    switch (event.kind) {
      case Kind::TooShort:
        return add("ignored-line", line.text.empty() && line.hasBreak ? "blank line: ignored"
                                                                      : "fewer than 3 characters: ignored");
      case Kind::OtherLine:
        return add("ignored-line", "neither a receiver header, a mode header nor a point line: ignored");
      case Kind::ModeBeforeReceiver:
        return add("ignored-line", "mode header before the first receiver header: ignored");
      case Kind::Receiver:
        return receiver(line.text, *event.receiver);
      case Kind::Mode:
        return mode(*event.mode);
      case Kind::UnknownMode:
        unknownModeLine_ = line_;
        return add("unknown-mode", "unknown mode header [" + std::string(event.modeName) +
                                       "]: the section is dropped with its point lines");
      case Kind::Point:
        return point(line.text, *event.point);
      case Kind::PointBeforeReceiver:
        return add("dropped-point", "point line before the first receiver header: dropped");
      case Kind::PointBeforeMode:
        return add("dropped-point", "point line before the first mode header of receiver " +
                                        quoted(event.receiver->Name) + ": dropped");
      case Kind::PointInUnknownMode:
        return add("dropped-point", "point line under the unknown mode header of line " +
                                        number(unknownModeLine_) + ": dropped");
    }
  }

  void receiver(std::string_view header, const fendrel::CalReceiver& record) {
    const std::string name = record.Name;
    const std::string_view written = header.substr(1, header.find('}') - 1);
    if (written != name && written != name + " receiver")
      add("receiver-name",
          "the header names " + quoted(written) + ", which the reader takes as " + quoted(name));
    const std::string afterSave = nameAfterSave(record.Name);
    if (afterSave != name)
      add("receiver-name", "receiver name " + quoted(name) + " has " + number(name.size()) +
                               " characters, not 7 without a line break: after a save it reads back as " +
                               quoted(afterSave));
    std::string_view writtenName = written;
    if (writtenName.ends_with(" receiver")) writtenName.remove_suffix(std::string_view(" receiver").size());
    for (const Seen& earlier : receivers_) {
      if (earlier.name == name &&
          (writtenName.size() > name.size() || earlier.written.size() > name.size())) {
        add("repeated-receiver", "receiver " + quoted(writtenName) + " and " + quoted(earlier.written) +
                                     " of line " + number(earlier.line) + " are both " + quoted(name) +
                                     ": a CAL file keeps 7 characters of a name, and look-ups find only the "
                                     "first");
        break;
      }
      if (earlier.name == name) {
        add("repeated-receiver", "receiver " + quoted(name) + " repeats line " + number(earlier.line) +
                                     ": look-ups find only the first");
        break;
      }
      if (fendrel::equalsIgnoringAsciiCase(earlier.name, name)) {
        add("repeated-receiver", "receiver " + quoted(name) + " differs from " + quoted(earlier.name) +
                                     " of line " + number(earlier.line) +
                                     " only in letter case: the calibrator's edits go to the first");
        break;
      }
    }
    receivers_.push_back({name, std::string(writtenName), line_});
    modes_.clear();
  }

  void mode(const fendrel::CalMode& record) {
    const auto [earlier, added] = modes_.try_emplace(record.Code, line_);
    if (!added)
      add("repeated-mode", "mode " + modeShortName(record.Code) + " repeats line " + number(earlier->second) +
                               " of this receiver: look-ups find only the first");
    frequencies_.clear();
    lastFrequency_.reset();
  }

  void point(std::string_view text, const fendrel::CalPoint& record) {
    pointForm(text, record);
    frequencyOrder(record.Frequency);
    valueRange(record);
    fallingLevels(record);
  }

  void pointForm(std::string_view text, const fendrel::CalPoint& record) {
    const auto tokens = tokensOf(text);
    if (tokens.size() < kTokensPerPoint)
      add("point-form", "point line has " + countOf(tokens.size() < 2 ? 0 : tokens.size() - 2, "value") +
                            ", not 256: the missing ones read as 0");
    if (tokens.size() > kTokensPerPoint)
      add("point-form",
          "point line has " + number(tokens.size() - 2) + " values, not 256: the rest are ignored");
    if (!tokens.empty() && !isPlainDecimal<int64_t>(tokens[0]))
      add("point-form",
          "frequency " + quoted(tokens[0]) + " is not a decimal number: read as " + number(record.Frequency));
    for (std::size_t at = 2; at < std::min(tokens.size(), kTokensPerPoint); ++at) {
      if (isPlainDecimal<int32_t>(tokens[at])) continue;
      const std::size_t raw = at - 2;
      add("point-form", "value " + quoted(tokens[at]) + " for raw " + number(raw) +
                            " is not a 32-bit decimal number: read as " + number(record.Values[raw]));
    }
  }

  void frequencyOrder(int64_t frequency) {
    if (frequency < 0) add("negative-frequency", "frequency " + number(frequency) + " Hz is negative");
    const auto [earlier, added] = frequencies_.try_emplace(frequency, line_);
    if (!added) {
      add("repeated-frequency", "frequency " + number(frequency) + " Hz repeats line " +
                                    number(earlier->second) + ": conversions use only one of them");
    } else if (lastFrequency_ && frequency < lastFrequency_->first) {
      add("frequency-order", "frequency " + number(frequency) + " Hz comes after " +
                                 number(lastFrequency_->first) + " Hz of line " +
                                 number(lastFrequency_->second) + ": conversions need ascending frequencies");
    }
    lastFrequency_ = {frequency, line_};
  }

  void valueRange(const fendrel::CalPoint& record) {
    int outside = 0;
    int first = -1;
    for (int raw = 0; raw < fendrel::kValueCount; ++raw) {
      if (record.Values[raw] >= kLowestTenths && record.Values[raw] <= kHighestTenths) continue;
      if (first < 0) first = raw;
      ++outside;
    }
    if (outside > 0)
      add("value-range", countOf(static_cast<std::size_t>(outside), "value") +
                             " outside -1400..0 tenths, the first at raw " + number(first) + " (" +
                             number(record.Values[first]) + "): conversions clamp them to -140..0 dBm");
  }

  void fallingLevels(const fendrel::CalPoint& record) {
    int falls = 0;
    int first = 0;
    for (int raw = 1; raw < fendrel::kValueCount; ++raw) {
      if (record.Values[raw] >= record.Values[raw - 1]) continue;
      if (falls++ == 0) first = raw;
    }
    if (falls > 0)
      add("falling-levels", "levels fall as the raw value rises at " +
                                countOf(static_cast<std::size_t>(falls), "place") + ", first raw " +
                                number(first) + " (" + number(record.Values[first]) + ") after raw " +
                                number(first - 1) + " (" + number(record.Values[first - 1]) + ")");
  }

  std::size_t line_ = 0;
  std::size_t splitReported_ = 0;
  std::size_t unknownModeLine_ = 0;
  std::vector<Seen> receivers_;
  std::map<int32_t, std::size_t> modes_;
  std::map<int64_t, std::size_t> frequencies_;
  std::optional<std::pair<int64_t, std::size_t>> lastFrequency_;
};

}  // namespace

LintReport lintCalFile(const char* path) {
  Linter linter;
  const fendrel::LoadResult loaded = fendrel::loadCalFile(path, &linter);
  LintReport report;
  report.findings = std::move(linter.findings);
  switch (loaded.status) {
    case fendrel::LoadStatus::Loaded:
      report.status = report.findings.empty() ? LintReport::Status::Clean : LintReport::Status::Warnings;
      return report;
    case fendrel::LoadStatus::CannotOpen:
      report.error = "cannot open the file for reading";
      break;
    case fendrel::LoadStatus::NoReceiver:
      report.error = "no receiver header: the library refuses the file";
      break;
    case fendrel::LoadStatus::ReadFailed:
      report.error = "the file could not be read to its end";
      break;
  }
  report.status = LintReport::Status::Unreadable;
  return report;
}

}  // namespace fendrel_tool
