#include "skin/CSkinButton.h"

#include <QMouseEvent>
#include <QPointer>
#include <stdexcept>

#include "skin/CSkinDialog.h"

namespace vorn::skin {
namespace {

void CutPicture(CBitmapBtn& button, CBitmapBtn::Picture which, const QImage& source,
                const QRect& rect) {
    if (source.isNull()) return;
    button.SetPicture(which, QPixmap::fromImage(source.copy(rect)));
}

CSkinDialog* SkinDialogOf(QWidget* widget) {
    return dynamic_cast<CSkinDialog*>(widget->parentWidget());
}

}  // namespace

CSkinButton::CSkinButton(QWidget* parent) : CBitmapBtn(parent) {}

void CSkinButton::SetSkin(const QImage& background, const QImage& highlight, const QImage& pressed,
                          const QImage& disabled, const QRect& rect) {
    CutPicture(*this, Picture::Normal, background, rect);
    CutPicture(*this, Picture::Hover, highlight, rect);
    CutPicture(*this, Picture::Pressed, pressed, rect);
    CutPicture(*this, Picture::Disabled, disabled, rect);
}

void CSkinButton::ReportClick() {
    CSkinDialog* dialog = SkinDialogOf(this);
    if (dialog == nullptr) return;
    try {
        dialog->ClickSkinButton(index_);
    } catch (const std::invalid_argument& error) {
        // A button whose index the dialog does not know has nothing to run; an exception
        // must not unwind through the event loop.
        qWarning("CSkinButton %s: %s", qPrintable(name_), error.what());
    }
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* event) {
    // The command runs to its end, modal dialogs included, before the button's own release
    // handling; the command may even clear the skin, so the button checks it still exists.
    QPointer<CSkinButton> self(this);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        ClearHover();
        ReportClick();
    }
    if (self) CBitmapBtn::mouseReleaseEvent(event);
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (CSkinDialog* dialog = SkinDialogOf(this)) dialog->OnSkinHover(name_, pos.x(), pos.y());
    CBitmapBtn::mouseMoveEvent(event);
}

}  // namespace vorn::skin
