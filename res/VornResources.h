#pragma once
// The program's compiled-in resources, by the ids the rest of the program knows them by:
// the application icon (128) and the skin images (129 to 133).

#include <QIcon>
#include <QString>

namespace vorn::res {

inline constexpr int kAppIcon = 128;
inline constexpr int kFaceEnglish = 129;       // 900 x 600 face, English variant
inline constexpr int kHighlightEnglish = 130;  // the same face with the buttons hovered
inline constexpr int kMask = 131;              // 8-bit mask; pure white is outside the window
inline constexpr int kFaceChinese = 132;
inline constexpr int kHighlightChinese = 133;

// Resource path of skin image 129 to 133; empty for any other id.
QString SkinImagePath(int resourceId);

// The application icon with every size the resources carry (16 to 256 pixels).
QIcon AppIcon();

}  // namespace vorn::res
