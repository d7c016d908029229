#pragma once
// Calibration tables as CSV, one row per level:
//   receiver,mode,frequency_hz,raw,dbm
// for spreadsheets and scripts.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cal_reader.h"
#include "model.h"

namespace fendrel_tool {

inline constexpr std::string_view kCsvHeader = "receiver,mode,frequency_hz,raw,dbm";

struct CsvFilter {
  std::optional<std::string> receiver;  // byte for byte, as the library looks names up
  std::optional<int32_t> mode;
};

// Every level of the table that passes the filter, in table order, dBm with
// one decimal exactly as stored. Returns the number of rows written.
std::size_t writeCsv(const fendrel::CalTable& table, const CsvFilter& filter, std::ostream& out);

// One complete column of 256 levels, ready for PutDBMs.
struct CsvColumn {
  std::string receiver;
  int32_t mode = 0;
  int64_t frequency = 0;
  std::array<double, fendrel::kValueCount> dBms{};
};

struct CsvProblem {
  std::size_t line;
  std::string reason;
};

// The problems shown of a refused input.
inline constexpr std::size_t kProblemsKept = 20;

// A receiver name keeps this many characters in a CAL file.
inline constexpr std::size_t kCalNameLength = 7;

// A record longer than this is refused without being held whole.
inline constexpr std::size_t kLongestRecord = 1000;

struct CsvImport {
  std::vector<CsvColumn> columns;    // in the order each first appears
  std::vector<CsvProblem> problems;  // the first kProblemsKept, in line order
  std::size_t problemCount = 0;      // any problem refuses the whole input
};

// Rows may come in any order; every column must be complete. Memory follows
// the rows, a few dozen bytes each, whatever the columns they start. Throws
// what source throws.
CsvImport readCsv(fendrel::ByteSource& source);

}  // namespace fendrel_tool
