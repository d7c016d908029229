#include "receivers/device_list.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

int32_t BuildDeviceList(std::span<TVelkaro_API* const> drivers, std::span<TRadioDevice> devices) {
  std::memset(devices.data(), 0, devices.size_bytes());
  std::size_t total = 0;
  for (TVelkaro_API* driver : drivers) {
    // Each driver lists into room of its own, so that a full device array is
    // never written past.
    std::array<TRadioDevice, kMaxDriverDevices> listed{};
    int32_t count = 0;
    driver->GetRadioList(listed.data(), &count);
    const std::size_t kept =
        std::min<std::size_t>(std::clamp(count, 0, kMaxDriverDevices), devices.size() - total);
    std::copy_n(listed.begin(), kept, devices.begin() + total);
    total += kept;
  }
  return static_cast<int32_t>(total);
}

vocabulary::ReceiverForms FormsOf(const TRadioDevice& device) {
  vocabulary::ModelNames names{device.Name, device.Model};
  if (dynamic_cast<const TVelkaro_Vk*>(device.Driver)) return {ClassicDeviceNumber(device), "", names};
  return {0, std::string(device.Address, strnlen(device.Address, sizeof device.Address)), names};
}

const TRadioDevice& FindDevice(std::span<const TRadioDevice> devices, std::string_view wanted) {
  std::vector<vocabulary::ReceiverForms> forms;
  for (const TRadioDevice& device : devices) forms.push_back(FormsOf(device));
  return devices[vocabulary::ResolveReceiver(forms, wanted)];
}
