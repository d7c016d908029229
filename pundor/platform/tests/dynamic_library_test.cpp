#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include <fstream>

#include "fendrel.h"

namespace platform {
namespace {

const std::filesystem::path kFakes = ORVANTA_FAKE_LIBRARIES_DIR;

class DynamicLibraryTest : public testing::Test {
 protected:
  void TearDown() override { SetProgramFolder({}); }
};

TEST(PlatformLibraryName, MapsWindowsLibraryNamesToSharedObjects) {
  EXPECT_EQ(PlatformLibraryName("fendrel.dll"), "libfendrel.so");
  EXPECT_EQ(PlatformLibraryName("vxaapi.dll"), "libvxaapi.so");
  EXPECT_EQ(PlatformLibraryName("DROVAPI32.DLL"), "libdrovapi32.so");
  EXPECT_EQ(PlatformLibraryName("libm.so.6"), "libm.so.6");
  EXPECT_EQ(PlatformLibraryName("hhctrl.ocx"), "hhctrl.ocx");
}

TEST_F(DynamicLibraryTest, LoadsFromTheProgramFolderAndResolvesFunctionsByName) {
  SetProgramFolder(kFakes / "fendrel-complete");
  auto library = DynamicLibrary::Load("fendrel.dll");
  ASSERT_NE(library, nullptr);
  decltype(&::LoadCALFile) load = nullptr;
  ASSERT_TRUE(library->Bind(load, "LoadCALFile"));
  EXPECT_EQ(load(nullptr), 42);
}

TEST_F(DynamicLibraryTest, AMissingFunctionIsAResult) {
  SetProgramFolder(kFakes / "fendrel-seven");
  auto library = DynamicLibrary::Load("fendrel.dll");
  ASSERT_NE(library, nullptr);
  decltype(&::DeleteFrequency) deleteFrequency = reinterpret_cast<decltype(deleteFrequency)>(1);
  EXPECT_FALSE(library->Bind(deleteFrequency, "DeleteFrequency"));
  EXPECT_EQ(deleteFrequency, nullptr);
  EXPECT_EQ(library->Resolve("NoSuchFunction"), nullptr);
}

TEST_F(DynamicLibraryTest, AMissingLibraryIsAResult) {
  SetProgramFolder(kFakes / "no-such-folder");
  EXPECT_EQ(DynamicLibrary::Load("fendrel.dll"), nullptr);
}

TEST_F(DynamicLibraryTest, AReplacedProgramFolderIsTheOnlyPlaceSearched) {
  SetProgramFolder(kFakes / "fendrel-complete");
  EXPECT_EQ(DynamicLibrary::Load("libm.so.6"), nullptr);
}

TEST_F(DynamicLibraryTest, ACorruptLibraryIsAResult) {
  const auto folder = std::filesystem::temp_directory_path() / "orvanta-corrupt-library";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "libfendrel.so") << "not a shared object";
  SetProgramFolder(folder);
  EXPECT_EQ(DynamicLibrary::Load("fendrel.dll"), nullptr);
  std::filesystem::remove_all(folder);
}

TEST_F(DynamicLibraryTest, TheProgramFolderIsTheExecutablesOwnAndTheSystemPathFollows) {
  EXPECT_EQ(ProgramFolder(), std::filesystem::canonical("/proc/self/exe").parent_path());
  EXPECT_NE(DynamicLibrary::Load("libm.so.6"), nullptr);
}

}  // namespace
}  // namespace platform
