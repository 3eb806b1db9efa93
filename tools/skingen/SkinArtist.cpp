#include "SkinArtist.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <array>

#include "FaceShapes.h"
#include "LogoArtist.h"
#include "Palette.h"
#include "skin/MapDialogRect.h"

using vorn::skin::SkinVariant;
namespace layout = vorn::skin;

namespace {

constexpr QRect kDeviceCard(360, 192, 500, 196);
constexpr QRectF kMiniKeyboard(648, 228, 190, 126);
constexpr int kFooterTop = 505;

QPainterPath Rounded(const QRectF& box, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    return path;
}

QRect ControlRect(int id) {
    for (const auto& control : layout::kTemplateControls)
        if (control.id == id) return layout::MapDialogRect(control.dialogUnits);
    return QRect();
}

// The slot list's place on this variant's face, at the combo box's own size.
QRect SlotListRect(SkinVariant variant) {
    QRect slot = ControlRect(layout::kSlotListId);
    slot.setHeight(24);
    if (variant == SkinVariant::English) slot.moveTopLeft(layout::kEnglishSlotListPos);
    return slot;
}

QRect ComboRect(int id) {
    QRect rect = ControlRect(id);
    rect.setHeight(24);  // a drop-down list's template height includes its open list
    return rect;
}

// The three action buttons' rectangles end at different places; their plates all end where
// the narrowest one does, so the column has one straight right edge and every plate lies
// wholly on its button (a click on any part of a plate reaches it).
qreal ActionPlateRight() {
    qreal right = QRectF(layout::kButtons[0].rect).right();
    for (std::size_t index = 1; index < 3; ++index)
        right = std::min(right, QRectF(layout::kButtons[index].rect).right());
    return right - 2;
}

void PaintSectionLine(QPainter& painter, qreal y) {
    QLinearGradient line(40, y, 860, y);
    line.setColorAt(0, QColor(255, 255, 255, 0));
    line.setColorAt(0.5, QColor(255, 255, 255, 34));
    line.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(QRectF(40, y, 820, 1), line);
}

}  // namespace

SkinArtist::SkinArtist(SkinVariant variant, const QString& fontFamily)
    : variant_(variant), fontFamily_(fontFamily), texts_(TextsFor(variant)) {}

QImage SkinArtist::Paint(bool hovered) const {
    QImage face(layout::kFaceSize, QImage::Format_RGB32);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintBody(painter);
    PaintTitle(painter);
    PaintAbout(painter, hovered);
    PaintActions(painter, hovered);
    PaintDeviceCard(painter);
    PaintSlotRow(painter);
    PaintSteps(painter);
    PaintHints(painter);
    return face;
}

