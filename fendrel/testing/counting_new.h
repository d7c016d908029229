#pragma once
// Counts every allocation of the process (the library's included) by
// replacing the global operator new and delete; link counting_new.cpp into
// the one program that wants the figures.
#include <cstddef>

namespace counting_new {
extern std::size_t liveBytes;
extern std::size_t peakBytes;
extern std::size_t allocations;
}  // namespace counting_new
