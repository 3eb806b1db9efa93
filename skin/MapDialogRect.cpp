#include "skin/MapDialogRect.h"

namespace vorn::skin {
namespace {

// value * numerator / denominator rounded to nearest, halves away from zero.
int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    const long long rounded = product >= 0 ? product + half : product - half;
    return static_cast<int>(rounded / denominator);
}

}  // namespace

int DialogUnitsToPixelsX(int units) { return MulDiv(units, kBaseUnitX, 4); }

int DialogUnitsToPixelsY(int units) { return MulDiv(units, kBaseUnitY, 8); }

QRect MapDialogRect(const QRect& dialogUnits) {
    const int left = DialogUnitsToPixelsX(dialogUnits.x());
    const int top = DialogUnitsToPixelsY(dialogUnits.y());
    const int right = DialogUnitsToPixelsX(dialogUnits.x() + dialogUnits.width());
    const int bottom = DialogUnitsToPixelsY(dialogUnits.y() + dialogUnits.height());
    return QRect(left, top, right - left, bottom - top);
}

QSize MapDialogSize(const QSize& dialogUnits) {
    return MapDialogRect(QRect(QPoint(0, 0), dialogUnits)).size();
}

}  // namespace vorn::skin