QFont SkinArtist::Font(int pixelSize, QFont::Weight weight) const {
    QFont font(fontFamily_);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void SkinArtist::PaintText(QPainter& painter, const QRectF& box, int flags, const QString& text,
                           const QFont& font, const QColor& colour) const {
    // Shrink the font until the text fits its box, so a longer translation never spills.
    QFont fitted = font;
    while (fitted.pixelSize() > 9 && QFontMetricsF(fitted).horizontalAdvance(text) > box.width())
        fitted.setPixelSize(fitted.pixelSize() - 1);
    painter.setFont(fitted);
    painter.setPen(colour);
    painter.drawText(box, flags, text);
}

void SkinArtist::PaintBody(QPainter& painter) const {
    const QRectF body =
        QRectF(QPointF(0, 0), QSizeF(layout::kFaceSize)).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.fillRect(body.adjusted(-1, -1, 1, 1), palette::kBodyBottom);
    QLinearGradient fill(0, 0, 0, body.height());
    fill.setColorAt(0, palette::kBodyTop);
    fill.setColorAt(1, palette::kBodyBottom);
    painter.fillPath(Rounded(body, kBodyRadius), fill);
    QRadialGradient glow(QPointF(150, 100), 330);
    glow.setColorAt(0, QColor(0x36, 0xc9, 0xb6, 34));
    glow.setColorAt(1, QColor(0x36, 0xc9, 0xb6, 0));
    painter.fillPath(Rounded(body, kBodyRadius), glow);
    painter.setPen(QPen(palette::kBodyEdge, 1));
    painter.drawPath(Rounded(body, kBodyRadius));
    painter.setPen(QPen(QColor(255, 255, 255, 16), 1));
    painter.drawPath(Rounded(body.adjusted(1.5, 1.5, -1.5, -1.5), kBodyRadius - 1.5));
    PaintSectionLine(painter, 172);
    PaintSectionLine(painter, kFooterTop);
}

void SkinArtist::PaintTitle(QPainter& painter) const {
    const QFont title = Font(50, QFont::Bold);
    const QFontMetricsF metrics(title);
    const QRectF box(292, 56, 540, 60);
    PaintText(painter, box, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vorn"), title,
              palette::kText);
    const qreal vornWidth = metrics.horizontalAdvance(QStringLiteral("Vorn"));
    PaintText(painter, box.adjusted(vornWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
              QStringLiteral("Util"), title, palette::kAccent);
    PaintText(painter, QRectF(294, 118, 540, 24), Qt::AlignLeft | Qt::AlignVCenter, texts_.subtitle,
              Font(16), palette::kSubtext);
}

void SkinArtist::PaintAbout(QPainter& painter, bool hovered) const {
    const QRectF area = QRectF(layout::kButtons[3].rect).adjusted(2, 2, -2, -2);
    painter.fillPath(Rounded(area, 14),
                     hovered ? QColor(0x36, 0xc9, 0xb6, 52) : QColor(255, 255, 255, 10));
    painter.setPen(QPen(hovered ? palette::kAccent : QColor(255, 255, 255, 22), 1.2));
    painter.drawPath(Rounded(area.adjusted(0.5, 0.5, -0.5, -0.5), 13.5));
    PaintKeycapLogo(painter, QRectF(area.left() + 10, area.top() + 10, 60, 60), hovered);
    PaintText(painter, QRectF(area.left() + 84, area.top() + 14, 100, 28),
              Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("VORN"), Font(24, QFont::Black),
              hovered ? QColor(Qt::white) : palette::kText);
    PaintText(painter, QRectF(area.left() + 85, area.top() + 44, 100, 20),
              Qt::AlignLeft | Qt::AlignVCenter, texts_.about, Font(15),
              hovered ? palette::kAccentGlow : palette::kSubtext);
}

void SkinArtist::PaintActions(QPainter& painter, bool hovered) const {
    PaintText(painter, QRectF(50, 188, 220, 20), Qt::AlignLeft | Qt::AlignVCenter,
              texts_.actionsHeading, Font(13, QFont::Bold), palette::kAccent);
    for (int index = 0; index < 3; ++index) PaintAction(painter, index, hovered);
}

void SkinArtist::PaintAction(QPainter& painter, int index, bool hovered) const {
    const QRect rect = layout::kButtons[static_cast<std::size_t>(index)].rect;
    QRectF body = QRectF(rect).adjusted(2, 2, -2, -3);
    body.setRight(ActionPlateRight());
    painter.fillPath(Rounded(body.translated(0, 2), 11), QColor(0, 0, 0, 70));
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, hovered ? palette::kAccent : palette::kRowTop);
    fill.setColorAt(1, hovered ? palette::kAccentDeep : palette::kRowBottom);
    painter.fillPath(Rounded(body, 11), fill);
    painter.setPen(QPen(hovered ? palette::kAccentGlow : palette::kRowEdge, 1));
    painter.drawPath(Rounded(body.adjusted(0.5, 0.5, -0.5, -0.5), 10.5));
    const QRectF circle(body.left() + 8, body.center().y() - 16, 32, 32);
    PaintGlyph(painter, circle, static_cast<Glyph>(index), hovered);
    const SkinButtonText& text = texts_.actions[static_cast<std::size_t>(index)];
    const qreal textLeft = circle.right() + 11;
    const qreal textWidth = body.right() - textLeft - 8;
    PaintText(painter, QRectF(textLeft, body.top() + 4, textWidth, 21),
              Qt::AlignLeft | Qt::AlignVCenter, text.label, Font(17, QFont::Bold),
              hovered ? QColor(Qt::white) : palette::kText);
    PaintText(painter, QRectF(textLeft, body.top() + 24, textWidth, 16),
              Qt::AlignLeft | Qt::AlignVCenter, text.detail, Font(12),
              hovered ? QColor(0xe6, 0xff, 0xfb) : palette::kSubtext);
}

void SkinArtist::PaintDeviceCard(QPainter& painter) const {
    painter.fillPath(Rounded(kDeviceCard, 16), palette::kCard);
    painter.setPen(QPen(palette::kCardEdge, 1));
    painter.drawPath(Rounded(QRectF(kDeviceCard).adjusted(0.5, 0.5, -0.5, -0.5), 15.5));
    PaintText(painter, QRectF(384, 202, 200, 20), Qt::AlignLeft | Qt::AlignVCenter,
              texts_.deviceHeading, Font(13, QFont::Bold), palette::kAccent);
    const QRect keyboard = ComboRect(layout::kKeyboardListId);
    PaintText(painter, QRectF(372, keyboard.top(), keyboard.left() - 12 - 372, keyboard.height()),
              Qt::AlignRight | Qt::AlignVCenter, texts_.keyboard, Font(15), palette::kText);
    PaintWell(painter, keyboard);
    const QRect progress = ControlRect(layout::kProgressBarId);
    PaintText(painter, QRectF(progress.left(), progress.top() - 28, progress.width(), 20),
              Qt::AlignLeft | Qt::AlignVCenter, texts_.progress, Font(15), palette::kText);
    PaintWell(painter, progress);
    PaintText(painter, progress, Qt::AlignCenter, texts_.progressIdle, Font(13), palette::kFaint);
    PaintMiniKeyboard(painter, kMiniKeyboard);
}

void SkinArtist::PaintSlotRow(QPainter& painter) const {
    const QRect slot = SlotListRect(variant_);
    PaintText(painter, QRectF(slot.left() - 140, slot.top(), 128, slot.height()),
              Qt::AlignRight | Qt::AlignVCenter, texts_.slot, Font(15), palette::kText);
    PaintWell(painter, slot);
}

void SkinArtist::PaintSteps(QPainter& painter) const {
    for (int step = 0; step < 3; ++step) {
        const qreal left = 60 + step * 270;
        const QRectF circle(left, 535, 28, 28);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette::kAccent, 1.5));
        painter.drawEllipse(circle);
        PaintText(painter, circle, Qt::AlignCenter, QString::number(step + 1),
                  Font(14, QFont::Bold), palette::kAccent);
        PaintText(painter, QRectF(left + 38, 535, 215, 28), Qt::AlignLeft | Qt::AlignVCenter,
                  texts_.steps[static_cast<std::size_t>(step)], Font(15), palette::kSubtext);
    }
}

