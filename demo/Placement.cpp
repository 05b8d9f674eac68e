#include "demo/Placement.h"

#include <algorithm>
#include <array>

QRect FitInside(const QRect& frame, const QRect& available) {
    QRect fitted = frame;
    if (fitted.right() > available.right()) fitted.moveRight(available.right());
    if (fitted.bottom() > available.bottom()) fitted.moveBottom(available.bottom());
    if (fitted.left() < available.left()) fitted.moveLeft(available.left());
    if (fitted.top() < available.top()) fitted.moveTop(available.top());
    return fitted;
}

QRect PlaceBeside(const QRect& panel, QSize size, const QRect& available, int gap) {
    size = size.boundedTo(available.size());
    // Beside the panel, level with its top; above or below it, flush with its left edge. Kept
    // on the screen along the other axis.
    const int level = std::clamp(panel.top(), available.top(), available.bottom() - size.height() + 1);
    const int flush = std::clamp(panel.left(), available.left(), available.right() - size.width() + 1);
    const std::array<QRect, 4> sides = {{
        {QPoint(panel.right() + 1 + gap, level), size},
        {QPoint(panel.left() - gap - size.width(), level), size},
        {QPoint(flush, panel.bottom() + 1 + gap), size},
        {QPoint(flush, panel.top() - gap - size.height()), size},
    }};
    // Above the panel only ever as the best of the misfits.
    for (std::size_t i = 0; i < 3; ++i)
        if (available.contains(sides[i])) return sides[i];

    QRect best;
    qint64 leastCovered = -1;
    for (const QRect& side : sides) {
        const QRect fitted = FitInside(side, available);
        const QRect covered = fitted.intersected(panel);
        const qint64 area = qint64(covered.width()) * covered.height();
        if (leastCovered < 0 || area < leastCovered) {
            best = fitted;
            leastCovered = area;
        }
    }
    return best;
}
