#pragma once
// The receivers the windows look for in a calibration table, and the reads
// of the table's lists and columns that several windows share. A receiver
// whose name is not in the known-receiver list is never offered.
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "graph/U_graphform.h"

// Every receiver name the drivers report, plus the names a CAL file may hold
// from models this program has no driver for; in the order they are listed.
inline constexpr std::array<const char*, 24> KnownReceivers = {
    "Halv-A1", "Halv-A2", "Halv-A3", "Halv-A4", "Halv-A5", "Halv-A6", "Halv-A7", "Halv-A8",
    "Halv-A9", "Halv-B1", "Halv-B2", "Halv-B4", "Halv-B5", "Halv-B3", "Halv-C1", "Halv-C2",
    "Halv-C6", "Halv-C7", "Halv-C8", "Halv-C9", "HalvoC3", "HalvoC4", "HalvoC5", "HalvoD1"};

// The known receivers that the table holds with at least one mode, in list order.
std::vector<std::string> ReceiversInTable(int32_t calHandle);

// The mode codes of a receiver; empty when it has none or on any error.
std::vector<int32_t> ReadModes(int32_t calHandle, const std::string& receiver);

// The frequencies of a receiver's mode. Returns the library's size result:
// below 1 the list is empty (0) or the call failed (an error code).
int32_t ReadFrequencies(int32_t calHandle, const std::string& receiver, int32_t mode,
                        std::vector<int64_t>& frequencies);

// The 256 levels the library gives at a frequency, raw value by raw value.
// Returns -1, or the first failing call's result; `levels` is only written
// when every call succeeded.
int32_t ReadColumn(int32_t calHandle, const std::string& receiver, int32_t mode, int64_t frequency,
                   TLevelTable& levels);

