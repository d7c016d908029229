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

struct CsvImport {
  std::vector<CsvColumn> columns;    // in the order each first appears
  std::vector<CsvProblem> problems;  // in line order; any problem refuses the whole input
};

// Rows may come in any order; every column must be complete.
CsvImport readCsv(std::string_view text);

}  // namespace fendrel_tool
