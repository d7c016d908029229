/* The library as a C program sees it: through its header alone. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "fendrel.h"

static int failures = 0;

#define EXPECT(condition)                                                     \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                             \
    }                                                                         \
  } while (0)

static void fill(double* levels, double level) {
  for (int r = 0; r < 256; ++r) levels[r] = level;
}

int main(void) {
  double levels[256];
  int32_t modes[4];
  int64_t frequencies[4];
  CalibratedStrength strength;
  const char* path = "c_interface_test.cal";

  int32_t cal = LoadCALFile(NULL);
  EXPECT(cal >= 0);
  fill(levels, -80.0);
  EXPECT(PutDBMs(cal, "VK-2000", CAL_MODE_AM, 10000000, levels) == CAL_OK);
  fill(levels, -70.0);
  EXPECT(PutDBMs(cal, "VK-2000", CAL_MODE_AM, 20000000, levels) == CAL_OK);
  levels[3] = NAN;
  EXPECT(PutDBMs(cal, "VK-2000", CAL_MODE_AM, 30000000, levels) == CAL_ERR_DBM_RANGE);

  memset(&strength, 0, sizeof strength);
  strength.Size = sizeof strength;
  strength.RawValue = 200;
  EXPECT(sizeof strength == 33);
  EXPECT(GetCS(cal, "VK-2000", CAL_MODE_AM, 12500000, &strength) == CAL_OK);
  EXPECT(fabs(strength.DBm - -77.5) < 1e-9);
  EXPECT(strcmp(SUnitLabels[strength.SUnit], "S8") == 0);
  EXPECT(strength.DBm >= SUnitThresholds[strength.SUnit - 1]);

  EXPECT(GetModes(cal, "VK-2000", NULL, 0) == 4);
  EXPECT(GetModes(cal, "VK-2000", modes, sizeof modes) == 4 && modes[0] == CAL_MODE_AM);
  EXPECT(strcmp(ModeNames[modes[0] + 1], "AM - Amplitude Modulation") == 0);
  EXPECT(GetFrequencies(cal, "VK-2000", CAL_MODE_AM, frequencies, sizeof frequencies) == 16);
  EXPECT(frequencies[0] == 10000000 && frequencies[1] == 20000000);

  EXPECT(SaveCALFile(cal, path) == CAL_OK);
  int32_t reloaded = LoadCALFile(path);
  EXPECT(reloaded >= 0 && reloaded != cal);
  EXPECT(GetFrequencies(reloaded, "VK-2000", CAL_MODE_AM, NULL, 0) == 16);
  EXPECT(DeleteFrequency(reloaded, "VK-2000", CAL_MODE_AM, 10000000) == CAL_OK);
  EXPECT(DeleteMode(reloaded, "VK-2000", CAL_MODE_AM) == CAL_OK);
  EXPECT(GetModes(reloaded, "VK-2000", NULL, 0) == 0);
  EXPECT(Unload(reloaded) == CAL_OK);
  EXPECT(Unload(cal) == CAL_OK);
  EXPECT(Unload(cal) == CAL_ERR_HANDLE);
  remove(path);

  if (failures == 0) puts("all passed");
  return failures == 0 ? 0 : 1;
}
