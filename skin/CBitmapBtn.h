#pragma once
// A push button drawn entirely from four pictures: normal, hover, pressed and disabled. It
// draws no frame, no focus rectangle and no background of its own, and is not a tab stop.
//
// Hover is set when the pointer moves onto the button while the program has an active
// window, unless the left button was already held when it arrived. It is cleared when the
// pointer leaves, the button loses focus, the window is deactivated or the button is
// clicked. While the left button is held after a press on the button, the button keeps the
// pointer even outside it, so a release outside is no click.

#include <QPixmap>
#include <QPushButton>
#include <QString>

namespace vorn::skin {

class CBitmapBtn : public QPushButton {
    Q_OBJECT
  public:
    enum class Picture { Normal, Hover, Pressed, Disabled };

    explicit CBitmapBtn(QWidget* parent = nullptr);
    ~CBitmapBtn() override;

    void SetPicture(Picture which, const QPixmap& picture);
    const QPixmap& GetPicture(Picture which) const;

    // Sets the tooltip's text; a second call replaces it. An empty text changes nothing.
    void SetTooltipText(const QString& text);

    bool IsHover() const { return hover_; }

  protected:
    // Drops the hover look, as a click or the pointer leaving does.
    void ClearHover();

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

  private:
    Picture ChosenPicture() const;
    bool StartsHover() const;

    bool hover_ = false;
    QPixmap pictures_[4];
};

}  // namespace vorn::skin
