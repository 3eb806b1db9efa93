#pragma once
// Small drawing pieces of the face: wells behind the controls, the button glyphs and the
// miniature keyboard.

#include <QPainter>
#include <QRectF>

enum class Glyph { Upload, Download, Script };

// A recessed well around a control's rectangle, so the control sits in a visible place.
void PaintWell(QPainter& painter, const QRect& control);

// The glyph of an action button inside the circle `box`.
void PaintGlyph(QPainter& painter, const QRectF& box, Glyph glyph, bool hovered);

// A small keyboard drawing that fills `box`.
void PaintMiniKeyboard(QPainter& painter, const QRectF& box);

// The body's rounded outline; the mask cuts the window at the same radius.
inline constexpr qreal kBodyRadius = 22;
