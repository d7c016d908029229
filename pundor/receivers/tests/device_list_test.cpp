// The device list of all six drivers, through the simulated libraries.
#include "receivers/device_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "simulated_receivers.h"

using ::testing::ElementsAre;

namespace {

std::vector<int32_t> Modes(const TRadioDevice& record) {
  return std::vector<int32_t>(record.Modes, record.Modes + record.ModeCount);
}

class DeviceList : public SimulatedReceivers {
 protected:
  std::array<TRadioDevice, kMaxDevices> devices_;
};

TEST_F(DeviceList, ListsTheDefaultScenarioInDriverOrder) {
  TDriverSet drivers;
  ASSERT_EQ(BuildDeviceList(drivers.InOrder(), devices_), 4);

  EXPECT_STREQ(devices_[0].Name, "Halv-A1");
  EXPECT_STREQ(devices_[0].Model, "Halv-A1b");
  EXPECT_STREQ(devices_[0].Interface, "PCI");
  EXPECT_EQ(devices_[0].MinFreq, 9000);
  EXPECT_EQ(devices_[0].MaxFreq, 1'800'000'000);
  EXPECT_THAT(Modes(devices_[0]), ElementsAre(0, 1, 2, 7, 3, 4, 5));
  EXPECT_EQ(devices_[0].Driver, &drivers.classic);

  EXPECT_STREQ(devices_[1].Name, "Halv-B3");
  EXPECT_STREQ(devices_[1].Model, "Halv-B3");
  EXPECT_STREQ(devices_[1].Interface, "Serial");
  EXPECT_EQ(devices_[1].MaxFreq, 4'000'000'000);
  EXPECT_THAT(Modes(devices_[1]), ElementsAre(1, 2, 3, 5));

  EXPECT_STREQ(devices_[2].Name, "Halv-C1");
  EXPECT_STREQ(devices_[2].Model, "Halv-C1");
  EXPECT_STREQ(devices_[2].Interface, "USB");
  EXPECT_STREQ(devices_[2].Address, "C1004711");
  EXPECT_EQ(devices_[2].MaxFreq, 30'000'000);
  EXPECT_THAT(Modes(devices_[2]), ElementsAre(-1));
  EXPECT_EQ(devices_[2].Driver, &drivers.c1);

  EXPECT_STREQ(devices_[3].Name, "HalvoC4");
  EXPECT_STREQ(devices_[3].Model, "Halv-C4WM");
  EXPECT_STREQ(devices_[3].Interface, "PCI");
  EXPECT_THAT(Modes(devices_[3]), ElementsAre(-1, 3));
  EXPECT_EQ(devices_[3].Driver, &drivers.c4);

  EXPECT_STREQ(devices_[4].Name, "");  // cleared behind the last record
  for (TVelkaro_API* driver : drivers.InOrder()) EXPECT_FALSE(driver->IsOpen());
}

TEST_F(DeviceList, WithoutTheClassicLibraryListsOnlyNewerReceivers) {
  const auto folder = LoadOnlyFrom("no-classic");
  for (const char* name : {"libvxaapi.so", "libvxbapi.so", "libvxcapi.so", "libvxdapi.so", "libvxeapi.so"})
    std::filesystem::create_symlink(BinaryFolder() / name, folder / name);
  TDriverSet drivers;
  EXPECT_FALSE(drivers.classic.IsAvailable());
  ASSERT_EQ(BuildDeviceList(drivers.InOrder(), devices_), 2);
  EXPECT_STREQ(devices_[0].Name, "Halv-C1");
  EXPECT_STREQ(devices_[1].Name, "HalvoC4");
}

TEST_F(DeviceList, StopsAtTheEndOfTheArrayKeepingWhatFits) {
  std::string scenario;
  for (int number = 1; number <= 31; ++number)
    scenario += "classic " + std::to_string(number) + " model=512 min=9k max=1G modes=1\n";
  for (const char* model : {"C1", "C2", "C3", "C4", "C5"})
    for (int i = 0; i < 32; ++i)
      scenario +=
          std::string("newer ") + model + " serial=" + model + "-" + std::to_string(i) + " min=9k max=30M\n";
  UseScenario(scenario);
  TDriverSet drivers;
  ASSERT_EQ(BuildDeviceList(drivers.InOrder(), devices_), kMaxDevices);  // of 191
  EXPECT_STREQ(devices_[30].Name, "Halv-A5");
  EXPECT_STREQ(devices_[31].Address, "C1-0");
  EXPECT_STREQ(devices_[127].Address, "C4-0");
  EXPECT_EQ(devices_[127].Driver, &drivers.c4);

  std::array<TRadioDevice, 3> small;
  EXPECT_EQ(BuildDeviceList({&drivers.c5, &drivers.c4}, small), 3);
  EXPECT_EQ(small[2].Driver, &drivers.c5);
}

TEST_F(DeviceList, EveryLibrarySeesTheSameGenerator) {
  TDriverSet drivers;
  ASSERT_EQ(BuildDeviceList(drivers.InOrder(), devices_), 4);
  ASSERT_TRUE(drivers.classic.Open(devices_[0]));
  ASSERT_TRUE(drivers.c1.Open(devices_[2]));
  SimControl control("vxcapi.dll");  // a library that has no receiver of its own
  control.SetGenerator(-100, 0);
  const int32_t classicWeak = drivers.classic.GetRawSignalStrength();
  const int32_t newerWeak = drivers.c1.GetRawSignalStrength();
  control.SetGenerator(-50, 0);
  EXPECT_GT(drivers.classic.GetRawSignalStrength(), classicWeak + 80);
  EXPECT_GT(drivers.c1.GetRawSignalStrength(), newerWeak + 80);
  control.SetGenerator(-50, 50'000'000);  // far from both tuned frequencies
  EXPECT_LT(drivers.classic.GetRawSignalStrength(), classicWeak);
}

}  // namespace
