#include "receivers/text_helpers.h"

#include <QFontMetrics>
#include <QLocale>
#include <QWidget>
#include <array>
#include <cstdio>
#include <utility>

#include "platform/error.h"

namespace {

// General format with 15 significant digits, in the user's decimal separator.
QString GeneralNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", value);
  return QString::fromLatin1(text).replace(QLatin1Char('.'), QLocale().decimalPoint());
}

QString Caption(const QString& receiverName, const QString& shownFile) {
  return QStringLiteral("Orvanta [") + receiverName + QStringLiteral("; ") + shownFile + QLatin1Char(']');
}

// Drops the first character of `text`, a whole surrogate pair if need be.
QString WithoutFirstCharacter(const QString& text) {
  const qsizetype width = text.size() > 1 && text.at(0).isHighSurrogate() ? 2 : 1;
  return text.mid(width);
}

}  // namespace

QString FormatFrequency(int64_t frequency) {
  static const std::array<const char*, 4> units{"Hz", "kHz", "MHz", "GHz"};
  double value = static_cast<double>(frequency);
  std::size_t unit = 0;
  // Anything of 1800 GHz or more stays in GHz.
  for (; unit + 1 < units.size() && value >= 1800; ++unit) value *= 0.001;
  return GeneralNumber(value) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString ModeName(int32_t code) {
  static const std::array<std::pair<int32_t, const char*>, 8> names{{
      {0, "CW - Continuous Wave"},
      {4, "LSB - Lower Side Band"},
      {5, "USB - Upper Side Band"},
      {1, "AM - Amplitude Modulation"},
      {2, "FMN - Freq. Modulation,Narrow"},
      {6, "FMM - Freq. Modulation,Medium"},
      {3, "FMW - Freq. Modulation,Wide"},
      {7, "FM6 - Freq. Mod. (6kHz BW)"},
  }};
  if (code == -1) return QStringLiteral("Default mode");
  for (const auto& [known, name] : names)
    if (known == code) return QString::fromLatin1(name);
  throw platform::Error("Unknown mode");
}

QString FitCaption(const QString& receiverName, const QString& fileName, const QWidget& label) {
  const QFontMetrics metrics(label.font());
  QString remaining = fileName;
  QString shown = fileName;
  while (true) {
    const QString candidate = Caption(receiverName, shown);
    if (metrics.horizontalAdvance(candidate) < label.width() || remaining.isEmpty()) return candidate;
    remaining = WithoutFirstCharacter(remaining);
    shown = QStringLiteral("...") + remaining;
  }
}
