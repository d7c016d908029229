#pragma once
// Confining the mouse pointer to a rectangle of the screen, as a drag that
// must stay on one line needs. One confinement holds for the whole program;
// a new one replaces the old.
#include <QRect>
#include <optional>

namespace platform {

// Holds the pointer inside screenRect (global coordinates, all edges
// included) until ReleasePointer. Mouse moves that would leave it are
// delivered at the nearest point inside, and the pointer is put there.
// An empty rectangle releases the pointer.
void ConfinePointer(const QRect& screenRect);
void ReleasePointer();

// The rectangle the pointer is held in; none while it is free.
std::optional<QRect> PointerConfinement();

}  // namespace platform
