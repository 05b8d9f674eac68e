#pragma once
// The layout's rectangles at another scale, as the Windows tests expect them: each of the
// layout's numbers (pixels at 96 dpi) scaled on its own, as the toolkit scales them.

#include <windows.h>

#include <string>

inline int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI); }

inline RECT ScaledRect(int left, int top, int width, int height, int dpi) {
    return {Scaled(left, dpi), Scaled(top, dpi), Scaled(left, dpi) + Scaled(width, dpi),
            Scaled(top, dpi) + Scaled(height, dpi)};
}

inline std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " x " +
           std::to_string(r.bottom - r.top);
}
