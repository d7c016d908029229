#pragma once
// The font of the program's data text and lists: Arial, 11 pixels.
#include <QFont>

const QFont& DataFont();
