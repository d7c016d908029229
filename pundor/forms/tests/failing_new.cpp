#include "failing_new.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
// 0 while nothing fails.
std::atomic<std::size_t> failFrom{0};
}  // namespace

LargeAllocationsFail::LargeAllocationsFail(std::size_t bytes) { failFrom = bytes; }

LargeAllocationsFail::~LargeAllocationsFail() { failFrom = 0; }

void* operator new(std::size_t size) {
  const std::size_t limit = failFrom.load(std::memory_order_relaxed);
  if (limit != 0 && size >= limit) throw std::bad_alloc();
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
// The library's nothrow form (std::stable_sort's buffer) must come from the
// same malloc, since its blocks go back through the operator delete below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
// The replacement operator new above takes its blocks from malloc.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop
