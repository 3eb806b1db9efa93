#include "skin/CSkinDialog.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <stdexcept>

#include "res/VornResources.h"
#include "skin/BitmapToRegion.h"
#include "skin/LanguageId.h"
#include "ui_Dialog102.h"

namespace vorn::skin {
namespace {

// The .ui file tags each template control with its numeric id under this property.
constexpr char kControlIdProperty[] = "controlId";

struct VariantImages {
    int face;
    int highlight;
};

VariantImages ImagesFor(SkinVariant variant) {
    if (variant == SkinVariant::Chinese) return {res::kFaceChinese, res::kHighlightChinese};
    return {res::kFaceEnglish, res::kHighlightEnglish};
}

bool HasDefaultButton(const QWidget& dialog) {
    for (const QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->isDefault() && button->isVisible()) return true;
    return false;
}

}  // namespace

CSkinDialog::CSkinDialog(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::Dialog102>()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    // Every move over the face is reported, not only moves with a button held.
    setMouseTracking(true);
}

CSkinDialog::~CSkinDialog() = default;

void CSkinDialog::OnSkinButton(CSkinButton*) {}

void CSkinDialog::OnSkinButtonName(const QString&) {}

void CSkinDialog::OnSkinHover(const QString&, int, int) {}

void CSkinDialog::ClickSkinButton(int index) {
    if (index < 0 || index >= static_cast<int>(buttons_.size()))
        throw std::invalid_argument("ClickSkinButton: no skin button at index " +
                                    std::to_string(index));
    OnSkinButton(buttons_[static_cast<std::size_t>(index)]);
}

void CSkinDialog::ApplySkinRegion(const QImage& mask) {
    const std::optional<QRegion> region = BitmapToRegion(mask);
    if (!region) {
        ShowSkinError(QStringLiteral("BitmapToRegion Error"));
    } else if (region->isEmpty()) {
        // An empty mask would mean "no mask" to the window system and show the whole
        // window; refuse it as a region the window cannot take.
        ShowSkinError(QStringLiteral("SetWindowRgn Error"));
    } else {
        setMask(*region);
    }
    update();
}

void CSkinDialog::LoadSkin() {
    ClearSkin();
    languageId_ = UserDefaultLanguageId();
    variant_ = IsChineseLanguageId(languageId_) ? SkinVariant::Chinese : SkinVariant::English;
    const VariantImages images = ImagesFor(variant_);
    background_ = LoadSkinImage(images.face);
    const QImage mask = LoadSkinImage(res::kMask);
    ResizeToFace();
    highlight_ = LoadSkinImage(images.highlight);
    ApplySkinRegion(mask);
    CreateSkinButtons();
    update();
}

QWidget* CSkinDialog::GetDlgItem(int id) const {
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant controlId = child->property(kControlIdProperty);
        if (controlId.isValid() && controlId.toInt() == id) return child;
    }
    return nullptr;
}

void CSkinDialog::OnInitDialog() { LoadSkin(); }

QImage CSkinDialog::LoadSkinImage(int resourceId) const {
    const QString path = res::SkinImagePath(resourceId);
    return path.isEmpty() ? QImage() : QImage(path);
}

void CSkinDialog::ShowSkinError(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"), text, QMessageBox::Ok, this);
    box.exec();
}

void CSkinDialog::ClearSkin() {
    background_ = highlight_ = pressed_ = disabled_ = QImage();
    // A skin button may be the one whose click is running this; it goes once that is over.
    for (CSkinButton* button : buttons_) {
        button->hide();
        button->deleteLater();
    }
    buttons_.clear();
}

void CSkinDialog::ResizeToFace() {
    if (background_.isNull()) return;
    setFixedSize(background_.size());
    raise();
}

void CSkinDialog::CreateSkinButtons() {
    for (std::size_t index = 0; index < kButtons.size(); ++index) {
        const SkinButtonPlace& desc = kButtons[index];
        auto* button = new CSkinButton(this);
        button->setGeometry(desc.rect);
        button->show();
        button->SetSkin(background_, highlight_, pressed_, disabled_, desc.rect);
        button->SetIndex(static_cast<int>(index));
        button->SetName(QString::fromLatin1(desc.name));
        button->SetTooltipText(QString::fromLatin1(desc.tooltip));
        buttons_.push_back(button);
    }
}

// A window manager that places a window itself may move its frame without telling the
// window where it went (openbox does so for a window without a caption), and popups and
// message boxes then open as if the window were still at the top-left corner. A window
// that asks for a place of its own is put there, so Qt's idea of where it is stays true.
void CSkinDialog::PlaceBeforeFirstShow() {
    if (!isWindow() || testAttribute(Qt::WA_Moved)) return;
    const QWidget* over = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    QRect area;
    if (over != nullptr && over->isVisible()) {
        area = over->frameGeometry();
    } else if (const QScreen* screen = this->screen()) {
        area = screen->availableGeometry();
    }
    if (area.isEmpty()) return;
    QRect placed(QPoint(0, 0), size());
    placed.moveCenter(area.center());
    move(placed.topLeft());
}

bool CSkinDialog::StartWindowMove() {
    QWindow* handle = windowHandle();
    return handle != nullptr && handle->startSystemMove();
}

void CSkinDialog::setVisible(bool visible) {
    if (visible && !initialised_) {
        initialised_ = true;
        OnInitDialog();
        PlaceBeforeFirstShow();
    }
    QDialog::setVisible(visible);
}

void CSkinDialog::paintEvent(QPaintEvent*) {
    if (background_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), background_);
}

void CSkinDialog::mousePressEvent(QMouseEvent* event) {
    // The face is the window's caption: the window system moves the window when it can,
    // otherwise the dialog follows the pointer itself until the button is released.
    if (event->button() == Qt::LeftButton && !StartWindowMove())
        dragOffset_ = event->globalPosition().toPoint() - pos();
    QDialog::mousePressEvent(event);
}

void CSkinDialog::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset_ && event->buttons().testFlag(Qt::LeftButton))
        move(event->globalPosition().toPoint() - *dragOffset_);
    QDialog::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    OnSkinHover(QString(), pos.x(), pos.y());
}

void CSkinDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragOffset_.reset();
    QDialog::mouseReleaseEvent(event);
}

void CSkinDialog::keyPressEvent(QKeyEvent* event) {
    // Enter ends the dialog with OK, as any template dialog does; the skin buttons are
    // never default buttons, so without this Enter would do nothing.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier && !HasDefaultButton(*this)) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace vorn::skin
