#include "receivers/hamlib_radio.h"

#include <hamlib/rig.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <string>

#include "receivers/library_functions.h"
#include "receivers/record_text.h"
#include "vocabulary/hamlib_modes.h"

// The entry points of libhamlib the driver uses, in the order they are
// resolved. All are required.
#define HAMLIB_FUNCTIONS(X)                                                       \
  X(rig_set_debug, void, (enum rig_debug_level_e level))                          \
  X(rig_init, RIG*, (rig_model_t model))                                          \
  X(rig_token_lookup, token_t, (RIG * rig, const char* name))                     \
  X(rig_set_conf, int, (RIG * rig, token_t token, const char* value))             \
  X(rig_open, int, (RIG * rig))                                                   \
  X(rig_close, int, (RIG * rig))                                                  \
  X(rig_cleanup, int, (RIG * rig))                                                \
  X(rig_set_freq, int, (RIG * rig, vfo_t vfo, freq_t freq))                       \
  X(rig_get_freq, int, (RIG * rig, vfo_t vfo, freq_t * freq))                     \
  X(rig_set_mode, int, (RIG * rig, vfo_t vfo, rmode_t mode, pbwidth_t width))     \
  X(rig_get_mode, int, (RIG * rig, vfo_t vfo, rmode_t * mode, pbwidth_t * width)) \
  X(rig_set_level, int, (RIG * rig, vfo_t vfo, setting_t level, value_t value))   \
  X(rig_get_level, int, (RIG * rig, vfo_t vfo, setting_t level, value_t * value)) \
  X(rig_has_set_level, setting_t, (RIG * rig, setting_t level))

struct TVelkaro_Hamlib::Functions {
  HAMLIB_FUNCTIONS(RECEIVER_FUNCTION_FIELD)
};

// An initialised radio, open or not; cleaned up when it goes.
struct TVelkaro_Hamlib::Rig {
  Rig(const Functions& functions, RIG* handle) : fn(functions), rig(handle) {}
  ~Rig() {
    if (open) fn.rig_close(rig);
    fn.rig_cleanup(rig);
  }
  const Functions& fn;
  RIG* rig;
  bool open = false;
  std::size_t index = 0;  // in the radio list
};

namespace {

#ifdef _WIN32
constexpr const char* kHamlibLibrary = "libhamlib-4.dll";
#else
constexpr const char* kHamlibLibrary = "libhamlib.so.4";
#endif

// The program's modes of every mode in a Hamlib mode set, each once, in
// mode-code order.
int32_t ListModes(uint64_t hamlibModes, int32_t* modes) {
  std::vector<int32_t> found;
  for (uint64_t bit = 1; bit != 0; bit <<= 1)
    if (hamlibModes & bit) found.push_back(vocabulary::TableModeOfHamlib(bit));
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  const auto count = std::min<std::size_t>(found.size(), kMaxModes);
  std::copy_n(found.begin(), count, modes);
  return static_cast<int32_t>(count);
}

void SetIndex(TRadioDevice& record, std::size_t index) {
  const auto number = static_cast<int32_t>(index);
  std::memset(record.Address, 0, sizeof record.Address);
  std::memcpy(record.Address, &number, sizeof number);
}

std::size_t IndexOf(const TRadioDevice& record) {
  int32_t number;
  std::memcpy(&number, record.Address, sizeof number);
  return static_cast<std::size_t>(std::max(number, 0));
}

// Failures that mean the radio did not answer, as against a setting it
// refused.
bool IsLost(int status) {
  switch (-status) {
    case RIG_EIO:
    case RIG_ETIMEOUT:
    case RIG_EPROTO:
    case RIG_BUSERROR:
    case RIG_BUSBUSY:
      return true;
    default:
      return false;
  }
}

// libhamlib 4.5's rig_open keeps the name setlocale gives for LC_NUMERIC
// across its own switch to "C", which frees that name unless it already is
// "C" (the calibrator runs in the user's locale): open with "C" in force,
// then put the program's own back.
class NumericLocaleC {
 public:
  NumericLocaleC() {
    const char* name = std::setlocale(LC_NUMERIC, nullptr);
    saved_ = name ? name : "C";
    std::setlocale(LC_NUMERIC, "C");
  }
  ~NumericLocaleC() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
  NumericLocaleC(const NumericLocaleC&) = delete;
  NumericLocaleC& operator=(const NumericLocaleC&) = delete;

