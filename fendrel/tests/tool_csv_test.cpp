// fendrel-tool export and import, driven as a user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "api_support.h"
#include "commands.h"

namespace fendrel_test {
namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun tool(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = fendrel_tool::runTool(args, out, err);
  return {status, out.str(), err.str()};
}

class ToolCsv : public FileTest {
 protected:
  // Three receivers, the DEFAULT section, a numbered mode, levels over the
  // whole range with halves of a tenth, points put in descending order.
  std::string sampleTable() {
    const int32_t cal = LoadCALFile(nullptr);
    for (const char* name : {"Halv-A1", "Orv,\"Q\"", "Halv-B2"}) {
      for (const int32_t mode : {CAL_MODE_USB, CAL_MODE_DEFAULT, 200}) {
        for (const int64_t frequency : {30000000, 14200000, 0}) {
          Column levels;
          for (int raw = 0; raw < 256; ++raw)
            levels[static_cast<std::size_t>(raw)] =
                -140.0 + raw * 0.5 + static_cast<double>(frequency % 7) * 0.05;
          EXPECT_EQ(PutDBMs(cal, name, mode, frequency, levels.data()), CAL_OK);
        }
      }
    }
    EXPECT_EQ(SaveCALFile(cal, path("table.cal").c_str()), CAL_OK);
    return path("table.cal");
  }
};

TEST_F(ToolCsv, ExportThenImportInAnyRowOrderGivesTheSameFileByteForByte) {
  const ToolRun exported = tool({"export", sampleTable()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  std::istringstream lines(exported.out);
  std::string header;
  std::getline(lines, header);
  EXPECT_EQ(header, "receiver,mode,frequency_hz,raw,dbm");
  std::vector<std::string> rows;
  for (std::string row; std::getline(lines, row);) rows.push_back(row);
  ASSERT_EQ(rows.size(), 3u * 3 * 3 * 256);
  EXPECT_EQ(rows[0], "Halv-A1,USB,0,0,-140.0");
  EXPECT_EQ(rows[256 * 3], "Halv-A1,DEFAULT,0,0,-140.0");
  EXPECT_EQ(rows[256 * 8 + 255], "Halv-A1,200,30000000,255,-12.4");
  EXPECT_EQ(rows[256 * 9], "\"Orv,\"\"Q\"\"\",USB,0,0,-140.0");

  // Receivers and modes come in the order of their first rows; within a
  // mode, frequencies and raw values may come in any order.
  std::mt19937 random(7);
  for (auto mode = rows.begin(); mode != rows.end(); mode += 3 * 256)
    std::shuffle(mode, mode + 3 * 256, random);
  std::string shuffled = header + "\r\n";
  for (const std::string& row : rows) shuffled += row + "\r\n";
  const ToolRun imported = tool({"import", write("shuffled.csv", shuffled), path("again.cal")});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(contents("again.cal"), contents("table.cal"));
}

TEST_F(ToolCsv, ExportFiltersAndImportIntoAnExistingTableReplacesColumns) {
  const std::string table = sampleTable();
  const ToolRun one = tool({"export", table, "--receiver", "Halv-B2", "--mode", "usb"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 1 + 3 * 256);
  EXPECT_NE(one.out.find("\nHalv-B2,USB,0,128,-76.0\n"), std::string::npos);
  EXPECT_EQ(tool({"export", table, "--receiver", "halv-b2"}).status, 1);
  EXPECT_EQ(tool({"export", table, "--mode", "SSB"}).status, 2);

  std::string csv = "receiver,mode,frequency_hz,raw,dbm\n";
  for (int raw = 0; raw < 256; ++raw) csv += "HALV-B2,USB,14200000," + std::to_string(raw) + ",-73.05\n";
  ASSERT_EQ(tool({"import", write("column.csv", csv), path("merged.cal"), "--into", table}).status, 0);

  const int32_t expected = LoadCALFile(table.c_str());
  const Column level = columnOf(-73.05);
  ASSERT_EQ(PutDBMs(expected, "HALV-B2", CAL_MODE_USB, 14200000, level.data()), CAL_OK);
  ASSERT_EQ(SaveCALFile(expected, path("expected.cal").c_str()), CAL_OK);
  EXPECT_EQ(contents("merged.cal"), contents("expected.cal"));
  EXPECT_NE(contents("merged.cal").find("\r\n.14200000 0 -731 -731 "), std::string::npos);
}

TEST_F(ToolCsv, ImportRefusesBadInputWithTheLineAndWritesNothing) {
  const std::string header = "receiver,mode,frequency_hz,raw,dbm\n";
  std::string column;  // lines 2..257
  for (int raw = 0; raw < 256; ++raw) column += "Halv-A1,AM,7000000," + std::to_string(raw) + ",-80.0\n";
  const auto replaced = [&](int raw, const std::string& row) {
    const std::string old = "Halv-A1,AM,7000000," + std::to_string(raw) + ",-80.0\n";
    std::string text = header + column;
    return text.replace(text.find(old), old.size(), row + "\n");
  };
  struct Case {
    std::string csv;
    std::string expected;  // in the error output
  };
  const Case cases[] = {
      {"receiver;mode;frequency_hz;raw;dbm\n" + column,
       ":1: the header must be receiver,mode,frequency_hz,raw,dbm"},
      {"receiver,mode,frequency,raw,dbm\n" + column, ":1: the header must be"},
      {header, ":1: there are no rows after the header"},
      {replaced(7, ""), ":2: the column of 'Halv-A1' AM 7000000 Hz that starts here lacks raw 7"},
      {header + column.substr(0, column.rfind("Halv-A1,AM,7000000,250")),
       ":2: the column of 'Halv-A1' AM 7000000 Hz that starts here lacks raw 250..255"},
      {replaced(9, "Halv-A1,AM,7000000,8,-80.0"), ":11: raw 8 of this column repeats line 10"},
      {replaced(9, "HALV-A1,AM,7000000,8,-80.0"), ":11: raw 8 of this column repeats line 10"},
      {replaced(3, "Halv-A1,AM,7000000,3,-140.1"), ":5: dbm -140.1 is outside -140..0"},
      {replaced(3, "Halv-A1,AM,7000000,3,0.1"), ":5: dbm 0.1 is outside -140..0"},
      {replaced(3, "Halv-A1,AM,7000000,3,-80,5"), ":5: expected 5 fields"},
      {replaced(3, "Halv-A1,AM,7000000,3,minus 80"), ":5: dbm 'minus 80' is not a number"},
      {replaced(3, "Halv-A1,AM,7000000,3,nan"), ":5: dbm 'nan' is not a number"},
      {replaced(3, "Halv-A1,AM,7e6,3,-80.0"), ":5: frequency_hz '7e6' is not a whole number of hertz"},
      {replaced(3, "Halv-A1,AM,-7000000,3,-80.0"), ":5: frequency_hz -7000000 is negative"},
      {replaced(3, "Halv-A1,AM,7000000,256,-80.0"), ":5: raw '256' is not 0..255"},
      {replaced(3, "Halv-A1,SSB,7000000,3,-80.0"), ":5: unknown mode 'SSB'"},
      {replaced(3, ",AM,7000000,3,-80.0"), ":5: the receiver name is empty"},
      {replaced(3, "Halv-A1-left,AM,7000000,3,-80.0"),
       ":5: the receiver name 'Halv-A1-left' has 12 characters: a CAL file keeps 7, so it would read back as "
       "'Halv-A1'"},
      {replaced(3, "\"Halv-A1\"x,AM,7000000,3,-80.0"), ":5: text after the closing quote"},
      {replaced(255, "\"Halv-A1,AM,7000000,255,-80.0"), ":257: a quoted field is not closed"},
  };
  const std::string existing = sampleTable();
  const std::string before = contents("table.cal");
  for (const Case& c : cases) {
    const ToolRun run = tool({"import", write("bad.csv", c.csv), path("out.cal")});
    EXPECT_EQ(run.status, 1) << c.expected;
    EXPECT_NE(run.err.find(path("bad.csv") + c.expected), std::string::npos) << c.expected << "\n" << run.err;
    EXPECT_NE(run.err.find("refused, nothing written"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path("out.cal"))) << c.expected;
    EXPECT_EQ(tool({"import", path("bad.csv"), existing, "--into", existing}).status, 1);
    EXPECT_EQ(contents("table.cal"), before) << c.expected;
  }
}

}  // namespace
}  // namespace fendrel_test
