// Entry point of the calibrator's test programs: one application object for
// the whole run, on the offscreen platform unless the caller chose another.
#include <gtest/gtest.h>

#include "platform/application.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  platform::Application app(argc, argv);
  return RUN_ALL_TESTS();
}
