// pundor: the S-meter calibrator.
#include "forms/program.h"
#include "platform/application.h"

int main(int argc, char** argv) {
  platform::Application application(argc, argv);
  return RunCalibrator(application);
}
