#include "widgets/leveltext.h"

#include <QLocale>
#include <charconv>

// std::to_chars is locale-independent and rounds the exact binary value as
// printf does; QLocale would use its own minus sign and round ties away.
QString FormatLevel(double dbm) {
  char text[400];
  const auto end = std::to_chars(text, text + sizeof text, dbm, std::chars_format::fixed, 1).ptr;
  return QString::fromLatin1(text, end - text).replace(QLatin1Char('.'), QLocale().decimalPoint());
}