void SkinArtist::PaintHints(QPainter& painter) const {
    // Plain words, not outlined boxes: nothing here can be clicked, so nothing looks as if it
    // could.
    const std::array<QString, 3> values{QStringLiteral("*.dat"), QStringLiteral("*.vs"),
                                        QStringLiteral("FN+0\u20139")};
    qreal right = 860;
    for (int hint = 2; hint >= 0; --hint) {
        const auto index = static_cast<std::size_t>(hint);
        right = PaintHint(painter, right, texts_.hints[index], values[index]);
        if (hint > 0) {
            const QRectF dot(right - 22, 450, 22, 28);
            PaintText(painter, dot, Qt::AlignCenter, QStringLiteral("\u00b7"), Font(13),
                      palette::kFaint);
            right = dot.left();
        }
    }
}

qreal SkinArtist::PaintHint(QPainter& painter, qreal right, const QString& name,
                            const QString& value) const {
    const QFont nameFont = Font(12);
    const QFont valueFont = Font(13, QFont::Bold);
    const qreal nameWidth = QFontMetricsF(nameFont).horizontalAdvance(name);
    const qreal width = nameWidth + QFontMetricsF(valueFont).horizontalAdvance(value) + 6;
    const QRectF box(right - width, 450, width, 28);
    PaintText(painter, box, Qt::AlignLeft | Qt::AlignVCenter, name, nameFont, palette::kSubtext);
    PaintText(painter, box.adjusted(6 + nameWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
              value, valueFont, palette::kAccent);
    return box.left();
}
