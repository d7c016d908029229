// The main window with a radio from the radios file: the simulated radio
// behind `orvanta-sim rigctld`, reached through libhamlib.
#include <gmock/gmock.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "main_window_fixture.h"
#include "sim/testing/sim_server_process.h"
#include "widgets/frequencyedit.h"
#include "widgets/stringgrid.h"

using platform::ModalResult;

namespace {

TEST_F(MainWindowTest, RadiosFromTheRadiosFileFollowTheReceiversAndOpen) {
  sim::testing::RigctldProcess server("SimRig");
  const std::filesystem::path config = Path("config").toStdString();
  std::filesystem::create_directories(config / "orvanta");
  std::ofstream(config / "orvanta" / "radios") << "SimRig 2 " << server.Address() << "  # simulated\n"
                                               << "Other 2x 127.0.0.1:1\n";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  op.Answer(ModalResult::Ok);
  CreateWindow();
  unsetenv("XDG_CONFIG_HOME");
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text().toStdString(),
            (config / "orvanta" / "radios").string() + ":\nline 2: \"2x\" is not a Hamlib model number");

  ASSERT_EQ(form->DeviceCount, 5);
  EXPECT_EQ(Column(form->D, 0)[4], "NET rigctl");
  EXPECT_EQ(Column(form->D, 1)[4], "SimRig ");
  EXPECT_EQ(Column(form->D, 2)[4], "Hamlib");
  OpenReceiver(4);
  EXPECT_EQ(form->Fq->Min(), 30'000);
  EXPECT_EQ(form->Fq->Max(), 60'000'000);
  EXPECT_EQ(std::vector<int32_t>(form->ModeList, form->ModeList + form->ModeCount),
            (std::vector<int32_t>{kModeCW, kModeAM, kModeFMN, kModeLSB, kModeUSB}));
}

}  // namespace
