#include "widgets/frequencyedit.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTest>

#include "widgets/myupdown.h"
#include "widgets/tests/testing.h"

namespace {

class FrequencyEditTest : public testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    edit.OnValueChange = [this](TstFrequencyEdit*) { ++changes; };
  }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }

  // The main window's tuned-frequency field.
  void SetUpTunedFrequency() {
    edit.SetFixedPoint(fp1Hz);
    edit.SetHzLimit(2000);
    edit.SetShowUnit(fuMHz);
  }
  void Retype(const QString& keys) {
    edit.selectAll();
    QTest::keyClicks(&edit, keys);
  }
  QString Label() const { return TstFrequencyEdit::UnitLabel(edit.Unit()); }

  TmyFrequencyEdit edit;
  int changes = 0;
};

}  // namespace

TEST_F(FrequencyEditTest, ShowsTheValueInMegahertzWithHertzResolution) {
  SetUpTunedFrequency();
  edit.SetValue(145500000);
  EXPECT_EQ(edit.text(), "145.500000");
  EXPECT_EQ(Label(), " MHz");
  EXPECT_EQ(edit.cursorPosition(), edit.text().size());
}

TEST_F(FrequencyEditTest, UsesTheLocaleDecimalSeparator) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  SetUpTunedFrequency();
  edit.SetValue(145500000);
  EXPECT_EQ(edit.text(), "145,500000");
  Retype("7.1");  // "." is typed as the locale's separator
  EXPECT_EQ(edit.text(), "7,1");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 7100000);
}

TEST_F(FrequencyEditTest, EnterTakesTheTypedNumberInTheShownUnit) {
  SetUpTunedFrequency();
  edit.SetValue(145500000);
  Retype("7.1");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 7100000);
  EXPECT_EQ(edit.text(), "7.100000");
}

TEST_F(FrequencyEditTest, UnitLetterSwitchesTheUnitOfTheTypedDigits) {
  SetUpTunedFrequency();
  edit.SetValue(145500000);
  Retype("7100k");
  EXPECT_EQ(edit.text(), "7100");
  EXPECT_EQ(Label(), " kHz");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 7100000);
  EXPECT_EQ(edit.text(), "7.100000");
  EXPECT_EQ(Label(), " MHz");
  Retype("3G");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 3000000000);
  Retype("440h");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 440);
}

TEST_F(FrequencyEditTest, TypingBeyondMaxStepsTheUnitDown) {
  SetUpTunedFrequency();
  edit.SetMin(100000);
  edit.SetMax(30000000);
  edit.SetValue(7000000);
  Retype("15");
  EXPECT_EQ(Label(), " MHz");
  QTest::keyClick(&edit, Qt::Key_0);
  EXPECT_EQ(Label(), " kHz");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 150000);
}

TEST_F(FrequencyEditTest, TextThatIsNoNumberIsDroppedOnEnter) {
  SetUpTunedFrequency();
  edit.SetValue(145500000);
  changes = 0;
  Retype("-");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 145500000);
  EXPECT_EQ(edit.text(), "145.500000");
  EXPECT_EQ(changes, 0);
}

TEST_F(FrequencyEditTest, EscapeDropsTheTypedText) {
  SetUpTunedFrequency();
  edit.SetValue(145500000);
  Retype("99");
  QTest::keyClick(&edit, Qt::Key_Escape);
  EXPECT_EQ(edit.text(), "145.500000");
  EXPECT_EQ(edit.Value(), 145500000);
}

TEST_F(FrequencyEditTest, OnlyNumberCharactersAreInserted) {
  SetUpTunedFrequency();
  Retype("1x.2,3--4");
  EXPECT_EQ(edit.text(), "1.23-4");
}

