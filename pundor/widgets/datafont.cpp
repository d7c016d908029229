#include "widgets/datafont.h"

const QFont& DataFont() {
  static const QFont font = [] {
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(11);
    return arial;
  }();
  return font;
}
