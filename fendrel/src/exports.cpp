// The nine exports. Each runs its checks in the documented order, and no
// exception leaves the library.
#include <algorithm>
#include <cstring>
#include <new>

#include "cal_file.h"
#include "fendrel.h"
#include "handles.h"
#include "model.h"
#include "strength.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

using fendrel::CalMode;
using fendrel::CalReceiver;
using fendrel::CalTable;

fendrel::CalHandles openTables;

// Tables still open when the library leaves the process are freed then,
// without being saved.
void closeAllTables() noexcept { openTables.clear(); }

constexpr int32_t kStrengthSize = 33;

// The mode for GetCS: the requested one, else the DEFAULT section.
const CalMode* conversionMode(const CalReceiver& receiver, int32_t mode) {
  const CalMode* found = receiver.findMode(fendrel::reduceModeCode(mode));
  return found != nullptr ? found : receiver.findMode(CAL_MODE_DEFAULT);
}

bool allLevelsAccepted(const double* dBms) {
  return std::all_of(dBms, dBms + fendrel::kValueCount, fendrel::isAcceptedLevel);
}

std::unique_ptr<fendrel::CalPoint> makePoint(int64_t frequency, const double* dBms) {
  auto point = std::make_unique<fendrel::CalPoint>();
  point->Frequency = frequency;
  std::transform(dBms, dBms + fendrel::kValueCount, point->Values, fendrel::storedTenths);
  return point;
}

// Everything that can run out of memory is done before the table changes,
// so a failure leaves it as it was.
void putColumn(CalTable& table, const char* name, int32_t code, std::unique_ptr<fendrel::CalPoint> point) {
  table.Receivers.reserve(table.Receivers.size() + 1);
  CalReceiver* existingReceiver = table.findReceiverIgnoringCase(name);
  auto newReceiver = existingReceiver ? nullptr : std::make_unique<CalReceiver>(name);
  CalReceiver& receiver = existingReceiver ? *existingReceiver : *newReceiver;
  receiver.Modes.reserve(receiver.Modes.size() + 1);
  CalMode* existingMode = receiver.findMode(code);
  auto newMode = existingMode ? nullptr : std::make_unique<CalMode>(static_cast<int16_t>(code));
  CalMode& mode = existingMode ? *existingMode : *newMode;
  mode.Points.reserve(mode.Points.size() + 1);
  mode.putPoint(std::move(point));
  if (newMode) receiver.Modes.push_back(std::move(newMode));
  if (newReceiver) table.Receivers.push_back(std::move(newReceiver));
}

struct ModeLookup {
  int32_t status;
  CalReceiver* receiver;
  CalMode* mode;
};

// The checks shared by GetFrequencies, DeleteMode and DeleteFrequency.
ModeLookup exactMode(int32_t handle, const char* receiverName, int32_t mode) {
  const CalTable* table = openTables.find(handle);
  if (table == nullptr) return {CAL_ERR_HANDLE, nullptr, nullptr};
  if (receiverName == nullptr) return {CAL_ERR_RECEIVER_NAME, nullptr, nullptr};
  CalReceiver* receiver = table->findReceiver(receiverName);
  if (receiver == nullptr) return {CAL_ERR_NO_RECEIVER, nullptr, nullptr};
  CalMode* found = receiver->findMode(mode);
  if (found == nullptr) return {CAL_ERR_NO_MODE, receiver, nullptr};
  return {CAL_OK, receiver, found};
}

// Copies as many items as fit and returns the size of the whole list.
template <typename Item, typename Source>
int32_t copyList(const Source& source, Item* buffer, uint32_t bufferBytes,
                 Item (*itemOf)(const typename Source::value_type&)) {
  const auto wholeBytes = static_cast<int32_t>(source.size() * sizeof(Item));
  if (bufferBytes == 0) return wholeBytes;
  if (buffer == nullptr) return CAL_ERR_BUFFER;
  const std::size_t count = std::min<std::size_t>(source.size(), bufferBytes / sizeof(Item));
  std::transform(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(count), buffer, itemOf);
  return wholeBytes;
}

int32_t codeOf(const std::unique_ptr<CalMode>& mode) { return mode->Code; }
int64_t frequencyOf(const std::unique_ptr<fendrel::CalPoint>& point) { return point->Frequency; }

}  // namespace

