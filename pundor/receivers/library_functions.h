#pragma once
// Declaring and binding a receiver library's entry points from one list, so
// that each function's type, name and binding are written once:
//
//   #define CLASSIC_FUNCTIONS(X) X(OpenRadioDevice, int32_t, (int32_t number)) ...
//   struct Functions { CLASSIC_FUNCTIONS(RECEIVER_FUNCTION_FIELD) };
//   bool BindAll(const platform::DynamicLibrary& library, Functions& functions) {
//     return true CLASSIC_FUNCTIONS(RECEIVER_FUNCTION_BIND);
//   }
//
// Binding resolves in list order and stops at the first missing name.
#include "platform/dynamic_library.h"

#define RECEIVER_FUNCTION_FIELD(name, result, params) result(*name) params = nullptr;
#define RECEIVER_FUNCTION_BIND(name, result, params) &&library.Bind(functions.name, #name)
