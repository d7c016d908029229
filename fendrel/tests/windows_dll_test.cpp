// fendrel.dll as Windows programs see it: its version resource, and every
// table still open freed when the DLL is unloaded. Loaded by name from the
// program's folder, as the calibrator does, so that it can be unloaded.
#include <gtest/gtest.h>
#include <malloc.h>
#include <windows.h>

#include <string>
#include <vector>

#include "fendrel.h"

namespace {

constexpr const char* kLibrary = "fendrel.dll";

std::string versionText(const std::vector<char>& info, const char* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
  if (!VerQueryValueA(info.data(), key.c_str(), &value, &length) || length == 0) return "(none)";
  return static_cast<const char*>(value);
}

TEST(WindowsDll, CarriesItsVersionResource) {
  const DWORD size = GetFileVersionInfoSizeA(kLibrary, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(kLibrary, 0, size, info.data()));
  EXPECT_EQ(versionText(info, "FileVersion"), "2, 0, 1, 1");
  EXPECT_EQ(versionText(info, "ProductVersion"), "2, 0, 1, 1");
  EXPECT_EQ(versionText(info, "FileDescription"), "fendrel");
  EXPECT_EQ(versionText(info, "InternalName"), "fendrel");
  EXPECT_EQ(versionText(info, "OriginalFilename"), "fendrel.dll");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 2));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 1));
}

// The C runtime's heap, which the DLL and this program share.
std::size_t heapBytesInUse() {
  _HEAPINFO entry{};
  std::size_t used = 0;
  while (_heapwalk(&entry) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY) used += entry._size;
  }
  return used;
}

template <typename Fn>
Fn bound(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

TEST(WindowsDll, FreesEveryTableStillOpenWhenUnloaded) {
  const HMODULE library = LoadLibraryA(kLibrary);
  ASSERT_NE(library, nullptr);
  const auto load = bound<decltype(&LoadCALFile)>(library, "LoadCALFile");
  const auto put = bound<decltype(&PutDBMs)>(library, "PutDBMs");
  ASSERT_TRUE(load && put);
  const std::size_t before = heapBytesInUse();
  double levels[256] = {};
  for (int table = 0; table < 3; ++table) {
    const int32_t cal = load(nullptr);
    for (int64_t frequency = 0; frequency < 50; ++frequency)
      ASSERT_EQ(put(cal, "Halv-A1", 1, frequency, levels), CAL_OK);
  }
  ASSERT_GT(heapBytesInUse(), before + 3 * 50 * 1024);
  ASSERT_TRUE(FreeLibrary(library));
  EXPECT_LE(heapBytesInUse(), before);
}

}  // namespace
