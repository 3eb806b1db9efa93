#include "LogoArtist.h"

#include <QLinearGradient>
#include <QPainterPath>

#include "Palette.h"

namespace {

QPainterPath Rounded(const QRectF& box, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    return path;
}

// The "V" as two strokes meeting at the bottom, drawn within `face`.
void PaintV(QPainter& painter, const QRectF& face, const QColor& colour) {
    const qreal w = face.width();
    QPainterPath v;
    v.moveTo(face.left() + w * 0.22, face.top() + w * 0.24);
    v.lineTo(face.center().x(), face.top() + w * 0.74);
    v.lineTo(face.right() - w * 0.22, face.top() + w * 0.24);
    QPen pen(colour, qMax(1.5, w * 0.13), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.strokePath(v, pen);
}

void PaintCapBody(QPainter& painter, const QRectF& box, bool lit) {
    const qreal r = box.width() * 0.2;
    QLinearGradient skirt(box.topLeft(), box.bottomLeft());
    skirt.setColorAt(0, lit ? palette::kAccentGlow : palette::kAccent);
    skirt.setColorAt(1, palette::kAccentDeep.darker(lit ? 110 : 140));
    painter.fillPath(Rounded(box, r), skirt);
    const QRectF face = box.adjusted(box.width() * 0.12, box.width() * 0.07, -box.width() * 0.12,
                                     -box.width() * 0.2);
    QLinearGradient top(face.topLeft(), face.bottomRight());
    top.setColorAt(0, lit ? QColor(0xc8, 0xff, 0xf6) : QColor(0x5f, 0xe0, 0xcf));
    top.setColorAt(1, lit ? palette::kAccent : palette::kAccentDeep);
    painter.fillPath(Rounded(face, r * 0.8), top);
    PaintV(painter, face, lit ? QColor(0x0d, 0x3b, 0x36) : palette::kText);
}

}  // namespace

void PaintKeycapLogo(QPainter& painter, const QRectF& box, bool lit) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // A soft shadow under the cap lifts it off the body.
    painter.fillPath(Rounded(box.translated(0, box.height() * 0.05), box.width() * 0.2),
                     QColor(0, 0, 0, 90));
    PaintCapBody(painter, box, lit);
    painter.restore();
}

QImage PaintAppIcon(int size) {
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    const qreal margin = size * 0.06;
    PaintKeycapLogo(painter, QRectF(margin, margin * 0.5, size - 2 * margin, size - 2 * margin),
                    false);
    return icon;
}

QImage PaintComboArrow(int width, int height) {
    QImage arrow(width, height, QImage::Format_ARGB32);
    arrow.fill(Qt::transparent);
    QPainter painter(&arrow);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = height / 4.0;
    painter.setPen(QPen(palette::kAccent, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF points[] = {{pen, pen}, {width / 2.0, height - pen}, {width - pen, pen}};
    painter.drawPolyline(points, 3);
    return arrow;
}
