#pragma once
// Running out of memory on purpose: while a LargeAllocationsFail lives, every
// allocation through operator new of at least its size fails with
// std::bad_alloc, as a large one would under a memory limit. The test program
// replaces the global operator new for this.
#include <cstddef>

class LargeAllocationsFail {
 public:
  explicit LargeAllocationsFail(std::size_t bytes);
  ~LargeAllocationsFail();
  LargeAllocationsFail(const LargeAllocationsFail&) = delete;
  LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;
};