TEST_F(FrequencyEditTest, ReadOnlyFieldIgnoresEditingKeysButReportsThem) {
  SetUpTunedFrequency();
  edit.SetValue(145500000);
  edit.setReadOnly(true);
  int downs = 0;
  edit.OnKeyDown = [&](TstAlignEdit*, int&, Qt::KeyboardModifiers) { ++downs; };
  QTest::keyClicks(&edit, "7k");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(downs, 3);
  EXPECT_EQ(edit.text(), "145.500000");
  EXPECT_EQ(Label(), " MHz");
}

TEST_F(FrequencyEditTest, AutomaticUnitFollowsHzLimit) {
  edit.SetHzLimit(0);
  EXPECT_EQ(edit.HzLimit(), 1);
  edit.SetHzLimit(2000);
  edit.SetValue(1999);
  EXPECT_EQ(edit.text(), "1999");
  EXPECT_EQ(Label(), " Hz ");
  edit.SetValue(2000);
  EXPECT_EQ(edit.text(), "2");
  EXPECT_EQ(Label(), " kHz");
  edit.SetValue(2000000);
  EXPECT_EQ(edit.text(), "2");
  EXPECT_EQ(Label(), " MHz");
  edit.SetValue(-2500000000);
  EXPECT_EQ(edit.text(), "-2.5");
  EXPECT_EQ(Label(), " GHz");
}

TEST_F(FrequencyEditTest, LoweringMaxClampsAtOnce) {
  edit.SetValue(5000);
  changes = 0;
  edit.SetMax(3000);
  EXPECT_EQ(edit.Value(), 3000);
  EXPECT_EQ(changes, 1);
  edit.SetMax(0);
  edit.SetMin(10);  // Max 0 with a minimum: every value ends at Min
  EXPECT_EQ(edit.Value(), 10);
}

TEST_F(FrequencyEditTest, UndefinedValueIsNeverClampedAndShowsItsText) {
  edit.SetMin(100);
  edit.SetMax(1000);
  edit.SetUndefValue(-1);
  edit.SetUndefValueText("---");
  edit.SetDisplayUndefValueText(true);
  edit.SetValue(-1);
  EXPECT_EQ(edit.Value(), -1);
  EXPECT_EQ(edit.text(), "---");
  EXPECT_EQ(Label(), "    ");
  edit.SetUndefValueText("none");
  EXPECT_EQ(edit.text(), "none");
}

TEST_F(FrequencyEditTest, SmallFontSizePercentIsClamped) {
  edit.SetSmallFontSizePercent(150);
  EXPECT_EQ(edit.SmallFontSizePercent(), 100);
  edit.SetSmallFontSizePercent(-5);
  EXPECT_EQ(edit.SmallFontSizePercent(), 0);
}

TEST_F(FrequencyEditTest, ResolutionShapesTheEditAndPaintedTexts) {
  edit.SetShowUnit(fuMHz);
  edit.SetFixedPoint(fp10Hz);
  edit.SetValue(145512345);
  EXPECT_EQ(edit.text(), "145.512345");
  EXPECT_EQ(edit.PaintedText(), "145.51235");  // to the nearest 10 Hz
  edit.SetValue(145512340);
  EXPECT_EQ(edit.text(), "145.51234");
  edit.SetFixedPoint(fp1kHz);
  EXPECT_EQ(edit.text(), "145.51234");
  EXPECT_EQ(edit.PaintedText(), "145.512");
  edit.SetValue(145500000);
  EXPECT_EQ(edit.text(), "145.500");
  edit.SetShowUnit(fukHz);
  edit.SetFixedPoint(fp100Hz);
  EXPECT_EQ(edit.PaintedText(), "145500.0");
  edit.SetShowUnit(fuHz);
  edit.SetValue(1299);
  EXPECT_EQ(edit.text(), "1299");
  EXPECT_EQ(edit.PaintedText(), "1200");  // hertz are truncated
  edit.SetShowUnit(fuGHz);
  edit.SetFixedPoint(fpNone);
  edit.SetValue(1296000000);
  EXPECT_EQ(edit.text(), "1.296");
}

