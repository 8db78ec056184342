// Dialog units to pixels, as Windows lays out a dialog template: a horizontal unit is a quarter
// of the dialog font's average character width, a vertical unit an eighth of its height.
#pragma once

class QFont;

namespace quillon::gui {

struct DialogBaseUnits {
    int avgCharWidth = 0;
    int charHeight = 0;
};

struct UnitRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// n * numerator / denominator in 64 bits, rounded half away from zero; 0 when denominator is 0.
int MulDivRounded(int n, int numerator, int denominator);

// The average width Windows takes from the extent of the 52 Latin letters.
int AverageCharWidth(int alphabetExtent);

// A rectangle in dialog units as pixels. Its edges are converted, not its size, so that
// neighbouring controls stay adjacent.
UnitRect DialogToPixels(const UnitRect& units, const DialogBaseUnits& base);

// The base units of a font, measured as Windows measures the dialog font.
DialogBaseUnits BaseUnitsOf(const QFont& font);

}  // namespace quillon::gui
