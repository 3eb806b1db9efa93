#include "skin/BitmapToRegion.h"

#include <new>

namespace vorn::skin {
namespace {

constexpr int kGrowStep = 100;
constexpr QRgb kColourBits = 0x00FFFFFF;

// A growable list of rectangles, merged into a region every kRegionBatch
// rectangles. It starts with room for kGrowStep and grows by kGrowStep, so a mask with few
// runs stays small.
class RectangleBatch {
  public:
    RectangleBatch() { rects_.reserve(kGrowStep); }

    bool Full() const { return static_cast<int>(rects_.size()) == kRegionBatch; }

    void Add(const QRect& rect) {
        if (rects_.size() == rects_.capacity()) rects_.reserve(rects_.capacity() + kGrowStep);
        rects_.push_back(rect);
    }

    // Merges the batch into `result` (or makes it the result) and empties the batch.
    void MergeInto(std::optional<QRegion>& result) {
        QRegion batch;
        batch.setRects(rects_.data(), static_cast<int>(rects_.size()));
        result = result ? result->united(batch) : batch;
        rects_.clear();
    }

  private:
    std::vector<QRect> rects_;
};

bool IsPureWhite(QRgb pixel) { return (pixel & kColourBits) == kColourBits; }

// Masks are read as 32-bit pixels; the two 32-bit formats whose colour bytes are stored as
// they are need no conversion, and leave the fourth byte unlooked at.
QImage As32Bit(const QImage& mask) {
    if (mask.format() == QImage::Format_RGB32 || mask.format() == QImage::Format_ARGB32)
        return mask;
    return mask.convertToFormat(QImage::Format_ARGB32);
}

// Calls add(rect) for each run of row y, left to right.
template <typename Add>
void ScanRow(const QImage& image, int y, Add&& add) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const int width = image.width();
    for (int x = 0; x < width; ++x) {
        const int x0 = x;
        while (x < width && !IsPureWhite(row[x])) ++x;
        if (x > x0) add(QRect(x0, y, x - x0, 1));
    }
}

template <typename Add>
bool ScanMask(const QImage& mask, Add&& add) {
    if (mask.isNull()) return false;
    const QImage image = As32Bit(mask);
    if (image.isNull()) return false;
    for (int y = 0; y < image.height(); ++y) ScanRow(image, y, add);
    return true;
}

}  // namespace

std::vector<QRect> MaskRuns(const QImage& mask) {
    std::vector<QRect> runs;
    ScanMask(mask, [&runs](const QRect& run) { runs.push_back(run); });
    return runs;
}

std::optional<QRegion> BitmapToRegion(const QImage& mask) {
    try {
        std::optional<QRegion> result;
        RectangleBatch batch;
        const bool scanned = ScanMask(mask, [&](const QRect& run) {
            batch.Add(run);
            if (batch.Full()) batch.MergeInto(result);
        });
        if (!scanned) return std::nullopt;
        batch.MergeInto(result);
        return result;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace vorn::skin
