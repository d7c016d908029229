#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

#include "cal_reader.h"
#include "cal_writer.h"

namespace fendrel {
namespace {

std::string textOf(const CalTable& table) {
  struct StringSink : ByteSink {
    std::string bytes;
    void write(std::string_view more) override { bytes += more; }
  } sink;
  writeCalTable(table, sink);
  return sink.bytes;
}

std::unique_ptr<CalTable> tableOf(std::string_view text) {
  MemorySource source(text);
  return readCalTable(source);
}

CalMode& addMode(CalReceiver& receiver, int16_t code) {
  receiver.Modes.push_back(std::make_unique<CalMode>(code));
  return *receiver.Modes.back();
}

CalReceiver& addReceiver(CalTable& table, std::string_view name) {
  table.Receivers.push_back(std::make_unique<CalReceiver>(name));
  return *table.Receivers.back();
}

CalPoint& addPoint(CalMode& mode, int64_t frequency) {
  mode.Points.push_back(std::make_unique<CalPoint>());
  mode.Points.back()->Frequency = frequency;
  return *mode.Points.back();
}

std::string pointLine(const std::string& frequency, const std::string& firstValue,
                      const std::string& lastValue) {
  std::string line = ".";
  line.append(frequency).append(" 0 ").append(firstValue);
  for (int i = 1; i < 255; ++i) line += " 0";
  return line + " " + lastValue + " \r\n";
}

TEST(WriteCalTable, WritesEveryRecordInListOrderWithCrLf) {
  CalTable table;
  CalReceiver& first = addReceiver(table, "VK-2000");
  CalMode& am = addMode(first, 1);
  addPoint(am, 10000000).Values[0] = -800;
  addPoint(am, 20000000).Values[255] = -700;
  addMode(first, -1);
  addReceiver(table, "VK-3000");
  EXPECT_EQ(textOf(table), "{VK-2000 receiver}\r\n[AM - Amplitude Modulation]\r\n" +
                               pointLine("10000000", "-800", "0") + pointLine("20000000", "0", "-700") +
                               "[DEFAULT]\r\n{VK-3000 receiver}\r\n");
}

TEST(WriteCalTable, WritesTheExtremesOfFrequenciesAndValues) {
  CalTable table;
  CalMode& mode = addMode(addReceiver(table, "VK-2000"), 7);
  CalPoint& low = addPoint(mode, INT64_MIN);
  low.Values[0] = INT32_MIN;
  low.Values[255] = INT32_MAX;
  const std::string text = textOf(table);
  EXPECT_EQ(text, "{VK-2000 receiver}\r\n[FM6 - Frequency Modulation (6kHz BW)]\r\n" +
                      pointLine("-9223372036854775808", "-2147483648", "2147483647"));
  EXPECT_EQ(textOf(*tableOf(text)), text);
}

TEST(WriteCalTable, GivesCodesWithoutATableNameAHeaderThatReadsBack) {
  CalTable table;
  CalReceiver& receiver = addReceiver(table, "VK-2000");
  addMode(receiver, 8);
  addMode(receiver, 255);
  EXPECT_EQ(textOf(table), "{VK-2000 receiver}\r\n[MODE 8]\r\n[MODE 255]\r\n");
  auto reloaded = tableOf(textOf(table));
  EXPECT_EQ(reloaded->Receivers[0]->Modes[0]->Code, 8);
  EXPECT_EQ(reloaded->Receivers[0]->Modes[1]->Code, 255);
}

TEST(WriteCalTable, TurnsALineFeedInANameIntoCrLfAsTextModeDid) {
  CalTable table;
  addReceiver(table, "AB\n");
  EXPECT_EQ(textOf(table), "{AB\r\n receiver}\r\n");
  EXPECT_STREQ(tableOf(textOf(table))->Receivers[0]->Name, "AB\n");
}

TEST(WriteCalTable, RoundTripsALargeTableByteForByte) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> value(INT32_MIN, INT32_MAX);
  CalTable table;
  for (const char* name : {"VK-2000", "VK-3000", "C1-XYZW"}) {
    CalReceiver& receiver = addReceiver(table, name);
    for (int16_t code = -1; code <= 9; ++code) {
      CalMode& mode = addMode(receiver, code);
      for (int p = 0; p < 5; ++p) {
        CalPoint& point = addPoint(mode, static_cast<int64_t>(random()) << 20);
        for (int32_t& v : point.Values) v = value(random);
      }
    }
  }
  const std::string text = textOf(table);
  EXPECT_EQ(textOf(*tableOf(text)), text);
}

}  // namespace
}  // namespace fendrel
