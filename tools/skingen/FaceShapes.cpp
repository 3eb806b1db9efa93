#include "FaceShapes.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <array>
#include <vector>

#include "Palette.h"

namespace {

QPainterPath Rounded(const QRectF& box, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    return path;
}

QPen GlyphPen(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// An arrow along the box's vertical centre line into an open tray at its bottom.
void PaintArrowIntoTray(QPainter& painter, const QRectF& box, bool up, const QColor& colour) {
    const qreal cx = box.center().x();
    const qreal top = box.top() + box.height() * 0.22;
    const qreal bottom = box.top() + box.height() * 0.62;
    const qreal head = box.width() * 0.16;
    painter.setPen(GlyphPen(colour, box.width() * 0.085));
    painter.drawLine(QPointF(cx, top), QPointF(cx, bottom));
    const qreal tip = up ? top : bottom;
    const qreal back = up ? tip + head : tip - head;
    painter.drawLine(QPointF(cx - head, back), QPointF(cx, tip));
    painter.drawLine(QPointF(cx + head, back), QPointF(cx, tip));
    const qreal trayY = box.top() + box.height() * 0.76;
    QPainterPath tray;
    tray.moveTo(box.left() + box.width() * 0.26, trayY - box.height() * 0.08);
    tray.lineTo(box.left() + box.width() * 0.26, trayY);
    tray.lineTo(box.right() - box.width() * 0.26, trayY);
    tray.lineTo(box.right() - box.width() * 0.26, trayY - box.height() * 0.08);
    painter.drawPath(tray);
}

// "</>" for a script.
void PaintCodeGlyph(QPainter& painter, const QRectF& box, const QColor& colour) {
    const qreal w = box.width();
    const QPointF c = box.center();
    painter.setPen(GlyphPen(colour, w * 0.08));
    painter.drawPolyline(
        std::array{QPointF(c.x() - w * 0.12, c.y() - w * 0.16), QPointF(c.x() - w * 0.27, c.y()),
                   QPointF(c.x() - w * 0.12, c.y() + w * 0.16)}
            .data(),
        3);
    painter.drawPolyline(
        std::array{QPointF(c.x() + w * 0.12, c.y() - w * 0.16), QPointF(c.x() + w * 0.27, c.y()),
                   QPointF(c.x() + w * 0.12, c.y() + w * 0.16)}
            .data(),
        3);
    painter.drawLine(QPointF(c.x() + w * 0.05, c.y() - w * 0.2),
                     QPointF(c.x() - w * 0.05, c.y() + w * 0.2));
}

// Key widths in key units; every row is kRowUnits wide, so the rows line up at both ends.
constexpr qreal kRowUnits = 14;
const std::array<std::vector<qreal>, 5> kKeyRows{{
    std::vector<qreal>(14, 1.0),
    {1.5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1.5},
    {1.75, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2.25},
    {2.25, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2.75},
    {1.25, 1.25, 1.25, 6.25, 1.25, 1.25, 1.5},
}};

void PaintKey(QPainter& painter, const QRectF& cap, bool lit) {
    painter.fillPath(Rounded(cap, 3), lit ? palette::kAccentDeep : QColor(0x3a, 0x44, 0x57));
    painter.fillPath(Rounded(cap.adjusted(1.5, 1, -1.5, -3), 2.5),
                     lit ? palette::kAccent : QColor(0x4b, 0x56, 0x6b));
}

void PaintKeyRow(QPainter& painter, const QRectF& row, const std::vector<qreal>& widths,
                 bool litLast) {
    const qreal gap = 3;
    const qreal unit = (row.width() + gap) / kRowUnits;
    qreal x = row.left();
    for (std::size_t i = 0; i < widths.size(); ++i) {
        PaintKey(painter, QRectF(x, row.top(), widths[i] * unit - gap, row.height()),
                 litLast && i + 1 == widths.size());
        x += widths[i] * unit;
    }
}

}  // namespace

void PaintWell(QPainter& painter, const QRect& control) {
    const QRectF well = QRectF(control).adjusted(-4, -4, 4, 4);
    painter.fillPath(Rounded(well.translated(0, 1), 7), QColor(255, 255, 255, 18));
    painter.fillPath(Rounded(well, 7), palette::kWell);
    painter.setPen(QPen(palette::kWellEdge, 1));
    painter.drawPath(Rounded(well.adjusted(0.5, 0.5, -0.5, -0.5), 6.5));
}

void PaintGlyph(QPainter& painter, const QRectF& box, Glyph glyph, bool hovered) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(hovered ? QColor(255, 255, 255, 60) : QColor(0x1c, 0x55, 0x52));
    painter.setPen(QPen(hovered ? QColor(255, 255, 255, 140) : palette::kAccentDeep, 1.2));
    painter.drawEllipse(box);
    const QColor ink = hovered ? QColor(Qt::white) : palette::kAccent;
    if (glyph == Glyph::Script)
        PaintCodeGlyph(painter, box, ink);
    else
        PaintArrowIntoTray(painter, box, glyph == Glyph::Upload, ink);
    painter.restore();
}

void PaintMiniKeyboard(QPainter& painter, const QRectF& box) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient case_(box.topLeft(), box.bottomLeft());
    case_.setColorAt(0, QColor(0x2c, 0x34, 0x44));
    case_.setColorAt(1, QColor(0x1d, 0x23, 0x2e));
    painter.fillPath(Rounded(box, 9), case_);
    painter.setPen(QPen(palette::kCardEdge, 1));
    painter.drawPath(Rounded(box.adjusted(0.5, 0.5, -0.5, -0.5), 8.5));
    const QRectF keys = box.adjusted(10, 10, -10, -10);
    const qreal gap = 3;
    const qreal rowHeight = (keys.height() - 4 * gap) / 5;
    for (std::size_t r = 0; r < kKeyRows.size(); ++r) {
        const QRectF row(keys.left(), keys.top() + r * (rowHeight + gap), keys.width(), rowHeight);
        // The lit key of the top row is a macro key.
        PaintKeyRow(painter, row, kKeyRows[r], r == 0);
    }
    painter.restore();
}