 private:
  std::string saved_;
};

}  // namespace

bool IsRadioName(std::string_view name) {
  return !name.empty() && name.size() <= kRadioNameWidth &&
         std::none_of(name.begin(), name.end(), [](char c) { return c == ' ' || c == '\t'; });
}

std::string CalReceiverName(std::string_view radioName) {
  std::string name(radioName);
  if (name.size() < kRadioNameWidth) name.resize(kRadioNameWidth, ' ');
  return name;
}

TVelkaro_Hamlib::TVelkaro_Hamlib(std::vector<THamlibRadio> radios)
    : radios_(std::move(radios)), fn_(std::make_unique<Functions>()) {
  if (radios_.empty()) return;
  auto bindAll = [](const platform::DynamicLibrary& library, Functions& functions) {
    return true HAMLIB_FUNCTIONS(RECEIVER_FUNCTION_BIND);
  };
  // Once used, libhamlib stays loaded for the rest of the process: it keeps
  // allocations across rig_cleanup that unloading would strand.
  static const platform::DynamicLibrary* const kept =
      platform::DynamicLibrary::Load(kHamlibLibrary).release();
  library_ = kept ? platform::DynamicLibrary::Load(kHamlibLibrary) : nullptr;
  if (library_ && !bindAll(*library_, *fn_)) library_.reset();
  // Hamlib's own messages would run into the program's output.
  if (library_) fn_->rig_set_debug(RIG_DEBUG_NONE);
}

TVelkaro_Hamlib::~TVelkaro_Hamlib() { Close(); }

std::string TVelkaro_Hamlib::ModelName(int32_t model) {
  RIG* handle = IsAvailable() ? fn_->rig_init(model) : nullptr;
  if (!handle) return {};
  const Rig rig(*fn_, handle);
  return handle->caps->model_name ? handle->caps->model_name : "";
}

std::unique_ptr<TVelkaro_Hamlib::Rig> TVelkaro_Hamlib::OpenRadio(const THamlibRadio& radio) {
  const NumericLocaleC locale;
  RIG* handle = fn_->rig_init(radio.Model);
  if (!handle) return nullptr;
  auto rig = std::make_unique<Rig>(*fn_, handle);
  const std::string speed = std::to_string(radio.SerialSpeed);
  if (fn_->rig_set_conf(handle, fn_->rig_token_lookup(handle, "rig_pathname"), radio.Address.c_str()) !=
          RIG_OK ||
      (radio.SerialSpeed > 0 &&
       fn_->rig_set_conf(handle, fn_->rig_token_lookup(handle, "serial_speed"), speed.c_str()) != RIG_OK) ||
      fn_->rig_open(handle) != RIG_OK)
    return nullptr;
  rig->open = true;
  return rig;
}

void TVelkaro_Hamlib::GetRadioList(TRadioDevice* first, int32_t* count) {
  *count = 0;
  if (!IsAvailable()) return;
  for (std::size_t i = 0; i < radios_.size() && *count < kMaxDriverDevices; ++i) {
    const auto rig = OpenRadio(radios_[i]);
    if (!rig) continue;
    const freq_range_t& range = rig->rig->state.rx_range_list[0];
    TRadioDevice& record = first[*count];
    std::memset(&record, 0, sizeof record);
    CopyText(record.Name, CalReceiverName(radios_[i].Name));
    CopyText(record.Model, rig->rig->caps->model_name ? rig->rig->caps->model_name : "");
    CopyText(record.Interface, "Hamlib");
    SetIndex(record, i);
    record.MinFreq = static_cast<int32_t>(std::clamp<freq_t>(range.startf, 0, INT32_MAX));
    record.MaxFreq = static_cast<int64_t>(range.endf);
    record.ModeCount = ListModes(range.modes, record.Modes);
    record.Driver = this;
    ++*count;
  }
}

bool TVelkaro_Hamlib::Open(const TRadioDevice& device) {
  Close();
  const std::size_t index = IndexOf(device);
  if (!IsAvailable() || index >= radios_.size()) return false;
  rig_ = OpenRadio(radios_[index]);
  if (!rig_) return false;
  rig_->index = index;
  device_ = static_cast<int32_t>(index);
  lost_ = false;
  return true;
}

void TVelkaro_Hamlib::Close() {
  rig_.reset();
  device_ = kNoDevice;
}

