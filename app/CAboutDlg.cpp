#include "app/CAboutDlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <algorithm>

#include "app/CFileVersionInfo.h"
#include "app/HiddenMessage.h"
#include "ui_about.h"

namespace vorn::app {
namespace {

constexpr int kIconSize = 32;

// The hot key a key event stands for: Ctrl and nothing else held, as the hot keys were
// registered with the Ctrl modifier alone; 0 for every other key.
int HotKeyOf(const QKeyEvent& key) {
    const auto held = key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                                         Qt::MetaModifier);
    if (held != Qt::ControlModifier) return 0;
    if (key.key() == Qt::Key_H) return CAboutDlg::kArmHotKey;
    if (key.key() == Qt::Key_Y) return CAboutDlg::kRevealHotKey;
    return 0;
}

QString OwnVersionText(std::uint16_t userLanguage) {
    CFileVersionInfo info;
    if (!info.Create(userLanguage)) return QString();
    return QString::fromStdString(info.FileVersionText());
}

}  // namespace

QString AboutVersionLine(const QString& versionText) {
    return QStringLiteral("Vorn Utility %1").arg(versionText);
}

CAboutDlg::CAboutDlg(state::UserSeam& user, std::uint16_t userLanguage, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CAboutDlg>()), user_(user) {
    ui_->setupUi(this);
    OnInitDialog(userLanguage);
}

CAboutDlg::~CAboutDlg() { qApp->removeEventFilter(this); }

void CAboutDlg::OnInitDialog(std::uint16_t userLanguage) {
    hotKeyArmed_ = false;
    ui_->iconLabel->setPixmap(windowIcon().pixmap(kIconSize, kIconSize));
    qApp->installEventFilter(this);
    ui_->versionLabel->setText(AboutVersionLine(OwnVersionText(userLanguage)));
    FitTextHeights();
}

// The template's line heights suit the template font at 96 dpi; the font the desktop
// gives may be taller, and a label never cuts its descenders.
void CAboutDlg::FitTextHeights() {
    int bottom = height();
    for (QLabel* label : {ui_->versionLabel, ui_->noticeLabel}) {
        const int needed = label->sizeHint().height();
        if (label->height() < needed) label->resize(label->width(), needed);
        bottom = std::max(bottom, label->geometry().bottom() + 1 + label->y() / 2);
    }
    if (bottom > height()) setFixedHeight(bottom);
}

void CAboutDlg::OnHotKey(int id) {
    if (id == kArmHotKey) hotKeyArmed_ = true;
    if (id != kRevealHotKey || !hotKeyArmed_) return;
    ui_->codeEdit->show();
    ui_->codeEdit->setFocus(Qt::ShortcutFocusReason);
}

void CAboutDlg::accept() {
    // The field's content counts also while it is hidden.
    codeText_ = ui_->codeEdit->text();
    if (HiddenCodeMatches(codeText_.toUtf8().toStdString())) user_.ShowMessage(HiddenMessage());
    QDialog::accept();
}

bool CAboutDlg::BelongsToThisBox(QObject* watched) const {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    return widget != nullptr && widget->window() == this;
}

bool CAboutDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool keyEvent =
        event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (!keyEvent || !BelongsToThisBox(watched)) return false;
    const int id = HotKeyOf(*static_cast<QKeyEvent*>(event));
    if (id == 0) return false;
    // Claim the override so that no shortcut takes the key; act on the press itself.
    event->accept();
    if (event->type() == QEvent::KeyPress) OnHotKey(id);
    return true;
}

}  // namespace vorn::app
