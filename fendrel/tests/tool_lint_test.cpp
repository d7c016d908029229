// fendrel-tool lint: every finding, on small files as a hand or a foreign
// program leaves them.
#include <gtest/gtest.h>

#include <sstream>

#include "api_support.h"
#include "commands.h"
#include "lint.h"

namespace fendrel_test {
namespace {

using Found = std::vector<std::pair<std::size_t, std::string>>;

// A point line as the writer makes it, every level the same.
std::string pointLine(int64_t frequency, int32_t tenths) {
  // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict in
  // operator+ on a literal and a temporary string.
  std::string line;
  line.append(".").append(std::to_string(frequency)).append(" 0");
  for (int raw = 0; raw < 256; ++raw) line.append(" ").append(std::to_string(tenths));
  return line.append(" \r\n");
}

std::string withValue(std::string line, int raw, const std::string& token) {
  std::size_t at = line.find(' ', line.find(' ') + 1);
  for (int i = 0; i < raw; ++i) at = line.find(' ', at + 1);
  const std::size_t end = line.find(' ', at + 1);
  return line.replace(at + 1, end - at - 1, token);
}

// Values written with leading zeros, so that the line passes the 2,999
// characters of one read: 249 values fit in the first.
std::string longPointLine() {
  std::string line = ".7000000 0";
  for (int raw = 0; raw < 256; ++raw) line += " -0000000800";
  return line + " \r\n";
}

class ToolLint : public FileTest {
 protected:
  Found findingsOf(const std::string& text) {
    const fendrel_tool::LintReport report = fendrel_tool::lintCalFile(write("lint.cal", text).c_str());
    Found found;
    for (const auto& finding : report.findings) found.emplace_back(finding.line, finding.kind);
    return found;
  }

  int exitStatusOf(const std::string& file) {
    std::ostringstream out, err;
    return fendrel_tool::runTool({"lint", file}, out, err);
  }
};

TEST_F(ToolLint, ReportsEveryFindingWithItsLine) {
  const std::string receiver = "{Halv-A1 receiver}\r\n";
  const std::string am = "[AM - Amplitude Modulation]\r\n";
  const std::string good = pointLine(7000000, -800);
  struct Case {
    const char* what;
    std::string text;
    Found expected;
  };
  const Case cases[] = {
      {"falling levels", receiver + am + withValue(good, 9, "-801"), {{3, "falling-levels"}}},
      {"values out of range",
       receiver + am + withValue(withValue(good, 0, "-1401"), 255, "1"),
       {{3, "value-range"}}},
      {"frequency order", receiver + am + good + pointLine(6000000, -800), {{4, "frequency-order"}}},
      {"repeated frequency",
       receiver + am + good + pointLine(8000000, -800) + good,
       {{5, "repeated-frequency"}}},
      {"negative frequency", receiver + am + pointLine(-5, -800), {{3, "negative-frequency"}}},
      {"repeated receiver", receiver + am + good + receiver, {{4, "repeated-receiver"}}},
      {"receiver differing in case", receiver + "{HALV-A1 receiver}\r\n", {{2, "repeated-receiver"}}},
      {"repeated mode", receiver + am + good + "[am - amplitude modulation]\r\n", {{4, "repeated-mode"}}},
      {"unknown mode and its points",
       receiver + "[SSB]\r\n" + good + good + am + good,
       {{2, "unknown-mode"}, {3, "dropped-point"}, {4, "dropped-point"}}},
      {"points before a mode", receiver + good + am, {{2, "dropped-point"}}},
      {"points before a receiver", good + receiver, {{1, "dropped-point"}}},
      {"short receiver name", "{Hv}\r\n", {{1, "receiver-name"}}},
      {"long receiver name", "{Halv-A12}\r\n", {{1, "receiver-name"}}},
      {"receiver name of the file form", "{Halv-A1 receiver}\r\n{Halv-A1}\r\n", {{2, "repeated-receiver"}}},
      {"ignored lines",
       "# made by hand\r\n" + receiver + "\r\n[]\r\n" + am + "ok",
       {{1, "ignored-line"}, {3, "ignored-line"}, {4, "unknown-mode"}, {6, "ignored-line"}}},
      {"mode before a receiver", am + receiver, {{1, "ignored-line"}}},
      {"split line", receiver + am + longPointLine(), {{3, "point-form"}, {3, "split-line"}}},
      {"line of exactly 2,999 characters",
       receiver + "#" + std::string(2998, 'x') + "\r\n",
       {{2, "ignored-line"}}},
      {"NUL byte",
       receiver + am + std::string("\x00rest\r\n", 7) + good,
       {{3, "nul-byte"}, {3, "ignored-line"}}},
      {"short point line", receiver + am + ".7000000 0 -800 -800 \r\n", {{3, "point-form"}}},
      {"value not a number",
       receiver + am + withValue(good, 4, "-8OO"),
       {{3, "point-form"}, {3, "falling-levels"}}},
      {"frequency not a number", receiver + am + ".7MHz" + good.substr(good.find(' ')), {{3, "point-form"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(findingsOf(c.text), c.expected) << c.what;
}

TEST_F(ToolLint, NamesAlikeInTheirFirstSevenCharactersAreOneReceiver) {
  const fendrel_tool::LintReport report = fendrel_tool::lintCalFile(
      write("lint.cal", "{Halv-A1-left receiver}\r\n{Halv-A1-right receiver}\r\n").c_str());
  ASSERT_EQ(report.findings.size(), 3u);
  EXPECT_EQ(report.findings[2].line, 2u);
  EXPECT_EQ(report.findings[2].kind, "repeated-receiver");
  EXPECT_EQ(report.findings[2].message,
            "receiver 'Halv-A1-right' and 'Halv-A1-left' of line 1 are both 'Halv-A1': a CAL file keeps 7 "
            "characters of a name, and look-ups find only the first");
}

TEST_F(ToolLint, ExitsZeroWhenCleanOneOnWarningsTwoWhenUnreadable) {
  const int32_t cal = LoadCALFile(nullptr);
  Column levels;
  for (int raw = 0; raw < 256; ++raw) levels[static_cast<std::size_t>(raw)] = -120.0 + raw * 0.4;
  ASSERT_EQ(PutDBMs(cal, "Halv-A1", 200, 7000000, levels.data()), CAL_OK);
  ASSERT_EQ(PutDBMs(cal, "Halv-A1", CAL_MODE_DEFAULT, 7000000, levels.data()), CAL_OK);
  ASSERT_EQ(SaveCALFile(cal, path("clean.cal").c_str()), CAL_OK);
  EXPECT_EQ(exitStatusOf(path("clean.cal")), 0);
  EXPECT_EQ(exitStatusOf(write("warn.cal", contents("clean.cal") + "\r\n")), 1);
  EXPECT_EQ(exitStatusOf(write("none.cal", "[AM]\r\n")), 2);
  EXPECT_EQ(exitStatusOf(path("missing.cal")), 2);
}

}  // namespace
}  // namespace fendrel_test
