#pragma once
// A dialog whose face, size and shape come from the skin images instead of its template.
// It always uses dialog template 102 (keyboard list 1000, progress bar 1004, slot list 1006),
// has no caption, paints the face over its whole client area, cuts its outline from the
// mask and lays the four skin buttons over the face. A left press on the face moves the
// window; a press on a control or a skin button does not.
//
// A derived dialog reacts to the skin through the three On... operations and may replace
// OnInitDialog (which runs once, just before the dialog is first shown) with its own
// sequence that calls LoadSkin.

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "skin/CSkinButton.h"
#include "skin/SkinLayout.h"

namespace Ui {
class Dialog102;
}

namespace vorn::skin {

class CSkinDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CSkinDialog(QWidget* parent = nullptr);
    ~CSkinDialog() override;

    // A skin button was clicked. Default: nothing.
    virtual void OnSkinButton(CSkinButton* button);
    // The same click by name alone, for callers that have no button. Default: nothing.
    virtual void OnSkinButtonName(const QString& name);
    // The pointer moved over skin button `name` (empty: over the face) to x, y in that
    // widget's own pixels. Default: nothing.
    virtual void OnSkinHover(const QString& name, int x, int y);

    // Calls OnSkinButton with button `index`; throws std::invalid_argument when there is no
    // button at that index.
    virtual void ClickSkinButton(int index);
    // Sets the window's outline from `mask`; reports "BitmapToRegion Error" or
    // "SetWindowRgn Error" through ShowSkinError and leaves the window rectangular.
    virtual void ApplySkinRegion(const QImage& mask);
    // Clears the skin and builds it again for the user's locale: face, size, outline,
    // highlight and the four skin buttons. May run any number of times.
    virtual void LoadSkin();

    const std::vector<CSkinButton*>& SkinButtons() const { return buttons_; }
    // The variant and language id LoadSkin chose; English before the first LoadSkin.
    SkinVariant Variant() const { return variant_; }
    std::uint16_t LanguageId() const { return languageId_; }

    // A control of template 102 by its id (1000, 1004, 1006), or nullptr.
    QWidget* GetDlgItem(int id) const;

  protected:
    // Runs once, before the dialog is first shown. Default: LoadSkin.
    virtual void OnInitDialog();
    // The skin image with resource id 129 to 133; a null image when it cannot be had.
    virtual QImage LoadSkinImage(int resourceId) const;
    // Shows a skin failure: a modal message box with caption "Error" and an OK button.
    virtual void ShowSkinError(const QString& text);

    const QImage& Face() const { return background_; }
    const QImage& Highlight() const { return highlight_; }

    void setVisible(bool visible) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void ClearSkin();
    void ResizeToFace();
    void CreateSkinButtons();
    bool StartWindowMove();
    // Centres a top-level dialog nobody placed on its parent or its screen.
    void PlaceBeforeFirstShow();

    std::unique_ptr<Ui::Dialog102> ui_;
    std::vector<CSkinButton*> buttons_;  // children of the dialog, in creation order
    QImage background_;
    QImage highlight_;
    QImage pressed_;   // no skin image fills it; the buttons draw a stand-in
    QImage disabled_;  // likewise
    SkinVariant variant_ = SkinVariant::English;
    std::uint16_t languageId_ = 0;
    bool initialised_ = false;
    // Set while the face is dragged by hand, where the window system cannot move windows.
    std::optional<QPoint> dragOffset_;
};

}  // namespace vorn::skin
