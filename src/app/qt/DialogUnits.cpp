#include "app/qt/DialogUnits.h"

#include <QFontMetrics>
#include <cstdint>

namespace quillon::gui {

int MulDivRounded(int n, int numerator, int denominator) {
    if (denominator == 0) return 0;
    std::int64_t product = static_cast<std::int64_t>(n) * numerator;
    std::int64_t d = denominator;
    if (d < 0) product = -product, d = -d;
    const std::int64_t half = d / 2;
    return static_cast<int>(product >= 0 ? (product + half) / d : -((-product + half) / d));
}

int AverageCharWidth(int alphabetExtent) {
    return (alphabetExtent / 26 + 1) / 2;
}

UnitRect DialogToPixels(const UnitRect& units, const DialogBaseUnits& base) {
    const int left = MulDivRounded(units.x, base.avgCharWidth, 4);
    const int top = MulDivRounded(units.y, base.charHeight, 8);
    const int right = MulDivRounded(units.x + units.width, base.avgCharWidth, 4);
    const int bottom = MulDivRounded(units.y + units.height, base.charHeight, 8);
    return {left, top, right - left, bottom - top};
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int extent = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {AverageCharWidth(extent), metrics.height()};
}

}  // namespace quillon::gui
