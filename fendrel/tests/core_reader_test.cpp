#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "cal_reader.h"
#include "cal_writer.h"

namespace fendrel {
namespace {

using ::testing::ElementsAre;

// Hands out at most a few bytes per read, to move every boundary around.
class TricklingSource : public ByteSource {
 public:
  TricklingSource(std::string_view bytes, std::size_t step) : bytes_(bytes), step_(step) {}
  std::size_t read(char* dest, std::size_t capacity) override {
    const std::size_t count = std::min({capacity, step_, bytes_.size()});
    std::copy_n(bytes_.data(), count, dest);
    bytes_.remove_prefix(count);
    return count;
  }

 private:
  std::string_view bytes_;
  std::size_t step_;
};

struct Read {
  std::string text;
  bool hasBreak;
  bool operator==(const Read&) const = default;
};

std::vector<Read> readsOf(std::string_view bytes, std::size_t step = 1 << 20) {
  TricklingSource source(bytes, step);
  TextLineReader reader(source);
  std::vector<Read> reads;
  TextLine line;
  while (reader.next(line)) reads.push_back({std::string(line.text), line.hasBreak});
  return reads;
}

std::unique_ptr<CalTable> tableOf(std::string_view text) {
  MemorySource source(text);
  return readCalTable(source);
}

std::string textOf(const CalTable& table) {
  struct StringSink : ByteSink {
    std::string bytes;
    void write(std::string_view more) override { bytes += more; }
  } sink;
  writeCalTable(table, sink);
  return sink.bytes;
}

TEST(TextLineReader, SplitsAtLfAndTakesCrLfAsOneBreak) {
  EXPECT_THAT(readsOf("ab\r\ncd\nef"), ElementsAre(Read{"ab", true}, Read{"cd", true}, Read{"ef", false}));
}

TEST(TextLineReader, KeepsACrThatIsNotPartOfALineBreak) {
  EXPECT_THAT(readsOf("a\rb\r\r\n\r"), ElementsAre(Read{"a\rb\r", true}, Read{"\r", false}));
}

TEST(TextLineReader, CutsLongLinesIntoReadsOf2999Characters) {
  const std::string longLine(2999 * 2 + 5, 'x');
  EXPECT_THAT(readsOf(longLine + "\n"),
              ElementsAre(Read{std::string(2999, 'x'), false}, Read{std::string(2999, 'x'), false},
                          Read{"xxxxx", true}));
}

TEST(TextLineReader, CountsCrLfAsOneCharacterAtTheLimit) {
  const std::string fits(2998, 'x');
  EXPECT_THAT(readsOf(fits + "\r\nz"), ElementsAre(Read{fits, true}, Read{"z", false}));
  const std::string full(2999, 'x');
  EXPECT_THAT(readsOf(full + "\r\nz"), ElementsAre(Read{full, false}, Read{"", true}, Read{"z", false}));
}

TEST(TextLineReader, EndsALineAtANulByte) {
  EXPECT_THAT(readsOf(std::string("ab\0cd\nef", 8)), ElementsAre(Read{"ab", false}, Read{"ef", false}));
}

TEST(TextLineReader, GivesTheSameReadsWhateverTheSourceHandsOut) {
  std::string text;
  for (int i = 0; i < 40; ++i)
    text += std::string(static_cast<std::size_t>(i * 157 % 3100), 'a' + i % 26) + (i % 3 ? "\r\n" : "\n");
  const auto whole = readsOf(text);
  for (const std::size_t step : {1u, 2u, 3u, 7u, 2999u, 3000u, 3001u}) {
    EXPECT_EQ(readsOf(text, step), whole) << "step " << step;
  }
}

uint64_t firstNumber(std::string_view line) { return NumberReader(line).next(); }

TEST(NumberReader, ReadsTokensSeparatedBySpaces) {
  NumberReader numbers(".14200000  0 -730 5 ");
  EXPECT_EQ(numbers.next(), 14200000u);
  EXPECT_EQ(numbers.next(), 0u);
  EXPECT_EQ(static_cast<int32_t>(numbers.next()), -730);
  EXPECT_EQ(numbers.next(), 5u);
  EXPECT_EQ(numbers.next(), 0u);
  EXPECT_TRUE(numbers.atEnd());
}

TEST(NumberReader, StopsAtAMinusAndIgnoresWhatPrecedesIt) {
  EXPECT_EQ(static_cast<int64_t>(firstNumber(".12-34")), -34);
  EXPECT_EQ(static_cast<int64_t>(firstNumber(".--5")), -5);
}

TEST(NumberReader, TakesAnyCharacterAsADigit) {
  EXPECT_EQ(firstNumber(".5x"), static_cast<uint64_t>(('x' - '0') + 5 * 10));
  // Bytes above 0x7F count as negative characters.
  EXPECT_EQ(static_cast<int64_t>(firstNumber(".\xff")), -1 - '0');
}

TEST(NumberReader, WrapsInUnsignedArithmetic) {
  EXPECT_EQ(static_cast<int32_t>(static_cast<uint32_t>(firstNumber(".4294967297"))), 1);
  EXPECT_EQ(static_cast<int32_t>(static_cast<uint32_t>(firstNumber(".2147483648"))), INT32_MIN);
  EXPECT_EQ(static_cast<int64_t>(firstNumber(".-9223372036854775808")), INT64_MIN);
  EXPECT_EQ(firstNumber(".18446744073709551617"), 1u);
  const std::string manyDigits = std::string(".").append(400, '9');
  EXPECT_NO_FATAL_FAILURE(firstNumber(manyDigits));
}

constexpr std::string_view kHeader = "{VK-2000 receiver}\r\n[AM - Amplitude Modulation]\r\n";

TEST(ReadCalTable, TakesTheNameUpToTheBraceCutToSevenCharacters) {
  auto table = tableOf("{VK-2000 receiver}\n{AB receiver}\n{}\n{LONGERNAME}\n{AB\n");
  ASSERT_TRUE(table);
  std::vector<std::string> names;
  for (const auto& receiver : table->Receivers) names.emplace_back(receiver->Name);
  EXPECT_THAT(names, ElementsAre("VK-2000", "AB rece", "", "LONGERN", "AB\n"));
}

TEST(ReadCalTable, IgnoresShortReadsAndLinesBeforeTheFirstReceiver) {
  EXPECT_EQ(tableOf("[AM - Amplitude Modulation]\n.100 0 1 \n{}"), nullptr);
  EXPECT_EQ(tableOf(""), nullptr);
  auto table = tableOf("[DEFAULT]\n{}\n");
  ASSERT_TRUE(table);
  EXPECT_EQ(table->Receivers.size(), 1u);
  EXPECT_TRUE(table->Receivers[0]->Modes.empty());
}

TEST(ReadCalTable, MatchesModeNamesIgnoringCase) {
  auto table = tableOf(
      "{VK-2000 receiver}\n[default]\n[fm6 - frequency modulation (6khz bw)]\n[CW - Continuous Wave\n");
  ASSERT_TRUE(table);
  const auto& modes = table->Receivers[0]->Modes;
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes[0]->Code, -1);
  EXPECT_EQ(modes[1]->Code, 7);
}

TEST(ReadCalTable, DropsTheSectionOfAnUnknownMode) {
  auto table =
      tableOf(std::string(kHeader) + ".100 0 1 \n[SSB]\n.200 0 2 \n[LSB - Lower Side Band]\n.300 0 3 \n");
  const auto& modes = table->Receivers[0]->Modes;
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes[0]->Points.size(), 1u);
  ASSERT_EQ(modes[1]->Points.size(), 1u);
  EXPECT_EQ(modes[1]->Points[0]->Frequency, 300);
}

