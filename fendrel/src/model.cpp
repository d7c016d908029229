#include "model.h"

#include <algorithm>
#include <cstring>

namespace fendrel {

std::vector<std::unique_ptr<CalPoint>>::iterator CalMode::findPoint(int64_t frequency) {
  return std::find_if(Points.begin(), Points.end(),
                      [frequency](const auto& point) { return point->Frequency == frequency; });
}

void CalMode::putPoint(std::unique_ptr<CalPoint> point) {
  const int64_t frequency = point->Frequency;
  auto at = std::find_if(Points.begin(), Points.end(),
                         [frequency](const auto& existing) { return existing->Frequency >= frequency; });
  if (at != Points.end() && (*at)->Frequency == frequency) {
    *at = std::move(point);
  } else {
    Points.insert(at, std::move(point));
  }
}

CalReceiver::CalReceiver(std::string_view name) {
  const std::size_t length = std::min(name.size(), kMaxNameLength);
  std::memcpy(Name, name.data(), length);
  Name[length] = '\0';
}

CalMode* CalReceiver::findMode(int32_t code) const {
  for (const auto& mode : Modes) {
    if (mode->Code == code) return mode.get();
  }
  return nullptr;
}

CalReceiver* CalTable::findReceiver(const char* name) const {
  for (const auto& receiver : Receivers) {
    if (std::strcmp(receiver->Name, name) == 0) return receiver.get();
  }
  return nullptr;
}

CalReceiver* CalTable::findReceiverIgnoringCase(const char* name) const {
  for (const auto& receiver : Receivers) {
    if (equalsIgnoringAsciiCase(receiver->Name, name)) return receiver.get();
  }
  return nullptr;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return foldAsciiCase(x) == foldAsciiCase(y);
         });
}

}  // namespace fendrel