bool TVelkaro_Hamlib::Succeeded(int status) {
  if (IsLost(status)) lost_ = true;
  return status == RIG_OK;
}

int32_t TVelkaro_Hamlib::SetAtten(bool on) {
  if (!IsOpen()) return 0;
  const int32_t firstStep = rig_->rig->state.attenuator[0];
  if (on && firstStep == 0) return 0;
  return SetFrontEnd({on ? firstStep : 0, 0}) ? 0 : 1;
}

int32_t TVelkaro_Hamlib::SetPower(bool) { return IsOpen() ? 1 : 0; }
int32_t TVelkaro_Hamlib::SetBFOOffset(int32_t) { return 0; }
int32_t TVelkaro_Hamlib::SetIFShift(int32_t) { return 0; }
int32_t TVelkaro_Hamlib::SetAGC(int32_t) { return 0; }
int32_t TVelkaro_Hamlib::SetIFGain(int32_t) { return 0; }

int32_t TVelkaro_Hamlib::SetFrequency(uint32_t word) {
  return IsOpen() && Succeeded(fn_->rig_set_freq(rig_->rig, RIG_VFO_CURR,
                                                 static_cast<freq_t>(DecodeFrequencyWord(word))));
}

uint32_t TVelkaro_Hamlib::GetFrequency() {
  freq_t hz = 0;
  if (!IsOpen() || !Succeeded(fn_->rig_get_freq(rig_->rig, RIG_VFO_CURR, &hz))) return 0;
  return EncodeFrequencyWord(static_cast<int64_t>(hz));
}

int32_t TVelkaro_Hamlib::GetRawSignalStrength() {
  value_t value{};
  if (!IsOpen() || !Succeeded(fn_->rig_get_level(rig_->rig, RIG_VFO_CURR, RIG_LEVEL_RAWSTR, &value)))
    return 0;
  return ClampRaw(value.i);
}

bool TVelkaro_Hamlib::IsDeviceConnected() { return IsOpen() && !lost_; }

int32_t TVelkaro_Hamlib::SetMode(int32_t mode) {
  if (!IsOpen()) return 0;
  if (mode == kModeDefault) return 1;
  const rmode_t hamlibMode = vocabulary::HamlibModeOfTable(mode);
  return hamlibMode != RIG_MODE_NONE &&
         Succeeded(fn_->rig_set_mode(rig_->rig, RIG_VFO_CURR, hamlibMode, RIG_PASSBAND_NORMAL));
}

int32_t TVelkaro_Hamlib::GetMode() {
  rmode_t mode = RIG_MODE_NONE;
  pbwidth_t width = 0;
  if (!IsOpen() || !Succeeded(fn_->rig_get_mode(rig_->rig, RIG_VFO_CURR, &mode, &width))) return kModeDefault;
  return vocabulary::TableModeOfHamlib(mode);
}

std::optional<std::string> TVelkaro_Hamlib::SetFrontEnd(const THamlibFrontEnd& frontEnd) {
  if (!IsOpen()) return "the radio is not open";
  const auto& state = rig_->rig->state;
  const auto offers = [](const int* steps, int32_t db) {
    return db == 0 || std::find(steps, steps + HAMLIB_MAXDBLSTSIZ, db) != steps + HAMLIB_MAXDBLSTSIZ;
  };
  const std::string& name = radios_[rig_->index].Name;
  const struct {
    setting_t level;
    const char* label;
    int32_t db;
    const int* steps;
  } settings[] = {{RIG_LEVEL_ATT, "ATT", frontEnd.AttenuatorDb, state.attenuator},
                  {RIG_LEVEL_PREAMP, "PREAMP", frontEnd.PreampDb, state.preamp}};
  for (const auto& setting : settings) {
    const bool settable = fn_->rig_has_set_level(rig_->rig, setting.level) != 0;
    if ((setting.db != 0 || settable) && (!settable || !offers(setting.steps, setting.db)))
      return name + " has no " + setting.label + " setting of " + std::to_string(setting.db) + " dB";
  }
  for (const auto& setting : settings) {
    if (fn_->rig_has_set_level(rig_->rig, setting.level) == 0) continue;
    value_t value{};
    value.i = setting.db;
    if (!Succeeded(fn_->rig_set_level(rig_->rig, RIG_VFO_CURR, setting.level, value)))
      return name + " did not take " + setting.label + " " + std::to_string(setting.db);
  }
  return std::nullopt;
}