TEST(ReadCalTable, DropsPointsBetweenAReceiverHeaderAndItsFirstMode) {
  auto table = tableOf(std::string(kHeader) + ".100 0 1 \n{VK-3000 receiver}\n.200 0 2 \n");
  ASSERT_EQ(table->Receivers.size(), 2u);
  EXPECT_EQ(table->Receivers[0]->Modes[0]->Points.size(), 1u);
  EXPECT_TRUE(table->Receivers[1]->Modes.empty());
}

TEST(ReadCalTable, ReadsNumberedModesOnlyInTheirOneSpelling) {
  auto table = tableOf(
      "{VK-2000 receiver}\n[MODE 200]\n[mode 8]\n[MODE 255]\n[MODE 7]\n[MODE 08]\n[MODE 256]\n[MODE 9 ]\n");
  std::vector<int> codes;
  for (const auto& mode : table->Receivers[0]->Modes) codes.push_back(mode->Code);
  EXPECT_THAT(codes, ElementsAre(200, 8, 255));
}

TEST(ReadCalTable, KeepsPointsInFileOrderWithDuplicates) {
  auto table = tableOf(std::string(kHeader) + ".300 0 1 \n.100 0 2 \n.300 0 3 \n");
  std::vector<int64_t> frequencies;
  for (const auto& point : table->Receivers[0]->Modes[0]->Points) frequencies.push_back(point->Frequency);
  EXPECT_THAT(frequencies, ElementsAre(300, 100, 300));
}

