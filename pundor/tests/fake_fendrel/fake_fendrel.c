/* Stand-ins for the calibration library in the binding tests. They behave as
 * an empty table would, and LoadCALFile returns 42 so that a test can tell
 * that it reached this library. Built once with all eight exports the program
 * binds (but without DeleteMode, which it never binds) and once with
 * DeleteFrequency left out, as an older library would be. */
#include "fendrel.h"

int32_t LoadCALFile(const char* fileName) {
  (void)fileName;
  return 42;
}

int32_t Unload(int32_t handle) {
  (void)handle;
  return CAL_OK;
}

int32_t GetCS(int32_t handle, const char* receiverName, int32_t mode, int64_t frequency,
              CalibratedStrength* strength) {
  (void)handle;
  (void)receiverName;
  (void)mode;
  (void)frequency;
  (void)strength;
  return CAL_ERR_NO_RECEIVER;
}

int32_t PutDBMs(int32_t handle, const char* receiverName, int32_t mode, int64_t frequency, const double* dBms) {
  (void)handle;
  (void)receiverName;
  (void)mode;
  (void)frequency;
  (void)dBms;
  return CAL_OK;
}

int32_t SaveCALFile(int32_t handle, const char* fileName) {
  (void)handle;
  (void)fileName;
  return CAL_OK;
}

int32_t GetModes(int32_t handle, const char* receiverName, int32_t* buffer, uint32_t bufferBytes) {
  (void)handle;
  (void)receiverName;
  (void)buffer;
  (void)bufferBytes;
  return 0;
}

int32_t GetFrequencies(int32_t handle, const char* receiverName, int32_t mode, int64_t* buffer,
                       uint32_t bufferBytes) {
  (void)handle;
  (void)receiverName;
  (void)mode;
  (void)buffer;
  (void)bufferBytes;
  return 0;
}

#ifndef FAKE_FENDREL_WITHOUT_DELETE_FREQUENCY
int32_t DeleteFrequency(int32_t handle, const char* receiverName, int32_t mode, int64_t frequency) {
  (void)handle;
  (void)receiverName;
  (void)mode;
  (void)frequency;
  return CAL_OK;
}
#endif
