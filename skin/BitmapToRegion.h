#pragma once
// The window outline from a mask image: pure white pixels (blue, green and red all 255,
// whatever the fourth byte holds) lie outside the window, every other pixel inside.

#include <QImage>
#include <QRect>
#include <QRegion>
#include <optional>
#include <vector>

namespace vorn::skin {

// The mask's horizontal runs of non-white pixels, one pixel high, top row first and left to
// right within a row. A null image has no runs.
std::vector<QRect> MaskRuns(const QImage& mask);

// The union of the mask's runs, handed to QRegion in batches of at most kRegionBatch
// rectangles so that a large mask never builds one huge rectangle list. No region (nullopt)
// for a null mask or when memory runs out; an all-white mask gives an empty region.
inline constexpr int kRegionBatch = 2000;
std::optional<QRegion> BitmapToRegion(const QImage& mask);

}  // namespace vorn::skin
