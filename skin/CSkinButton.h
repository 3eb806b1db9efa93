#pragma once
// A bitmap button of the skin dialog. Its pictures are cut from the dialog's full-face
// images at the button's own rectangle, so it always looks like the part of the face it
// covers. It reports to its parent CSkinDialog by index and name, not by control id: a
// release inside the button calls the dialog's ClickSkinButton(index) once, before the
// button's own release handling, and every move calls OnSkinHover(name, x, y) in the
// button's own coordinates.

#include <QImage>
#include <QRect>
#include <QString>

#include "skin/CBitmapBtn.h"

namespace vorn::skin {

class CSkinButton : public CBitmapBtn {
    Q_OBJECT
  public:
    explicit CSkinButton(QWidget* parent = nullptr);

    // Cuts the four pictures at `rect` (face pixels) out of the dialog's images. A null
    // source image leaves that picture as it was.
    void SetSkin(const QImage& background, const QImage& highlight, const QImage& pressed,
                 const QImage& disabled, const QRect& rect);

    void SetIndex(int index) { index_ = index; }
    int Index() const { return index_; }
    void SetName(const QString& name) { name_ = name; }
    const QString& Name() const { return name_; }

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void ReportClick();

    QString name_;
    int index_ = 0;
};

}  // namespace vorn::skin
