#include "receivers/text_helpers.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QLocale>

#include "platform/error.h"

namespace {

class FormatFrequencyTest : public testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale::c()); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(FormatFrequencyTest, PicksTheUnitAtTheThresholdOf1800) {
  EXPECT_EQ(FormatFrequency(0), "0 Hz");
  EXPECT_EQ(FormatFrequency(1799), "1799 Hz");
  EXPECT_EQ(FormatFrequency(1800), "1.8 kHz");
  EXPECT_EQ(FormatFrequency(1799999), "1799.999 kHz");
  EXPECT_EQ(FormatFrequency(30000000), "30 MHz");
  EXPECT_EQ(FormatFrequency(145500000), "145.5 MHz");
  EXPECT_EQ(FormatFrequency(4000000000LL), "4 GHz");
}

TEST_F(FormatFrequencyTest, StaysInGigahertzAbove1800GHz) {
  EXPECT_EQ(FormatFrequency(2000000000000LL), "2000 GHz");
  EXPECT_EQ(FormatFrequency(INT64_MAX), "9223372036.85478 GHz");
}

TEST_F(FormatFrequencyTest, KeepsNegativeValuesInHertz) { EXPECT_EQ(FormatFrequency(-5000), "-5000 Hz"); }

TEST_F(FormatFrequencyTest, UsesTheUsersDecimalSeparatorWithoutGrouping) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(FormatFrequency(1800), "1,8 kHz");
  EXPECT_EQ(FormatFrequency(1799999), "1799,999 kHz");
  EXPECT_EQ(FormatFrequency(145500000), "145,5 MHz");
}

TEST(ModeName, NamesEveryModeAndTheDefault) {
  EXPECT_EQ(ModeName(-1), "Default mode");
  EXPECT_EQ(ModeName(0), "CW - Continuous Wave");
  EXPECT_EQ(ModeName(1), "AM - Amplitude Modulation");
  EXPECT_EQ(ModeName(2), "FMN - Freq. Modulation,Narrow");
  EXPECT_EQ(ModeName(3), "FMW - Freq. Modulation,Wide");
  EXPECT_EQ(ModeName(4), "LSB - Lower Side Band");
  EXPECT_EQ(ModeName(5), "USB - Upper Side Band");
  EXPECT_EQ(ModeName(6), "FMM - Freq. Modulation,Medium");
  EXPECT_EQ(ModeName(7), "FM6 - Freq. Mod. (6kHz BW)");
}

TEST(ModeName, RaisesUnknownModeForAnyOtherCode) {
  for (int32_t code : {8, -2, 100}) {
    try {
      ModeName(code);
      ADD_FAILURE() << code;
    } catch (const platform::Error& error) {
      EXPECT_STREQ(error.what(), "Unknown mode");
    }
  }
}

class FitCaptionTest : public testing::Test {
 protected:
  void SetUp() override {
    label.setFont(QFont("Arial", 8, QFont::Bold));
    label.resize(436, 18);
  }
  int Width(const QString& text) const { return QFontMetrics(label.font()).horizontalAdvance(text); }
  QLabel label;
};

TEST_F(FitCaptionTest, ShowsAShortFileNameWhole) {
  EXPECT_EQ(FitCaption("Halv-C1", "New.cal", label), "Orvanta [Halv-C1; New.cal]");
}

TEST_F(FitCaptionTest, ShortensALongPathFromTheLeft) {
  const QString path = "/home/operator/calibration/tables/of/the/receivers/in/the/laboratory/" +
                       QString(60, 'x') + "/HalvC1-2026.cal";
  const QString caption = FitCaption("Halv-C1", path, label);
  ASSERT_TRUE(caption.startsWith("Orvanta [Halv-C1; ...")) << caption.toStdString();
  EXPECT_TRUE(caption.endsWith("/HalvC1-2026.cal]"));
  EXPECT_LT(Width(caption), label.width());
  // The longest tail that fits: one more character would not.
  const QString shownTail = caption.mid(QString("Orvanta [Halv-C1; ...").size()).chopped(1);
  const QString longer = "Orvanta [Halv-C1; ..." + path.right(shownTail.size() + 1) + "]";
  EXPECT_TRUE(path.endsWith(shownTail));
  EXPECT_GE(Width(longer), label.width());
}

TEST_F(FitCaptionTest, NeverShortensTheReceiverName) {
  label.resize(60, 18);
  EXPECT_EQ(FitCaption("Halv-C5TC", "/a/b/c.cal", label), "Orvanta [Halv-C5TC; ...]");
}

TEST_F(FitCaptionTest, ShortensWithoutSplittingCharacters) {
  label.resize(Width("Orvanta [R; ...\U0001F4C1.cal]") + 1, 18);
  const QString caption = FitCaption("R", QString::fromUtf8("/tmp/\U0001F4C1\U0001F4C1.cal"), label);
  EXPECT_TRUE(caption.isValidUtf16()) << caption.toStdString();
}

}  // namespace
