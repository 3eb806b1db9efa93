#include "MaskArtist.h"

namespace {

constexpr int kInside = 0;
constexpr int kOutside = 1;

// Whether the pixel centre lies outside the rounded rectangle filling `size`.
bool OutsideCorner(int x, int y, const QSize& size, int radius) {
    const double cx =
        x < radius ? radius : (x >= size.width() - radius ? size.width() - radius : x + 0.5);
    const double cy =
        y < radius ? radius : (y >= size.height() - radius ? size.height() - radius : y + 0.5);
    const double dx = x + 0.5 - cx;
    const double dy = y + 0.5 - cy;
    return dx * dx + dy * dy > double(radius) * radius;
}

}  // namespace

QImage PaintMask(const QSize& size, int cornerRadius) {
    QImage mask(size, QImage::Format_Indexed8);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < size.height(); ++y) {
        uchar* row = mask.scanLine(y);
        for (int x = 0; x < size.width(); ++x)
            row[x] = OutsideCorner(x, y, size, cornerRadius) ? kOutside : kInside;
    }
    return mask;
}
