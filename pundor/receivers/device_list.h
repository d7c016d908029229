#pragma once
// The program's device list: every receiver of every driver, in driver order.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "receivers/velkaro_api.h"
#include "receivers/velkaro_vk.h"
#include "receivers/velkaro_vx.h"
#include "vocabulary/receiver_names.h"

// One driver of each family, for programs that list and open receivers
// without the main window (which holds its own, by name).
struct TDriverSet {
  TVelkaro_Vk classic;
  TVelkaro_C1 c1;
  TVelkaro_C2 c2;
  TVelkaro_C3 c3;
  TVelkaro_C4 c4;
  TVelkaro_C5 c5;
  // In the order the device list takes them.
  std::array<TVelkaro_API*, 6> InOrder() { return {&classic, &c1, &c2, &c3, &c4, &c5}; }
};

// Room in the main window's device array.
inline constexpr int kMaxDevices = 128;

// Clears `devices`, then lists each driver's receivers in the order given
// (classic, C1, C2, C3, C4, C5) into it. Stops at the end of `devices`,
// keeping what fits. Returns the number of records written. No device is left
// open; the caller closes its open device first.
int32_t BuildDeviceList(std::span<TVelkaro_API* const> drivers, std::span<TRadioDevice> devices);
inline int32_t BuildDeviceList(std::initializer_list<TVelkaro_API*> drivers,
                               std::span<TRadioDevice> devices) {
  return BuildDeviceList(std::span<TVelkaro_API* const>(drivers.begin(), drivers.size()), devices);
}

// Every name an operator may give the listed receiver.
vocabulary::ReceiverForms FormsOf(const TRadioDevice& device);
// The listed receiver `wanted` names, in any of its forms. Raises
// vocabulary::ReceiverNotFound.
const TRadioDevice& FindDevice(std::span<const TRadioDevice> devices, std::string_view wanted);
