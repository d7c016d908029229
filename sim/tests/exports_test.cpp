// Each simulated library exports its driver's functions and no other
// family's, so that a driver missing one is caught as it would be with the
// maker's library.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kAllNames = {
    "OpenRadioDevice",
    "CloseRadioDevice",
    "SetFrequency",
    "SetPower",
    "GetRawSignalStrength",
    "SetVolume",
    "SetMute",
    "SetMode",
    "SetIFShift",
    "GetRadioDeviceInfo",
    "SetAtten",
    "SetAGC",
    "SetBFOOffset",
    "SetIFGain",
    "GetFrequency",
    "GetMode",
    "VxGetRadioList2",
    "VxOpen",
    "VxGetInfo",
    "IsDeviceConnected",
    "VxGetInternalRSSI",
    "CodecStop",
    "CodecStart",
    "VxGetLastRawSS",
    "GetAGC",
    "SetFMW",
    "GetFMW",
    "SetRFAmp",
};

const std::vector<std::string> kClassic = {
    "OpenRadioDevice",      "CloseRadioDevice",   "SetFrequency", "SetPower",
    "GetRawSignalStrength", "SetVolume",          "SetMute",      "SetMode",
    "SetIFShift",           "GetRadioDeviceInfo", "SetAtten",     "SetAGC",
    "SetBFOOffset",         "SetIFGain",          "GetFrequency", "GetMode"};

const std::vector<std::string> kNewer = {"VxGetRadioList2",
                                         "VxOpen",
                                         "SetPower",
                                         "CloseRadioDevice",
                                         "SetFrequency",
                                         "VxGetInfo",
                                         "GetRawSignalStrength",
                                         "SetAGC",
                                         "SetAtten",
                                         "SetIFGain",
                                         "IsDeviceConnected",
                                         "VxGetInternalRSSI",
                                         "CodecStop",
                                         "CodecStart",
                                         "VxGetLastRawSS",
                                         "GetAGC",
                                         "GetFrequency"};

std::vector<std::string> With(std::vector<std::string> names, const std::vector<std::string>& more) {
  names.insert(names.end(), more.begin(), more.end());
  return names;
}

// The names of kAllNames that the library resolves.
std::vector<std::string> Exported(const std::filesystem::path& file) {
  void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) return {"cannot load " + file.string()};
  std::vector<std::string> names;
  for (const auto& name : kAllNames)
    if (dlsym(library, name.c_str())) names.push_back(name);
  if (!dlsym(library, "SimSetGenerator")) names.push_back("no control exports");
  dlclose(library);
  return names;
}

TEST(Exports, EachLibraryHasExactlyItsDriversFunctions) {
  using ::testing::UnorderedElementsAreArray;
  const auto bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  const auto fm = With(kNewer, {"SetFMW", "GetFMW", "SetRFAmp"});
  EXPECT_THAT(Exported(bin / "libdrovapi32.so"), UnorderedElementsAreArray(kClassic));
  EXPECT_THAT(Exported(bin / "libvxaapi.so"), UnorderedElementsAreArray(kNewer));
  EXPECT_THAT(Exported(bin / "libvxbapi.so"), UnorderedElementsAreArray(fm));
  EXPECT_THAT(Exported(bin / "libvxcapi.so"), UnorderedElementsAreArray(kNewer));
  EXPECT_THAT(Exported(bin / "libvxdapi.so"), UnorderedElementsAreArray(fm));
  EXPECT_THAT(Exported(bin / "libvxeapi.so"), UnorderedElementsAreArray(fm));
  EXPECT_THAT(Exported(bin / "sim-variants" / "c4-without-rfamp" / "libvxdapi.so"),
              UnorderedElementsAreArray(With(kNewer, {"SetFMW", "GetFMW"})));
}

}  // namespace
