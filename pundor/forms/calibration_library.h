#pragma once
// The calibration library, bound at run time: the program does not link
// against it but loads "fendrel.dll" at start and looks up the exports it
// uses. The entry points below are null until BindCalibrationLibrary succeeds
// and stay bound for the rest of the process.
#include <cstdint>

#include "fendrel.h"

// The eight exports the program uses, in the order they are looked up. Each
// entry point has the type of the export's declaration in fendrel.h.
// (DeleteMode is never called, so it is not bound.)
#define ORVANTA_CALIBRATION_ENTRY_POINTS(X) \
  X(LoadCALFile)                            \
  X(Unload)                                 \
  X(GetCS)                                  \
  X(PutDBMs)                                \
  X(SaveCALFile)                            \
  X(GetModes)                               \
  X(GetFrequencies)                         \
  X(DeleteFrequency)

// In their own namespace so that they do not clash with the declarations of
// fendrel.h: call them as calibration::GetCS(...).
namespace calibration {
#define ORVANTA_DECLARE_ENTRY_POINT(name) extern decltype(&::name) name;
ORVANTA_CALIBRATION_ENTRY_POINTS(ORVANTA_DECLARE_ENTRY_POINT)
#undef ORVANTA_DECLARE_ENTRY_POINT
}  // namespace calibration

// Loads the library and resolves the eight entry points. False after one of
// the two error messages (library missing; an export missing); the caller
// then ends the program.
bool BindCalibrationLibrary();

// The message for a library error code (-2 to -17), or null for any other value.
const char* LibraryErrorText(int32_t code);

// False after showing the message for a library error code (-2 to -17);
// true, showing nothing, for any other value (success, handles, sizes, -18).
bool ShowLibraryError(int32_t code);