TEST(ReadCalTable, FillsMissingValuesWithZeroAndReadsAValueTouchingTheBreak) {
  auto table = tableOf(std::string(kHeader) + ".100 0 -5 -6\r\n.200 9 1 2 3");
  const auto& points = table->Receivers[0]->Modes[0]->Points;
  ASSERT_EQ(points.size(), 2u);
  EXPECT_THAT(std::vector<int32_t>(points[0]->Values, points[0]->Values + 3), ElementsAre(-5, -6, 0));
  EXPECT_EQ(points[0]->Values[255], 0);
  EXPECT_THAT(std::vector<int32_t>(points[1]->Values, points[1]->Values + 4), ElementsAre(1, 2, 3, 0));
}

TEST(ReadCalTable, IgnoresValuesBeyondThe256th) {
  std::string line = ".100 0";
  for (int i = 0; i < 300; ++i) line.append(" ").append(std::to_string(i));
  auto table = tableOf(std::string(kHeader) + line + " \n");
  const CalPoint& point = *table->Receivers[0]->Modes[0]->Points[0];
  EXPECT_EQ(point.Values[0], 0);
  EXPECT_EQ(point.Values[255], 255);
}

TEST(ReadCalTable, HandlesEachPartOfAnOverlongLineAsALine) {
  // The second part of the long line starts with "." and so adds a point.
  const std::string part = ".100 0" + std::string(2999 - 6, ' ');
  auto table = tableOf(std::string(kHeader) + part + ".7 0 4 \n");
  const auto& points = table->Receivers[0]->Modes[0]->Points;
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[1]->Frequency, 7);
  EXPECT_EQ(points[1]->Values[0], 4);
}

TEST(ReadCalTable, ReadsTheSameWhateverTheSourceHandsOut) {
  std::string text(kHeader);
  for (int i = 0; i < 20; ++i) {
    text.append(".").append(std::to_string(i * 1000)).append(" 0");
    for (int v = 0; v < 256; ++v) text.append(" ").append(std::to_string(-v * i));
    text += i % 2 ? " \r\n" : " \n";
  }
  const std::string whole = textOf(*tableOf(text));
  for (const std::size_t step : {1u, 13u, 2999u, 3000u}) {
    TricklingSource source(text, step);
    EXPECT_EQ(textOf(*readCalTable(source)), whole) << "step " << step;
  }
}

}  // namespace
}  // namespace fendrel
