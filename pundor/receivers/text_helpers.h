#pragma once
// Text helpers shared by the windows: frequencies with their unit, mode
// names, and the main window's caption.
#include <QString>
#include <cstdint>

class QWidget;

// "145.5 MHz": at most 15 significant digits, no trailing zeros, the user's
// decimal separator; the unit is the largest one below 1800 of it.
QString FormatFrequency(int64_t frequency);

// The long display name of a mode code; raises platform::Error "Unknown mode".
QString ModeName(int32_t code);

// "Orvanta [receiver; file]", the file name shortened from its start ("...")
// until the caption is narrower than `label` in the label's font. The
// receiver name is never shortened; when even "..." alone does not fit, that
// shortest caption is returned.
QString FitCaption(const QString& receiverName, const QString& fileName, const QWidget& label);
