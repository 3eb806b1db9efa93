#pragma once
// A skin dialog that records what the skin tells it and lets a test replace skin images.

#include <QApplication>
#include <QImage>
#include <QStringList>
#include <QTest>
#include <QWindow>
#include <functional>
#include <map>
#include <vector>

#include "skin/CSkinDialog.h"

class SkinTestDialog : public vorn::skin::CSkinDialog {
  public:
    std::vector<int> clicked;  // indexes of the buttons OnSkinButton was given
    QStringList hovers;        // "name x,y" per OnSkinHover
    QStringList errors;
    mutable std::vector<int> loadedImages;
    std::map<int, QImage> replacedImages;  // a null image plays a missing resource
    std::function<void()> onClick;         // runs inside OnSkinButton

    void OnSkinButton(vorn::skin::CSkinButton* button) override {
        clicked.push_back(button->Index());
        if (onClick) onClick();
    }
    void OnSkinHover(const QString& name, int x, int y) override {
        hovers << QStringLiteral("%1 %2,%3").arg(name).arg(x).arg(y);
    }

    using CSkinDialog::Face;
    using CSkinDialog::Highlight;

    vorn::skin::CSkinButton* Button(int index) const {
        return SkinButtons().at(static_cast<std::size_t>(index));
    }

  protected:
    QImage LoadSkinImage(int resourceId) const override {
        loadedImages.push_back(resourceId);
        const auto replaced = replacedImages.find(resourceId);
        if (replaced != replacedImages.end()) return replaced->second;
        return CSkinDialog::LoadSkinImage(resourceId);
    }
    void ShowSkinError(const QString& text) override { errors << text; }
};

// Shows `dialog` and waits until it is the active window.
inline bool ShowActive(QWidget& dialog) {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitFor([&dialog] { return QApplication::activeWindow() == &dialog; });
}

// The picture a widget shows now, in a format two pictures can be compared in.
inline QImage Shown(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QImage Cut(const QImage& image, const QRect& rect) {
    return image.copy(rect).convertToFormat(QImage::Format_RGB32);
}
