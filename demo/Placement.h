#pragma once
// Where the demo's two windows go on the screen that shows the panel. The panel keeps the
// place its layout gives it whenever its frame fits there; the controller's window goes beside
// it. Rectangles are window frames in the screen's logical pixels, so the same answer holds at
// any scale factor.

#include <QRect>
#include <QSize>

// The frame moved just enough to lie inside `available`; one larger than `available` is put
// at its top left, so the title bar stays reachable.
QRect FitInside(const QRect& frame, const QRect& available);

// A frame of `size` (cut down to `available` if larger) `gap` pixels beside `panel`: to its
// right where that fits, else to its left, else below it, else wherever inside `available` it
// covers the least of the panel.
QRect PlaceBeside(const QRect& panel, QSize size, const QRect& available, int gap);
