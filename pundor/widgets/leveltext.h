#pragma once
// A level in dBm as the windows show it: one decimal exactly as C's "%.01f"
// writes it (ASCII minus, ties to even on the binary value), with only the
// decimal separator taken from the user's settings.
#include <QString>

QString FormatLevel(double dbm);
