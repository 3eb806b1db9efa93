#pragma once
// Paints the 900 x 600 face of one language variant, in its normal look or with every skin
// button in its hover look (the highlight image). Both looks are identical outside the
// button rectangles, because the buttons cut their pictures from them at those rectangles.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include "SkinTexts.h"
#include "skin/SkinLayout.h"

class SkinArtist {
  public:
    SkinArtist(vorn::skin::SkinVariant variant, const QString& fontFamily);

    QImage Paint(bool hovered) const;

  private:
    QFont Font(int pixelSize, QFont::Weight weight = QFont::Normal) const;
    void PaintBody(QPainter& painter) const;
    void PaintTitle(QPainter& painter) const;
    void PaintAbout(QPainter& painter, bool hovered) const;
    void PaintActions(QPainter& painter, bool hovered) const;
    void PaintAction(QPainter& painter, int index, bool hovered) const;
    void PaintDeviceCard(QPainter& painter) const;
    void PaintSlotRow(QPainter& painter) const;
    void PaintSteps(QPainter& painter) const;
    void PaintHints(QPainter& painter) const;
    // One hint (a name and its value) ending at `right`; returns its left edge.
    qreal PaintHint(QPainter& painter, qreal right, const QString& name,
                    const QString& value) const;
    void PaintText(QPainter& painter, const QRectF& box, int flags, const QString& text,
                   const QFont& font, const QColor& colour) const;

    vorn::skin::SkinVariant variant_;
    QString fontFamily_;
    SkinTexts texts_;
};
