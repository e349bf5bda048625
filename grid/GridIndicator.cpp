#include "grid/GridIndicator.h"

#include <algorithm>
#include <array>

bool IndicatorPixel(TGridIndicator Symbol, int X, int Y)
{
    if (X < 0 || X >= IndicatorWidth || Y < 0 || Y >= IndicatorHeight)
        return false;
    switch (Symbol) {
    case giArrow:
        // A solid triangle: row Y is black from pixel 0 to min(Y, 10 - Y).
        return X <= std::min(Y, 10 - Y);
    case giEdit:
        // An I-beam: serifs on the top and bottom rows, a stem of two pixels.
        if (Y == 0 || Y == 10)
            return X == 0 || X == 1 || X == 4 || X == 5;
        return X == 2 || X == 3;
    case giInsert:
        // A star around row 5.
        if (Y == 3 || Y == 7)
            return X == 1 || X == 4;
        if (Y == 4 || Y == 6)
            return X == 2 || X == 3;
        return Y == 5;
    }
    return false;
}

const QImage& IndicatorImage(TGridIndicator Symbol)
{
    static const std::array<QImage, 3> images = [] {
        std::array<QImage, 3> result;
        for (int s = 0; s < 3; ++s) {
            QImage image(IndicatorWidth, IndicatorHeight, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            for (int y = 0; y < IndicatorHeight; ++y)
                for (int x = 0; x < IndicatorWidth; ++x)
                    if (IndicatorPixel(static_cast<TGridIndicator>(s), x, y))
                        image.setPixel(x, y, qRgba(0, 0, 0, 255));
            result[static_cast<std::size_t>(s)] = image;
        }
        return result;
    }();
    return images[static_cast<std::size_t>(Symbol)];
}