TEST_F(FrequencyEditTest, FocusRulesCommitOrDropOnLeaving) {
  QWidget window;
  edit.setParent(&window);
  QLineEdit other(&window);
  other.move(0, 40);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  SetUpTunedFrequency();
  edit.SetValue(1000000);

  other.setFocus();
  edit.setFocus();
  EXPECT_EQ(edit.selectedText(), edit.text());  // AutoSelect
  QTest::keyClicks(&edit, "2");
  other.setFocus();
  EXPECT_EQ(edit.Value(), 2000000);

  edit.SetUpdateOnExit(false);
  edit.setFocus();
  QTest::keyClicks(&edit, "3");
  other.setFocus();
  EXPECT_EQ(edit.Value(), 2000000);
  EXPECT_EQ(edit.text(), "2.000000");
  edit.setParent(nullptr);
}

TEST_F(FrequencyEditTest, SettingAValueMovesTheFocusToTheExitControl) {
  QWidget window;
  edit.setParent(&window);
  QLineEdit exit(&window);
  exit.move(0, 40);
  edit.SetExitControl(&exit);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  edit.setFocus();
  Retype("12");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 12);
  EXPECT_TRUE(exit.hasFocus());
  edit.setParent(nullptr);
}

TEST_F(FrequencyEditTest, WheelStepsThroughTheUpDownWithoutLosingTheFocus) {
  QWidget window;
  edit.setParent(&window);
  QLineEdit exit(&window);
  exit.move(0, 40);
  TmyUpDown upDown(&window);
  upDown.SetFrequencyEdit(&edit);
  upDown.SetStep(100);
  edit.SetExitControl(&exit);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  edit.setFocus();
  QWheelEvent wheel(QPointF(2, 2), edit.mapToGlobal(QPointF(2, 2)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&edit, &wheel);
  EXPECT_EQ(edit.Value(), 100);
  EXPECT_TRUE(edit.hasFocus());
  EXPECT_EQ(edit.ExitControl(), &exit);
  edit.setParent(nullptr);
}

// Every unit and resolution of the edit-text and painted-text tables, for a
// value with all digits set and one with trailing zeros.
TEST_F(FrequencyEditTest, EveryUnitAndResolutionWritesAndPaintsItsPattern) {
  struct Row {
    TFrequencyUnit unit;
    int64_t hz;
    const char* edit[5];  // fpNone, fp1Hz, fp10Hz, fp100Hz, fp1kHz
    const char* painted[5];
  };
  const Row rows[] = {
      {fuHz,
       1234567891,
       {"1234567891", "1234567891", "1234567891", "1234567891", "1234567891"},
       {"1234567891", "1234567891", "1234567890", "1234567800", "1234567000"}},
      {fukHz,
       1234567891,
       {"1234567.891", "1234567.891", "1234567.891", "1234567.891", "1234567.891"},
       {"1234567.891", "1234567.891", "1234567.89", "1234567.9", "1234568"}},
      {fuMHz,
       1234567891,
       {"1234.567891", "1234.567891", "1234.567891", "1234.567891", "1234.567891"},
       {"1234.567891", "1234.567891", "1234.56789", "1234.5679", "1234.568"}},
      {fuGHz,
       1234567891,
       {"1.234567891", "1.234567891", "1.234567891", "1.234567891", "1.234567891"},
       {"1.234567891", "1.234567891", "1.23456789", "1.2345679", "1.234568"}},
      {fuHz,
       7100000,
       {"7100000", "7100000", "7100000", "7100000", "7100000"},
       {"7100000", "7100000", "7100000", "7100000", "7100000"}},
      {fukHz,
       7100000,
       {"7100", "7100.000", "7100.00", "7100.0", "7100"},
       {"7100", "7100.000", "7100.00", "7100.0", "7100"}},
      {fuMHz,
       7100000,
       {"7.1", "7.100000", "7.10000", "7.1000", "7.100"},
       {"7.1", "7.100000", "7.10000", "7.1000", "7.100"}},
      {fuGHz,
       7100000,
       {"0.0071", "0.007100000", "0.00710000", "0.0071000", "0.007100"},
       {"0.0071", "0.007100000", "0.00710000", "0.0071000", "0.007100"}},
      {fukHz, 400, {"0.4", "0.400", "0.40", "0.4", "0.4"}, {"0.4", "0.400", "0.40", "0.4", "0"}},
      {fukHz, 600, {"0.6", "0.600", "0.60", "0.6", "0.6"}, {"0.6", "0.600", "0.60", "0.6", "1"}},
  };
  for (const Row& row : rows) {
    edit.SetShowUnit(row.unit);
    edit.SetValue(row.hz);
    for (int fp = fpNone; fp <= fp1kHz; ++fp) {
      edit.SetFixedPoint(TFixedPoint(fp));
      EXPECT_EQ(edit.text(), row.edit[fp]) << "unit " << row.unit << " fp " << fp << " " << row.hz;
      EXPECT_EQ(edit.PaintedText(), row.painted[fp]) << "unit " << row.unit << " fp " << fp << " " << row.hz;
    }
  }
}

// kHz at 1 kHz resolution paints whole kilohertz: the same pixels as the
// general text of a whole number of kilohertz.
TEST_F(FrequencyEditTest, WholeKilohertzArePaintedWithoutAFraction) {
  TstFrequencyEdit general;
  for (TstFrequencyEdit* field : {static_cast<TstFrequencyEdit*>(&edit), &general}) {
    field->resize(140, 20);
    field->SetShowUnit(fukHz);
    field->SetValue(7100000);
  }
  edit.SetFixedPoint(fp1kHz);
  EXPECT_EQ(Snapshot(edit), Snapshot(general));
}

TEST_F(FrequencyEditTest, PaintsTheValueAndTheUnitColumnWithoutFocus) {
  SetUpTunedFrequency();
  edit.resize(140, 20);
  edit.SetColor(Qt::black);
  edit.SetFontColor(Qt::white);
  edit.SetValue(145500000);
  edit.setText("garbage");  // what the box holds is not what it paints
  const QImage image = Snapshot(edit);
  const int unitLeft = 140 - edit.fontMetrics().horizontalAdvance(" MHz");
  EXPECT_EQ(PixelAt(image, 0, 0), QColor(Qt::black));
  EXPECT_TRUE(ContainsColor(image, Qt::white, QRect(unitLeft, 0, 140 - unitLeft, 20), 60));
  EXPECT_TRUE(ContainsColor(image, Qt::white, QRect(unitLeft - 12, 0, 12, 20), 60));  // right-aligned digits
  EXPECT_FALSE(ContainsColor(image, Qt::white, QRect(0, 0, 20, 20), 60));
}

TEST_F(FrequencyEditTest, TrailingDigitsArePaintedSmallInTheirColour) {
  SetUpTunedFrequency();
  edit.resize(140, 20);
  edit.SetColor(Qt::black);
  edit.SetFontColor(Qt::white);
  QFont large("Arial");
  large.setPixelSize(18);
  large.setBold(true);
  edit.setFont(large);
  edit.SetSmallColor(QColor(255, 0, 0));
  edit.SetSmallFixedPoint(fp1kHz);  // the last three digits
  edit.SetValue(145500000);
  const QImage image = Snapshot(edit);
  const int unitLeft = 140 - edit.fontMetrics().horizontalAdvance(" MHz");
  EXPECT_TRUE(ContainsColor(image, QColor(255, 0, 0), QRect(unitLeft - 8, 0, 8, 20), 60));
  EXPECT_FALSE(ContainsColor(image, QColor(255, 0, 0), QRect(0, 0, unitLeft - 40, 20), 60));
}

TEST(Freq2str, PicksTheUnitByMagnitude) {
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(Freq2str(1499), "1499 Hz");
  EXPECT_EQ(Freq2str(1500), "1.5 kHz");
  EXPECT_EQ(Freq2str(7100000), "7.1 MHz");
  EXPECT_EQ(Freq2str(-1500000000), "-1.5 GHz");
}
