#pragma once
// Hamlib's modes as the calibration tables' modes, in one table for the
// driver (which sees RIG_MODE_ bits) and orvanta-rigctld (which sees their
// names). Header only: it needs Hamlib's header, which the Windows build of
// the other words does not have.
#include <hamlib/rig.h>

#include <cstdint>
#include <string_view>

#include "fendrel.h"

namespace vocabulary {

struct HamlibMode {
  rmode_t bit;
  std::string_view name;
  int32_t tableMode;
};

// AM; CW and CWR as CW; USB and PKTUSB as USB; LSB and PKTLSB as LSB; FM and
// PKTFM as FMN; WFM as FMW. The first entry of a table mode is the one that
// sets it on the radio.
inline constexpr HamlibMode kHamlibModes[] = {
    {RIG_MODE_AM, "AM", CAL_MODE_AM},          {RIG_MODE_CW, "CW", CAL_MODE_CW},
    {RIG_MODE_CWR, "CWR", CAL_MODE_CW},        {RIG_MODE_USB, "USB", CAL_MODE_USB},
    {RIG_MODE_PKTUSB, "PKTUSB", CAL_MODE_USB}, {RIG_MODE_LSB, "LSB", CAL_MODE_LSB},
    {RIG_MODE_PKTLSB, "PKTLSB", CAL_MODE_LSB}, {RIG_MODE_FM, "FM", CAL_MODE_FMN},
    {RIG_MODE_PKTFM, "PKTFM", CAL_MODE_FMN},   {RIG_MODE_WFM, "WFM", CAL_MODE_FMW},
};

// Any other mode is calibrated in the table's default mode.
constexpr int32_t TableModeOfHamlib(rmode_t bit) {
  for (const HamlibMode& mode : kHamlibModes)
    if (mode.bit == bit) return mode.tableMode;
  return CAL_MODE_DEFAULT;
}
constexpr int32_t TableModeOfHamlib(std::string_view name) {
  for (const HamlibMode& mode : kHamlibModes)
    if (mode.name == name) return mode.tableMode;
  return CAL_MODE_DEFAULT;
}

// The Hamlib mode that sets a table mode; RIG_MODE_NONE where none does.
constexpr rmode_t HamlibModeOfTable(int32_t tableMode) {
  for (const HamlibMode& mode : kHamlibModes)
    if (mode.tableMode == tableMode) return mode.bit;
  return RIG_MODE_NONE;
}

}  // namespace vocabulary
