#include "widgets/leveltext.h"

#include <gtest/gtest.h>

#include <QLocale>

// As C's "%.01f": exact ties to even, ASCII minus, negative zero kept; only
// the decimal separator is the user's.
TEST(FormatLevel, WritesAsCDoesWithTheUsersSeparator) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
  EXPECT_EQ(FormatLevel(-73.25), QStringLiteral("-73,2"));
  EXPECT_EQ(FormatLevel(-0.75), QStringLiteral("-0,8"));
  EXPECT_EQ(FormatLevel(-0.04), QStringLiteral("-0,0"));
  EXPECT_EQ(FormatLevel(-140.0), QStringLiteral("-140,0"));
  EXPECT_EQ(FormatLevel(0.0), QStringLiteral("0,0"));
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(FormatLevel(-120.24), QStringLiteral("-120.2"));
  QLocale::setDefault(previous);
}
