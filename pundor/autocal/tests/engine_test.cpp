#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <optional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "autocal/cable_loss.h"
#include "autocal/frequency_sweep.h"
#include "autocal/step_log.h"

namespace autocal {
namespace {

// A receiver that reads 0 up to -120 dBm, rises 2 steps per dB and stays at
// 180 from -30 dBm up, without noise.
int ClippedRaw(double dbm) { return static_cast<int>(std::lround(std::clamp(2 * (dbm + 120), 0.0, 180.0))); }

LevelColumn SweepClipped(FrequencySweep& sweep) {
  return RunSweep(sweep, {[](double) {}, {}, [&] { return ClippedRaw(sweep.Next()->receiverDbm); }, {}});
}

TEST(Sweep, StepsRefineOnlyAtTheKneesAndTheColumnFillsWhatWasNeverRead) {
  SweepSettings settings;
  settings.fromDbm = -10;  // either way round
  settings.toDbm = -130;
  FrequencySweep sweep(settings, 0);
  const LevelColumn column = SweepClipped(sweep);

  std::vector<double> levels;
  for (const Step& step : sweep.Steps()) levels.push_back(step.receiverDbm);
  std::sort(levels.begin(), levels.end());
  EXPECT_DOUBLE_EQ(levels.front(), -130);
  EXPECT_DOUBLE_EQ(levels.back(), -10);
  EXPECT_LT(levels.size(), 50u);
  EXPECT_EQ(sweep.MostSteps(), 41 + 19);
  for (std::size_t i = 1; i < levels.size(); ++i) {
    EXPECT_GE(levels[i] - levels[i - 1], settings.finestStepDb - 1e-9);
    // Inside the flat stretches the coarse pass is enough.
    if (levels[i] < -124 || levels[i - 1] > -26) {
      EXPECT_GT(levels[i] - levels[i - 1], 2.5) << levels[i];
    }
  }

  EXPECT_EQ(column.lowestRaw, 0);
  EXPECT_EQ(column.highestRaw, 180);
  for (int raw = 1; raw < 180; ++raw) EXPECT_NEAR(column.levels[raw], raw / 2.0 - 120, 0.26) << raw;
  EXPECT_NEAR(column.levels[0], -120, 0.3);   // the highest level that still reads 0
  EXPECT_NEAR(column.levels[180], -30, 0.3);  // the lowest that reads the top
  for (int raw = 0; raw < kRawValues; ++raw) EXPECT_EQ(column.filled[raw], raw > 180) << raw;
  for (int raw = 181; raw < kRawValues; ++raw) EXPECT_EQ(column.levels[raw], column.levels[180]);
}

// The clipped receiver behind a generator whose level reaches it `lag` after
// it was set; each reading takes a millisecond.
struct LaggingBench {
  std::chrono::milliseconds lag, now{0}, setAt{0};
  double previousDbm = -200, levelDbm = -200;

