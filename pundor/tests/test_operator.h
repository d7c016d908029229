#pragma once
// The scripted operator as the calibrator's tests use it: anything unexpected
// (a box nobody scripted, an answer never used) fails the running test.
#include <gtest/gtest.h>

#include "platform/scripted_operator.h"

class TestOperator : public platform::ScriptedOperator {
 public:
  TestOperator() : ScriptedOperator([](const std::string& message) { ADD_FAILURE() << message; }) {}
};
