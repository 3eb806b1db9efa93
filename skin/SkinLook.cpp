#include "skin/SkinLook.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <QToolTip>

namespace vorn::skin {
namespace {

QPalette SkinPalette() {
    QPalette palette;
    const QColor muted = kSkinText.darker(160);
    palette.setColor(QPalette::Window, kSkinWindow);
    palette.setColor(QPalette::WindowText, kSkinText);
    palette.setColor(QPalette::Base, kSkinBase);
    palette.setColor(QPalette::AlternateBase, kSkinWindow.lighter(115));
    palette.setColor(QPalette::Text, kSkinText);
    palette.setColor(QPalette::Button, kSkinWindow.lighter(130));
    palette.setColor(QPalette::ButtonText, kSkinText);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, kSkinAccent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, kSkinAccent.lighter(150));
    palette.setColor(QPalette::ToolTipBase, kSkinBase);
    palette.setColor(QPalette::ToolTipText, kSkinText);
    palette.setColor(QPalette::PlaceholderText, muted);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, muted);
    return palette;
}

}  // namespace

void ApplySkinLook(QApplication& app) {
    // Fusion draws every control from the palette, the same on every desktop.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    const QPalette palette = SkinPalette();
    app.setPalette(palette);
    QToolTip::setPalette(palette);
    app.setStyleSheet(app.styleSheet() +
                      QStringLiteral("QToolTip { color: #eef2f7; background: #0f141c;"
                                     " border: 1px solid #566178; padding: 3px; }"));
}

}  // namespace vorn::skin