  double HeardDbm() const { return now - setAt >= lag ? levelDbm : previousDbm; }
  void Set(double dbm) { previousDbm = HeardDbm(), levelDbm = dbm, setAt = now; }
  int Read() {
    const int raw = ClippedRaw(HeardDbm());
    now += std::chrono::milliseconds(1);
    return raw;
  }
  // RunSweep on this bench's clock.
  LevelColumn Sweep(FrequencySweep& sweep) {
    while (std::optional<Step> step = sweep.Next()) {
      Set(step->receiverDbm);
      const auto set = now;
      now += sweep.Settle();
      while (!sweep.Take(*step, Read(), now - set)) {
      }
      sweep.Record(std::move(*step));
    }
    return sweep.Fit();
  }
};

TEST(Sweep, ASlowGeneratorIsWaitedForAndStepsThatMakeNoSenseGiveNoColumn) {
  FrequencySweep sweep({}, 0);
  LaggingBench bench{std::chrono::milliseconds(100)};
  const LevelColumn column = bench.Sweep(sweep);
  for (int raw = 1; raw < 180; ++raw) EXPECT_NEAR(column.levels[raw], raw / 2.0 - 120, 0.26) << raw;
  // Seen at the jump from the bottom to the top, with a margin from then on;
  // the bottom, read before that, is read again.
  EXPECT_EQ(sweep.SettlingNeeded(), std::chrono::milliseconds(100));
  EXPECT_EQ(sweep.Settle(), std::chrono::milliseconds(125));
  EXPECT_EQ(std::count_if(sweep.Steps().begin(), sweep.Steps().end(),
                          [](const Step& step) { return step.receiverDbm == -130; }),
            2);
  EXPECT_LE(static_cast<int>(sweep.Steps().size()), sweep.MostSteps());
  EXPECT_EQ(SettlingNote(sweep),
            "; the reading followed the generator only after 100 ms, so each step waited 125 ms (settling time "
            "set: 0 ms)");
  FrequencySweep prompt({}, 0);
  LaggingBench{std::chrono::milliseconds(0)}.Sweep(prompt);
  EXPECT_EQ(prompt.SettlingNeeded(), std::nullopt);
  EXPECT_EQ(SettlingNote(prompt), "");

  auto rejection = [](auto&& attempt) {
    try {
      attempt();
    } catch (const ColumnRejected& error) {
      EXPECT_NE(std::string(error.what()).find("Try a longer settling time (--settle)"), std::string::npos);
      return std::string(error.what());
    }
    return std::string("accepted");
  };
  // A reading that never follows: given up after the most a sweep waits.
  FrequencySweep never({}, 0);
  LaggingBench deaf{std::chrono::hours(1)};
  EXPECT_EQ(rejection([&] { deaf.Sweep(never); }).substr(0, 81),
            "the reading stayed at raw 0 for 5000 ms after the level rose from -130.0 to -10.0");
  EXPECT_GE(deaf.now, kMostSettle);
  EXPECT_LE(deaf.now, kMostSettle + std::chrono::milliseconds(100));  // and the bottom step

  // Readings of a level that never reached the receiver: flat, falling back
  // after a jump, or changing within one step.
  std::vector<Step> flat, fallen, scattered;
  for (int level = -130; level <= -10; level += 3) {
    flat.push_back({double(level), double(level), {5, 6, 5, 4, 5}});
    const int raw = ClippedRaw(level);
    fallen.push_back({double(level), double(level), std::vector<int>(5, level == -100 ? 180 : raw)});
    scattered.push_back({double(level), double(level), {raw, raw, raw, raw, level == -70 ? raw + 6 : raw}});
  }
  EXPECT_EQ(rejection([&] { FitSteps(flat); }).substr(0, 76),
            "the reading did not rise with the level: raw 5 at -130.0 dBm, 5 at -10.0 dBm");
  EXPECT_EQ(rejection([&] { FitSteps(fallen); }).substr(0, 62),
            "the reading fell from raw 180 at -100.0 dBm to 46 at -97.0 dBm");
  EXPECT_EQ(rejection([&] { FitSteps(scattered); }).substr(0, 80),
            "the readings at -70.0 dBm spread over 6 raw steps, at the levels nearby over 0: ");
  scattered.push_back({-70, -70, std::vector<int>(5, ClippedRaw(-70))});  // taken again: the later counts
  EXPECT_EQ(rejection([&] { FitSteps(scattered); }), "accepted");
}

TEST(Sweep, LossRaisesTheGeneratorAndAFlatColumnIsRefusedWithAMessage) {
  SweepSettings settings;
  FrequencySweep sweep(settings, 6.5);
  EXPECT_DOUBLE_EQ(sweep.Next()->receiverDbm, -130);
  EXPECT_DOUBLE_EQ(sweep.Next()->generatorDbm, -123.5);

  const LevelReading flat[] = {{-130, 0}, {-70, 0}, {-10, 0}};
  try {
    FitColumn(flat);
    FAIL();
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "the reading stayed at 0 over the whole level range");
  }
}

TEST(Sweep, NoisyStepsStillGiveLevelsThatNeverFallAsTheReadingRises) {
  const LevelReading steps[] = {{-130, 0}, {-120, 3}, {-110, 2}, {-100, 30}, {-90, 29}, {-80, 70}, {-70, 69}};
  const LevelColumn column = FitColumn(steps);
  for (int raw = 1; raw < kRawValues; ++raw) EXPECT_GE(column.levels[raw], column.levels[raw - 1]) << raw;
  for (int raw = 0; raw < kRawValues; ++raw) {
    EXPECT_GE(column.levels[raw], -130);
    EXPECT_LE(column.levels[raw], -70);
  }
}

TEST(CableLoss, TableInterpolatesInFrequencyAndHoldsItsEnds) {
  const CableLoss loss = ParseLossTable(
      "frequency,loss\n"
      "# measured with the 10 m cable\n"
      "30M, 3.0\n"
      "10M,1.0   # the lowest\n"
      "\n"
      "100000000;5\n");
  EXPECT_DOUBLE_EQ(loss.At(10'000'000), 1.0);
  EXPECT_DOUBLE_EQ(loss.At(20'000'000), 2.0);
  EXPECT_DOUBLE_EQ(loss.At(65'000'000), 4.0);
  EXPECT_DOUBLE_EQ(loss.At(1'000), 1.0);
  EXPECT_DOUBLE_EQ(loss.At(2'000'000'000), 5.0);
  EXPECT_EQ(loss.Describe(), "table 10000000 Hz 1 dB; 30000000 Hz 3 dB; 100000000 Hz 5 dB");
  EXPECT_EQ(CableLoss(2.5).Describe(), "2.5 dB");
  EXPECT_DOUBLE_EQ(CableLoss(2.5).At(145'000'000), 2.5);

  try {
    ParseLossTable("10M,1\n20M,two\n");
    FAIL();
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "line 2: expected \"frequency,loss\", found \"20M,two\"");
  }
  EXPECT_THROW(ParseLossTable("# nothing\n"), std::invalid_argument);
}

TEST(StepLog, RunsAppendAsCsvSectionsThatReadBackIntoTheSameColumn) {
  SweepSettings settings;
  settings.fromDbm = -130.25;
  settings.readings = 3;
  const CableLoss loss({{10'000'000, 1}, {30'000'000, 3}});
  const LogHeader header{"Simulated,SG-1,0001,1.0\n",     "tcp://127.0.0.1:5025", "Halv-A1",
                         SettingsText(1, settings, loss), "orvanta-autocal",      "/tmp/a.cal",
                         std::chrono::sys_days(std::chrono::year(2026) / 12 / 7) + std::chrono::hours(19)};
  const std::string text = StepLogHeader(header);
  EXPECT_EQ(text.substr(0, text.find("# program")),
            "\"# Orvanta automatic calibration steps, run started: 2026-12-07 19:00:00 UTC\"\n\"");
  EXPECT_NE(text.find("\n\"# generator: Simulated,SG-1,0001,1.0  at tcp://127.0.0.1:5025\"\n"), std::string::npos);
  EXPECT_NE(text.find("loss table 10000000 Hz 1 dB; 30000000 Hz 3 dB\"\n"), std::string::npos) << text;
  // As many reading columns as a step on the noise floor takes.
  EXPECT_NE(text.find("\nfrequency_hz,generator_dbm,level_dbm,receiver,mode,reading_1,reading_2,reading_3,"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with(",reading_15\n"));
  EXPECT_EQ(StepLogRow(14'200'000, "Halv,\"A\"", 1, {-123.5, -130, {3, 5, 4}}, 5),
            "14200000,-123.5,-130,\"Halv,\"\"A\"\"\",AM,3,5,4,,\n");

  // Two runs while the table has no name, then one after it got one: all
  // three beside it, after what was there.
  const std::filesystem::path table = std::filesystem::temp_directory_path() / "orvanta-step-log.cal";
  std::filesystem::remove(StepLogPath(table));
  std::ofstream(StepLogPath(table)) << "\"# an earlier run\"\n";
  StepLog log;
  std::vector<LevelColumn> live;
  for (int run = 0; run < 3; ++run) {
    if (run == 2) log.MoveBeside(table);
    log.StartRun(header);
    FrequencySweep sweep(settings, 2);
    live.push_back(RunSweep(sweep, {[](double) {},
                                    {},
                                    [&] { return ClippedRaw(sweep.Next()->receiverDbm + 0.3 * run); },
                                    [&](const Step& step) { log.Write(7'000'000, "Halv-A1", 1, step); }}));
  }
  EXPECT_EQ(log.File(), StepLogPath(table));
  std::ifstream file(log.File());
  const std::string written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::filesystem::remove(log.File());
  EXPECT_TRUE(written.starts_with("\"# an earlier run\"\n\"# Orvanta"));

  const std::vector<LoggedRun> runs = ParseStepLog(written);
  ASSERT_EQ(runs.size(), 3u);
  for (std::size_t run = 0; run < runs.size(); ++run) {
    EXPECT_EQ(runs[run].settings.fromDbm, -130.25);
    EXPECT_EQ(runs[run].settings.readings, 3);
    FrequencySweep replay(runs[run].settings, 2);
    for (const LoggedStep& logged : runs[run].steps) {
      EXPECT_EQ(logged.hz, 7'000'000);
      EXPECT_EQ(logged.receiver, "Halv-A1");
      EXPECT_EQ(logged.mode, 1);
      replay.Record(logged.step);
    }
    EXPECT_FALSE(replay.Next());
    EXPECT_EQ(replay.Fit().levels, live[run].levels) << "run " << run;
  }
  try {
    ParseStepLog(written.substr(0, written.rfind('\n', written.size() - 2) + 1) + "7000000,-12,x\n");
    FAIL();
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), ("line " + std::to_string(std::count(written.begin(), written.end(), '\n')) +
                                ": not a step of the header row's columns")
                                   .c_str());
  }

  EXPECT_EQ(ParseMode("am"), 1);
  EXPECT_EQ(ParseMode("FMW"), 3);
  EXPECT_EQ(ParseMode("default"), -1);
  EXPECT_EQ(ParseMode("7"), 7);
  EXPECT_EQ(ParseMode("8"), std::nullopt);
  EXPECT_EQ(ParseMode("AMX"), std::nullopt);
  EXPECT_EQ((Step{0, 0, {5, 1, 9, 7}}.Median()), 5.5);
  EXPECT_EQ((Step{0, 0, {9, 1, 5, 7, 3}}.Median()), 5);
  EXPECT_DOUBLE_EQ((Step{0, 0, {4, 3, 3, 3, 4}}.Median()), 2.5 + 2.5 / 3);
}

}  // namespace
}  // namespace autocal