extern "C" {

FENDREL_API int32_t LoadCALFile(const char* fileName) noexcept {
  try {
    if (fileName == nullptr) return openTables.add(std::make_unique<CalTable>());
    auto loaded = fendrel::loadCalFile(fileName);
    switch (loaded.status) {
      case fendrel::LoadStatus::Loaded:
        return openTables.add(std::move(loaded.table));
      case fendrel::LoadStatus::CannotOpen:
        return CAL_ERR_FILE_NOT_FOUND;
      case fendrel::LoadStatus::NoReceiver:
      case fendrel::LoadStatus::ReadFailed:
        break;
    }
  } catch (const std::bad_alloc&) {
  }
  return CAL_ERR_LOAD;
}

FENDREL_API int32_t Unload(int32_t handle) noexcept {
  return openTables.remove(handle) ? CAL_OK : CAL_ERR_HANDLE;
}

FENDREL_API int32_t GetCS(int32_t handle, const char* receiverName, int32_t mode, int64_t frequency,
                          CalibratedStrength* strength) noexcept {
  if (strength == nullptr) return CAL_ERR_STRUCT;
  if (strength->Size != kStrengthSize) return CAL_ERR_STRUCT_SIZE;
  const CalTable* table = openTables.find(handle);
  if (table == nullptr) return CAL_ERR_HANDLE;
  if (receiverName == nullptr) return CAL_ERR_RECEIVER_NAME;
  const CalReceiver* receiver = table->findReceiver(receiverName);
  if (receiver == nullptr) return CAL_ERR_NO_RECEIVER;
  const CalMode* section = conversionMode(*receiver, mode);
  if (section == nullptr) return CAL_ERR_NO_MODE;
  if (section->Points.empty()) return CAL_ERR_NO_POINTS;
  const fendrel::Strength result = fendrel::convertReading(*section, strength->RawValue, frequency);
  strength->DBm = result.dBm;
  strength->MicroVolts = result.microVolts;
  strength->MicroVoltsPP = result.microVoltsPP;
  strength->SUnit = result.sUnit;
  return CAL_OK;
}

FENDREL_API int32_t PutDBMs(int32_t handle, const char* receiverName, int32_t mode, int64_t frequency,
                            const double* dBms) noexcept {
  CalTable* table = openTables.find(handle);
  if (table == nullptr) return CAL_ERR_HANDLE;
  // A longer name would not fit the table's name field.
  if (receiverName == nullptr || std::strlen(receiverName) > fendrel::kMaxNameLength)
    return CAL_ERR_RECEIVER_NAME;
  if (frequency < 0) return CAL_ERR_FREQUENCY;
  if (dBms == nullptr) return CAL_ERR_DBM_ARRAY;
  if (!allLevelsAccepted(dBms)) return CAL_ERR_DBM_RANGE;
  try {
    putColumn(*table, receiverName, fendrel::reduceModeCode(mode), makePoint(frequency, dBms));
  } catch (const std::bad_alloc&) {
    return CAL_ERR_LOAD;
  }
  return CAL_OK;
}

FENDREL_API int32_t SaveCALFile(int32_t handle, const char* fileName) noexcept {
  const CalTable* table = openTables.find(handle);
  if (table == nullptr) return CAL_ERR_HANDLE;
  if (fileName == nullptr) return CAL_ERR_FILE_NAME;
  try {
    return fendrel::saveCalFile(*table, fileName) ? CAL_OK : CAL_ERR_WRITE;
  } catch (const std::bad_alloc&) {
    return CAL_ERR_WRITE;
  }
}

FENDREL_API int32_t GetModes(int32_t handle, const char* receiverName, int32_t* buffer,
                             uint32_t bufferBytes) noexcept {
  const CalTable* table = openTables.find(handle);
  if (table == nullptr) return CAL_ERR_HANDLE;
  if (receiverName == nullptr) return CAL_ERR_RECEIVER_NAME;
  const CalReceiver* receiver = table->findReceiver(receiverName);
  if (receiver == nullptr) return CAL_ERR_NO_RECEIVER;
  return copyList(receiver->Modes, buffer, bufferBytes, codeOf);
}

FENDREL_API int32_t GetFrequencies(int32_t handle, const char* receiverName, int32_t mode, int64_t* buffer,
                                   uint32_t bufferBytes) noexcept {
  const ModeLookup found = exactMode(handle, receiverName, mode);
  if (found.status != CAL_OK) return found.status;
  return copyList(found.mode->Points, buffer, bufferBytes, frequencyOf);
}

FENDREL_API int32_t DeleteMode(int32_t handle, const char* receiverName, int32_t mode) noexcept {
  const ModeLookup found = exactMode(handle, receiverName, mode);
  if (found.status != CAL_OK) return found.status;
  std::erase_if(found.receiver->Modes, [&found](const auto& each) { return each.get() == found.mode; });
  return CAL_OK;
}

FENDREL_API int32_t DeleteFrequency(int32_t handle, const char* receiverName, int32_t mode,
                                    int64_t frequency) noexcept {
  const ModeLookup found = exactMode(handle, receiverName, mode);
  if (found.status != CAL_OK) return found.status;
  const auto point = found.mode->findPoint(frequency);
  if (point == found.mode->Points.end()) return CAL_ERR_NO_FREQUENCY;
  found.mode->Points.erase(point);
  return CAL_OK;
}

}  // extern "C"

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) closeAllTables();
  return TRUE;
}
#else
namespace {
// Defined after openTables, so destroyed before it: at dlclose or at exit.
struct CloseAtUnload {
  ~CloseAtUnload() { closeAllTables(); }
} closeAtUnload;
}  // namespace
#endif
