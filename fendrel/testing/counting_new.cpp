#include "counting_new.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace counting_new {
std::size_t liveBytes = 0;
std::size_t peakBytes = 0;
std::size_t allocations = 0;
}  // namespace counting_new

void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  ++counting_new::allocations;
  counting_new::liveBytes += malloc_usable_size(block);
  if (counting_new::liveBytes > counting_new::peakBytes) counting_new::peakBytes = counting_new::liveBytes;
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
void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  counting_new::liveBytes -= malloc_usable_size(block);
  std::free(block);
}
#pragma GCC diagnostic pop
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
