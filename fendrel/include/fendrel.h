/*
 * fendrel: S-meter calibration tables.
 *
 * (Declarations only for now; each export's manual entry follows with the
 * library itself.)
 */
#ifndef FENDREL_H
#define FENDREL_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(FENDREL_BUILDING)
#    define FENDREL_API __declspec(dllexport)
#  else
#    define FENDREL_API __declspec(dllimport)
#  endif
#else
#  define FENDREL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define CAL_OK                  (-1)
#define CAL_ERR_DBM_RANGE       (-2)
#define CAL_ERR_DBM_ARRAY       (-3)
#define CAL_ERR_FREQUENCY       (-4)
#define CAL_ERR_WRITE           (-5)
#define CAL_ERR_FILE_NAME       (-6)
#define CAL_ERR_NO_RECEIVER     (-7)
#define CAL_ERR_FILE_NOT_FOUND  (-8)
#define CAL_ERR_LOAD            (-9)
#define CAL_ERR_HANDLE          (-10)
#define CAL_ERR_STRUCT_SIZE     (-11)
#define CAL_ERR_STRUCT          (-12)
#define CAL_ERR_RECEIVER_NAME   (-13)
#define CAL_ERR_NO_MODE         (-14)
#define CAL_ERR_RAW_RANGE       (-15)
#define CAL_ERR_BUFFER          (-16)
#define CAL_ERR_NO_FREQUENCY    (-17)
#define CAL_ERR_NO_POINTS       (-18)

/* Mode codes. */
#define CAL_MODE_DEFAULT (-1)
#define CAL_MODE_CW      0
#define CAL_MODE_AM      1
#define CAL_MODE_FMN     2
#define CAL_MODE_FMW     3
#define CAL_MODE_LSB     4
#define CAL_MODE_USB     5
#define CAL_MODE_FMM     6
#define CAL_MODE_FM6     7

#pragma pack(push, 1)
typedef struct CalibratedStrength {
  int32_t Size;         /* in: must be 33 */
  uint8_t RawValue;     /* in: raw reading 0..255 */
  double DBm;           /* out: level, -140.0..0.0 dBm */
  double MicroVolts;    /* out: RMS voltage into 50 ohm */
  double MicroVoltsPP;  /* out: 2*sqrt(2) * MicroVolts */
  int32_t SUnit;        /* out: index into SUnitLabels, 0..16 */
} CalibratedStrength;
#pragma pack(pop)

FENDREL_API int32_t LoadCALFile(const char* fileName);
FENDREL_API int32_t Unload(int32_t handle);
FENDREL_API int32_t GetCS(int32_t handle, const char* receiverName, int32_t mode,
                          int64_t frequency, CalibratedStrength* strength);
FENDREL_API int32_t PutDBMs(int32_t handle, const char* receiverName, int32_t mode,
                            int64_t frequency, const double* dBms);
FENDREL_API int32_t SaveCALFile(int32_t handle, const char* fileName);
FENDREL_API int32_t GetModes(int32_t handle, const char* receiverName, int32_t* buffer,
                             uint32_t bufferBytes);
FENDREL_API int32_t GetFrequencies(int32_t handle, const char* receiverName, int32_t mode,
                                   int64_t* buffer, uint32_t bufferBytes);
FENDREL_API int32_t DeleteMode(int32_t handle, const char* receiverName, int32_t mode);
FENDREL_API int32_t DeleteFrequency(int32_t handle, const char* receiverName, int32_t mode,
                                    int64_t frequency);

#ifdef __cplusplus
}
#endif

#endif /* FENDREL_H */
