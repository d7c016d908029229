// The nine exports called in any order with any arguments: no crash, no
// undefined behaviour, only documented results, and tables built by PutDBMs
// stay in ascending frequency order.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "fendrel.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  template <typename T>
  T pick(std::initializer_list<T> choices) {
    return choices.begin()[byte() % choices.size()];
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

const std::string kLongest(CAL_MAX_RECEIVER_NAME, 'n');
const std::string kTooLong(CAL_MAX_RECEIVER_NAME + 1, 'n');

void expect(bool condition) {
  if (!condition) std::abort();
}

int32_t handle(Input& in) { return static_cast<int32_t>(in.byte() % 6) - 1; }
const char* name(Input& in) {
  return in.pick<const char*>({"Halv-A1", "HALV-a1", "", kLongest.c_str(), kTooLong.c_str(), nullptr});
}
int32_t mode(Input& in) {
  return in.pick<int32_t>({-1, 0, 1, 7, 8, 254, 255, 256, 263, -2, INT32_MIN, INT32_MAX});
}
int64_t frequency(Input& in) {
  return in.pick<int64_t>({0, 1, 100, 1000, 5000000, -1, INT64_MAX, INT64_MIN});
}

double level(Input& in) {
  return in.pick<double>({0.0, -140.0, -73.05, -0.01, -140.01, 0.01, std::numeric_limits<double>::quiet_NaN(),
                          -std::numeric_limits<double>::infinity(), -12.35});
}

void expectAscending(int32_t cal, const char* receiver, int32_t code) {
  int64_t list[64];
  const int32_t bytes = GetFrequencies(cal, receiver, code, list, sizeof list);
  if (bytes < 0) return;
  const auto count = std::min<std::size_t>(static_cast<std::size_t>(bytes) / 8, 64);
  for (std::size_t i = 1; i < count; ++i) expect(list[i - 1] < list[i]);
}

void putColumn(Input& in) {
  std::vector<double> levels(256, level(in));
  if (in.byte() % 2) levels[in.byte()] = level(in);
  const int32_t cal = handle(in);
  const char* receiver = name(in);
  const int32_t code = mode(in);
  const int32_t result = PutDBMs(cal, receiver, code, frequency(in), in.byte() % 8 ? levels.data() : nullptr);
  expect(result == CAL_OK || (result <= CAL_ERR_DBM_RANGE && result >= CAL_ERR_RECEIVER_NAME));
  if (result == CAL_OK) expectAscending(cal, receiver, code == -1 ? -1 : code & 0xFF);
}

void convert(Input& in) {
  CalibratedStrength strength{};
  strength.Size = in.pick<int32_t>({33, 33, 33, 32, 0});
  strength.RawValue = in.byte();
  const int32_t result =
      GetCS(handle(in), name(in), mode(in), frequency(in), in.byte() % 8 ? &strength : nullptr);
  if (result != CAL_OK) return;
  expect(strength.DBm >= -140.0 && strength.DBm <= 0.0);
  expect(strength.SUnit >= 0 && strength.SUnit <= 16);
  expect(std::isfinite(strength.MicroVolts) && std::isfinite(strength.MicroVoltsPP));
}

void list(Input& in) {
  int64_t buffer[8];
  const uint32_t bytes = in.pick<uint32_t>({0, 3, 4, 8, 64, 0xFFFFFFFF});
  void* target = in.byte() % 4 ? buffer : nullptr;
  if (bytes > sizeof buffer) return;
  if (in.byte() % 2) {
    GetModes(handle(in), name(in), static_cast<int32_t*>(target), bytes);
  } else {
    GetFrequencies(handle(in), name(in), mode(in), static_cast<int64_t*>(target), bytes);
  }
}

// Rare, as each save goes to the disk.
void saveAndReload(Input& in) {
  if (in.byte() % 16 != 0) return;
  const std::string path = "/tmp/fendrel-fuzz-" + std::to_string(::getpid()) + ".cal";
  if (SaveCALFile(handle(in), path.c_str()) == CAL_OK) {
    const int32_t reloaded = LoadCALFile(path.c_str());
    expect(reloaded >= 0 || reloaded == CAL_ERR_LOAD);
  }
  std::remove(path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  Input in(data, size);
  while (!in.empty()) {
    switch (in.byte() % 9) {
      case 0:
        expect(LoadCALFile(nullptr) >= 0);
        break;
      case 1:
        Unload(handle(in));
        break;
      case 2:
        convert(in);
        break;
      case 3:
        putColumn(in);
        break;
      case 4:
        list(in);
        break;
      case 5:
        DeleteMode(handle(in), name(in), mode(in));
        break;
      case 6:
        DeleteFrequency(handle(in), name(in), mode(in), frequency(in));
        break;
      case 7:
        saveAndReload(in);
        break;
      default:
        expect(SaveCALFile(handle(in), nullptr) < 0);
        break;
    }
  }
  for (int32_t cal = 0; cal < 256; ++cal) Unload(cal);
  return 0;
}
