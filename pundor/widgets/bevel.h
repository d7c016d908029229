#pragma once
// Colour shading and the bevel frames shared by panels, buttons and gauges.
#include <QColor>
#include <QRect>

class QPainter;

enum class TBevelCut { bvNone, bvLowered, bvRaised };

// Moves a colour towards white (percent > 0) or black (percent < 0).
QColor Shade(const QColor& color, int percent);

// Draws a bevel of the given width just inside `rect` and returns the rect
// that is left inside it. A gradient bevel fades from the full shade at its
// outer edge to the base colour at its inner edge; shadowPercent sets how far
// the lit and shaded sides move away from the base colour.
QRect DrawBevel(QPainter& painter, const QRect& rect, TBevelCut cut, int width, const QColor& base,
                int shadowPercent, bool gradient);
