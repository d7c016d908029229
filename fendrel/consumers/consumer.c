/* A receiver application in C, built against an installed fendrel through
 * pkg-config: cc consumer.c $(pkg-config --cflags --libs fendrel).
 * Builds a table, saves it, loads it again and converts a reading from it. */
#include <fendrel.h>
#include <stdio.h>

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "consumer.cal";
  double levels[256];
  for (int raw = 0; raw < 256; ++raw) levels[raw] = -140.0 + raw * 0.5;

  int32_t cal = LoadCALFile(NULL);
  if (PutDBMs(cal, "Halv-A1", CAL_MODE_AM, 14000000, levels) != CAL_OK || SaveCALFile(cal, path) != CAL_OK) {
    fprintf(stderr, "consumer: cannot build and save %s\n", path);
    return 1;
  }
  Unload(cal);

  cal = LoadCALFile(path);
  CalibratedStrength strength = {0};
  strength.Size = sizeof strength;
  strength.RawValue = 100;
  /* No AM at 7 MHz: the only point stands for every frequency. */
  const int32_t result = cal < 0 ? cal : GetCS(cal, "Halv-A1", CAL_MODE_AM, 7000000, &strength);
  if (result != CAL_OK || strength.DBm != -90.0) {
    fprintf(stderr, "consumer: reading %s gave %d, %.1f dBm\n", path, result, strength.DBm);
    return 1;
  }
  printf("C consumer: raw 100 is %.1f dBm (%s)\n", strength.DBm, SUnitLabels[strength.SUnit]);
  Unload(cal);
  return 0;
}
