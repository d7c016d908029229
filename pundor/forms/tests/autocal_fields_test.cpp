// The automatic calibration window refuses what orvanta-autocal refuses, with
// the same messages, each naming the window's own field.
#include "forms/U_autocalform.h"
#include "main_window_fixture.h"
#include "widgets/stalignedit.h"

namespace {

class AutoCalFieldsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    autocal = std::make_unique<TAutoCalForm>();
    AutoCalForm = autocal.get();
    CreateWindow();
    OpenReceiver(kC1Row);
    NewTable();
    autocal->show();
  }
  void TearDown() override {
    autocal.reset();
    AutoCalForm = nullptr;
    MainWindowTest::TearDown();
  }
  std::unique_ptr<TAutoCalForm> autocal;
};

TEST_F(AutoCalFieldsTest, EachFieldIsRefusedWithTheRangeItAllowsBeforeTheGeneratorIsTouched) {
  const struct {
    TstAlignEdit* TAutoCalForm::*field;
    const char* text;
    const char* message;
  } refusals[] = {
      {&TAutoCalForm::EReadings, "1e12",
       "Readings per step: 1e+12 is not a whole number of readings from 1 to 1000"},
      {&TAutoCalForm::EReadings, "2.5",
       "Readings per step: 2.5 is not a whole number of readings from 1 to 1000"},
      {&TAutoCalForm::ESettle, "1e30",
       "Settle: 1e+30 ms is not a whole number of milliseconds from 0 to 3600000 (one hour)"},
      {&TAutoCalForm::EStep, "61", "Step: 61 dB is outside 0.1..60 dB (at most half the level range)"},
      {&TAutoCalForm::EFrom, "-150", "Levels: -150 dBm is outside -140..0 dBm"},
      {&TAutoCalForm::EFrequencies, "7.1 MHz; 14.2M; 7100 kHz",
       "Frequencies: \"7.1 MHz\" and \"7100 kHz\" are the same frequency (7100000 Hz); give each once"},
      {&TAutoCalForm::EFrequencies, "7.1 MHz; 14.2 furlongs",
       "Frequencies: \"14.2 furlongs\" is not a frequency in whole hertz (such as 7100000, 7.1M, \"7.1 "
       "MHz\", "
       "7100k or 7.1e6)"},
  };
  autocal->EAddress->setText(QStringLiteral("tcp://127.0.0.1:1"));
  autocal->EFrequencies->setText(QStringLiteral("7.1 MHz"));
  for (const auto& refusal : refusals) {
    TstAlignEdit* field = autocal.get()->*refusal.field;
    const QString kept = field->text();
    field->setText(QString::fromUtf8(refusal.text));
    op.Answer(platform::ModalResult::Ok);
    autocal->BStartClick();
    EXPECT_FALSE(autocal->Running()) << refusal.text;
    ASSERT_FALSE(op.Boxes().empty());
    EXPECT_EQ(op.Boxes().back().text().toStdString(), refusal.message);
    field->setText(kept);
  }
  EXPECT_EQ(op.Boxes().size(), std::size(refusals));
}

}  // namespace
