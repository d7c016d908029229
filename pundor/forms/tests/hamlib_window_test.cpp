// The main window with a radio from the radios file: the simulated radio
// behind `orvanta-sim rigctld`, reached through libhamlib.
#include <gmock/gmock.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "forms/U_autocalform.h"
#include "forms/calibration_library.h"
#include "main_window_fixture.h"
#include "sim/scenario.h"
#include "sim/shared_state.h"
#include "sim/smeter.h"
#include "sim/testing/generator_server_process.h"
#include "widgets/frequencyedit.h"
#include "widgets/mylabel.h"
#include "widgets/stalignedit.h"
#include "widgets/stringgrid.h"

using platform::ModalResult;

namespace {

constexpr int kSimRigRow = 4;  // after the default scenario's four receivers

class RadioWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    radio.emplace("SimRig");  // with the test's simulator state
  }
  void TearDown() override {
    radio.reset();
    MainWindowTest::TearDown();
  }
  // The window, started with a radios file of these lines.
  void CreateWindowWithRadios(const std::string& lines) {
    std::filesystem::create_directories(Config() / "orvanta");
    std::ofstream(Config() / "orvanta" / "radios") << lines;
    setenv("XDG_CONFIG_HOME", Config().c_str(), 1);
    CreateWindow();
    unsetenv("XDG_CONFIG_HOME");
  }
  std::filesystem::path Config() const { return Path("config").toStdString(); }

  std::optional<sim::testing::RigctldProcess> radio;
};

TEST_F(RadioWindowTest, RadiosFromTheRadiosFileFollowTheReceiversAndOpen) {
  op.Answer(ModalResult::Ok);
  CreateWindowWithRadios("SimRig 2 " + radio->Address() + "  # simulated\nOther 2x 127.0.0.1:1\n");
  const std::filesystem::path config = Config();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text().toStdString(),
            (config / "orvanta" / "radios").string() + ":\nline 2: \"2x\" is not a Hamlib model number");

  ASSERT_EQ(form->DeviceCount, 5);
  EXPECT_EQ(Column(form->D, 0)[4], "NET rigctl");
  EXPECT_EQ(Column(form->D, 1)[4], "SimRig ");
  EXPECT_EQ(Column(form->D, 2)[4], "Hamlib");
  OpenReceiver(kSimRigRow);
  EXPECT_EQ(form->Fq->Min(), 30'000);
  EXPECT_EQ(form->Fq->Max(), 60'000'000);
  EXPECT_EQ(std::vector<int32_t>(form->ModeList, form->ModeList + form->ModeCount),
            (std::vector<int32_t>{kModeCW, kModeAM, kModeFMN, kModeLSB, kModeUSB}));
}

TEST_F(RadioWindowTest, CalibratesARadioAutomatically) {
  sim::testing::GeneratorServerProcess generator;
  TAutoCalForm autocal;
  AutoCalForm = &autocal;
  CreateWindowWithRadios("SimRig 2 " + radio->Address() + "\n");
  OpenReceiver(kSimRigRow);
  NewTable();
  autocal.show();
  autocal.EAddress->setText(QString::fromStdString(generator.Address()));
  autocal.EReadings->setText(QStringLiteral("3"));
  autocal.BLogClick();  // no step log beside "New.cal"
  autocal.EFrequencies->setText(QStringLiteral("14200 kHz"));
  autocal.BStartClick();
  ASSERT_TRUE(WaitUntil([&] { return !autocal.Running(); }, 120'000));
  AutoCalForm = nullptr;
  EXPECT_TRUE(op.Boxes().empty()) << op.Boxes().at(0).text().toStdString();
  EXPECT_FALSE(sim::LoadState(sim::StatePath()).outputOn);

  const sim::RadioSpec simRig = *sim::FindRadio(sim::ParseScenario(sim::DefaultScenarioText()), "SimRig");
  ASSERT_EQ(form->CurrentMode(), kModeAM);  // the radio's mode at start
  for (double level = -110; level <= -20; level += 10) {
    const int raw = sim::RadioReading(simRig, {14'200'000, "AM", 0, 0}, level, sim::kTrackingGenerator);
    CalibratedStrength strength{};
    strength.Size = sizeof strength;
    strength.RawValue = static_cast<uint8_t>(raw);
    ASSERT_EQ(calibration::GetCS(form->CalHandle, "SimRig ", kModeAM, 14'200'000, &strength), CAL_OK);
    EXPECT_NEAR(strength.DBm, level, 1.5) << "raw " << raw;
  }
}

}  // namespace
