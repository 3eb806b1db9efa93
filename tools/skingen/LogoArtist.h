#pragma once
// The VornUtil logo, a single keycap carrying a "V", for the About area and the icon.

#include <QImage>
#include <QPainter>
#include <QRectF>

// Paints the keycap into `box` (square); `lit` gives it the glowing hover look.
void PaintKeycapLogo(QPainter& painter, const QRectF& box, bool lit);

// The application icon at `size` x `size` pixels, transparent around the keycap.
QImage PaintAppIcon(int size);

// The drop-down arrow of the skin's list controls, `width` x `height` pixels.
QImage PaintComboArrow(int width, int height);
