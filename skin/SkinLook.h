#pragma once
// The look of everything the skin does not paint itself: drop-down popups, tooltips,
// message boxes and Qt's own file dialog. They take the face's dark colours and the same
// style, so a box that comes up over the window belongs to it. A desktop whose platform
// has a file dialog of its own keeps showing that one.

#include <QColor>

class QApplication;

namespace vorn::skin {

// The colours of the face, for the widgets that sit on it or come up over it.
inline constexpr QColor kSkinWindow{0x1a, 0x20, 0x2b};
inline constexpr QColor kSkinBase{0x0f, 0x14, 0x1c};
inline constexpr QColor kSkinText{0xee, 0xf2, 0xf7};
inline constexpr QColor kSkinAccent{0x1a, 0x8c, 0x80};

// Gives the application the skin's style and palette; call once, before any window shows.
void ApplySkinLook(QApplication& app);

}  // namespace vorn::skin
