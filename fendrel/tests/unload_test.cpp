// Tables still open when the library leaves the process are freed: with the
// library loaded at run time, every byte it took is given back at dlclose.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "counting_new.h"
#include "fendrel.h"

using counting_new::liveBytes;

namespace {

template <typename Fn>
Fn bound(void* library, const char* name) {
  return reinterpret_cast<Fn>(dlsym(library, name));
}

TEST(LibraryUnload, FreesEveryTableStillOpen) {
  void* library = dlopen(FENDREL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  const auto load = bound<decltype(&LoadCALFile)>(library, "LoadCALFile");
  const auto put = bound<decltype(&PutDBMs)>(library, "PutDBMs");
  ASSERT_TRUE(load && put);
  const std::size_t before = liveBytes;
  double levels[256] = {};
  for (int table = 0; table < 3; ++table) {
    const int32_t cal = load(nullptr);
    for (int64_t frequency = 0; frequency < 50; ++frequency) ASSERT_EQ(put(cal, "Halv-A1", 1, frequency, levels), CAL_OK);
  }
  ASSERT_GT(liveBytes, before + 3 * 50 * 1024);
  ASSERT_EQ(dlclose(library), 0);
  EXPECT_LE(liveBytes, before);
}

}  // namespace
