#pragma once

#include <QRect>

// Forms are laid out in the pixels of the screen resolution they were designed at; Qt's logical
// pixel is 1/96 inch and Qt itself scales logical pixels to the screen.
inline constexpr int kLogicalDpi = 96;

constexpr int ScaleDesignPixels(int pixels, int designDpi)
{
    return (pixels * kLogicalDpi + designDpi / 2) / designDpi;
}

constexpr QRect ScaleDesignRect(int left, int top, int width, int height, int designDpi)
{
    return QRect(ScaleDesignPixels(left, designDpi), ScaleDesignPixels(top, designDpi),
        ScaleDesignPixels(width, designDpi), ScaleDesignPixels(height, designDpi));
}
