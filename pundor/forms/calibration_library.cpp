#include "forms/calibration_library.h"

#include <QString>
#include <array>
#include <utility>

#include "platform/dynamic_library.h"
#include "platform/message_box.h"

namespace calibration {
#define ORVANTA_DEFINE_ENTRY_POINT(name) decltype(&::name) name = nullptr;
ORVANTA_CALIBRATION_ENTRY_POINTS(ORVANTA_DEFINE_ENTRY_POINT)
#undef ORVANTA_DEFINE_ENTRY_POINT
}  // namespace calibration

namespace {

// Every look-up is made and stored, even after one has failed.
bool ResolveEntryPoints(const platform::DynamicLibrary& library) {
  bool all = true;
#define ORVANTA_BIND_ENTRY_POINT(name) all = library.Bind(calibration::name, #name) && all;
  ORVANTA_CALIBRATION_ENTRY_POINTS(ORVANTA_BIND_ENTRY_POINT)
#undef ORVANTA_BIND_ENTRY_POINT
  return all;
}

}  // namespace

const char* LibraryErrorText(int32_t code) {
  static const std::array<std::pair<int32_t, const char*>, 16> messages{{
      {CAL_ERR_DBM_RANGE, "Was found an dBm value in array that is out of range -140 - 0"},
      {CAL_ERR_DBM_ARRAY, "dBm array is not valid."},
      {CAL_ERR_FREQUENCY, "Specified frequency is not found in calibration table."},
      {CAL_ERR_WRITE, "Error during writing calibration table to file."},
      {CAL_ERR_FILE_NAME, "Specified file name is not valid."},
      {CAL_ERR_NO_RECEIVER, "Specified receiver is not found in calibration table."},
      {CAL_ERR_FILE_NOT_FOUND, "CAL file not found."},
      {CAL_ERR_LOAD, "Error during loading CAL file to memory."},
      {CAL_ERR_HANDLE, "Invalid CAL handle."},
      {CAL_ERR_STRUCT_SIZE, "Calibration structure has invalid size."},
      {CAL_ERR_STRUCT, "Calibration structure is invalid."},
      {CAL_ERR_RECEIVER_NAME, "Receiver name is invalid."},
      {CAL_ERR_NO_MODE, "Calibration table does not contains requested mode."},
      {CAL_ERR_RAW_RANGE, "RAW signal strength value is not within range 0 \u2013 255."},
      {CAL_ERR_BUFFER, "Buffer is not valid. Pointer to buffer is NULL."},
      {CAL_ERR_NO_FREQUENCY, "Frequency not found in table."},
  }};
  for (const auto& [known, text] : messages)
    if (known == code) return text;
  return nullptr;
}

bool BindCalibrationLibrary() {
  auto library = platform::DynamicLibrary::Load("fendrel.dll");
  if (!library) {
    platform::ShowError(
        QStringLiteral("Unable to load dynamic library 'fendrel.dll'.\nApplication will be terminated."));
    return false;
  }
  // The library stays loaded until the process ends, bound or not.
  library->KeepLoaded();
  if (!ResolveEntryPoints(*library)) {
    platform::ShowError(
        QStringLiteral("Bad version of dynamic library 'fendrel.dll' or file is corrupted.\nApplication will "
                       "be terminated."));
    return false;
  }
  return true;
}

bool ShowLibraryError(int32_t code) {
  const char* text = LibraryErrorText(code);
  if (!text) return true;
  platform::ShowError(QString::fromUtf8(text));
  return false;
}
