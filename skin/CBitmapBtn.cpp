#include "skin/CBitmapBtn.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace vorn::skin {
namespace {

constexpr int Slot(CBitmapBtn::Picture which) { return static_cast<int>(which); }

// The skin has no pressed or disabled pictures of its own; a pushed button then shows its
// hover picture a little darker and a disabled one its normal picture washed out.
constexpr QColor kPressedShade{0, 0, 0, 56};
constexpr QColor kDisabledWash{128, 128, 128, 140};

// The face of a skin button is a rounded plate two pixels inside its rectangle; the shade
// stays on the plate, so the face's own background around its corners is left as it is.
constexpr int kPlateInset = 2;
constexpr qreal kPlateRadius = 8;

void PaintStandIn(QPainter& painter, const QPixmap& base, const QColor& overlay) {
    const QRect area = painter.viewport();
    painter.drawPixmap(QPoint(0, 0), base, area);
    QPainterPath plate;
    plate.addRoundedRect(
        QRectF(area.adjusted(kPlateInset, kPlateInset, -kPlateInset, -kPlateInset)), kPlateRadius,
        kPlateRadius);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(plate, overlay);
}

}  // namespace

CBitmapBtn::CBitmapBtn(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoDefault(false);
    setFlat(true);
    setMouseTracking(true);
}

CBitmapBtn::~CBitmapBtn() = default;

void CBitmapBtn::SetPicture(Picture which, const QPixmap& picture) {
    pictures_[Slot(which)] = picture;
    update();
}

const QPixmap& CBitmapBtn::GetPicture(Picture which) const { return pictures_[Slot(which)]; }

void CBitmapBtn::SetTooltipText(const QString& text) {
    if (text.isEmpty()) return;
    setToolTip(text);
}

void CBitmapBtn::ClearHover() {
    if (!hover_) return;
    hover_ = false;
    update();
}

CBitmapBtn::Picture CBitmapBtn::ChosenPicture() const {
    if (isDown()) return Picture::Pressed;
    if (hover_) return Picture::Hover;
    if (!isEnabled()) return Picture::Disabled;
    return Picture::Normal;
}

void CBitmapBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Picture chosen = ChosenPicture();
    const QPixmap& picture = GetPicture(chosen);
    if (!picture.isNull()) {
        painter.drawPixmap(QPoint(0, 0), picture, rect());
    } else if (chosen == Picture::Pressed) {
        const QPixmap& hover = GetPicture(Picture::Hover);
        const bool useHover = hover_ && !hover.isNull();
        PaintStandIn(painter, useHover ? hover : GetPicture(Picture::Normal), kPressedShade);
    } else if (chosen == Picture::Disabled) {
        PaintStandIn(painter, GetPicture(Picture::Normal), kDisabledWash);
    }
}

bool CBitmapBtn::StartsHover() const {
    return QApplication::activeWindow() != nullptr && parentWidget() != nullptr;
}

void CBitmapBtn::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    // The move is the button's own; the dialog beneath must not see it as a move on its face.
    event->accept();
    const bool leftDown = event->buttons().testFlag(Qt::LeftButton);
    // A pointer that arrives with the button already held was pressed elsewhere.
    if (leftDown && !hover_) return;
    if (!hover_) {
        if (!StartsHover()) return;
        hover_ = true;
        update();
        return;
    }
    if (!rect().contains(event->position().toPoint())) ClearHover();
}

void CBitmapBtn::leaveEvent(QEvent* event) {
    ClearHover();
    QPushButton::leaveEvent(event);
}

void CBitmapBtn::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    ClearHover();
}

bool CBitmapBtn::event(QEvent* event) {
    // The window losing activation takes the hover look with it, as losing focus does.
    if (event->type() == QEvent::WindowDeactivate) ClearHover();
    return QPushButton::event(event);
}

}  // namespace vorn::skin
