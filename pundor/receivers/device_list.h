#pragma once
// The program's device list: every receiver of every driver, in driver order.
#include <cstdint>
#include <initializer_list>
#include <span>

#include "receivers/velkaro_api.h"

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
