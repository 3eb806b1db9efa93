#pragma once
// The window mask: an 8-bit palette image, black inside the window and pure white outside,
// which here is only the four rounded corners.

#include <QImage>
#include <QSize>

QImage PaintMask(const QSize& size, int cornerRadius);
