// The indicator symbols of the grid's current row: three monochrome 6 x 11
// pictures, the right-pointing arrow of a row being browsed, the I-beam of a
// row being edited and the star of a new row. They are built from their
// pixel tables here, drawn in black, every other pixel transparent.
#pragma once

#include <QImage>

enum TGridIndicator { giArrow, giEdit, giInsert };

constexpr int IndicatorWidth = 6;
constexpr int IndicatorHeight = 11;

// Whether pixel X (0 .. 5, from the left) of row Y (0 .. 10, from the top)
// is black.
bool IndicatorPixel(TGridIndicator Symbol, int X, int Y);

// The symbol as a 6 x 11 image: black pixels opaque, the rest transparent.
const QImage& IndicatorImage(TGridIndicator Symbol);
