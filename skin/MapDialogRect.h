#pragma once
// Dialog units to pixels for the template font ("MS Shell Dlg" 8 point at 96 dots per inch,
// whose average character is 6 x 13 pixels): x pixels = x units * 6 / 4 and y pixels =
// y units * 13 / 8, each edge rounded to the nearest pixel, halves away from zero.

#include <QRect>
#include <QSize>

namespace vorn::skin {

inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 13;

int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// Maps the left, top, right and bottom edges separately, as the dialog manager does, so a
// width can come out one pixel narrower than width * 1.5.
QRect MapDialogRect(const QRect& dialogUnits);
QSize MapDialogSize(const QSize& dialogUnits);

}  // namespace vorn::skin
