#pragma once
// The fixed geometry of the skin: the face size, the four skin buttons and the places of the
// controls of dialog template 102. Every coordinate is a client pixel of the 900 x 600 face
// and the same for both language variants, so the artwork generator, the dialog and the tests
// all read it from here.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

namespace vorn::skin {

enum class SkinVariant { English, Chinese };

struct SkinButtonPlace {
    const char* name;     // the command name the dialog dispatches on
    QRect rect;           // client pixels of the face
    const char* tooltip;  // shown while the pointer rests on the button
};

struct TemplateControlPlace {
    int id;                  // control id of dialog template 102
    const char* objectName;  // object name of the control in the .ui file
    QRect dialogUnits;       // position and size in dialog units
};

inline constexpr QSize kFaceSize{900, 600};

// Builds a QRect from a Windows-style rectangle whose right and bottom edges are exclusive.
constexpr QRect FromLTRB(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

// The skin buttons in creation order; the position in this table is the button's index.
inline constexpr std::array<SkinButtonPlace, 4> kButtons{{
    {"KeymapUpload", FromLTRB(47, 216, 277, 263), "Upload a keymap file from the keyboard"},
    {"KeymapDownload", FromLTRB(47, 306, 303, 353), "Download a keymap file to the keyboard"},
    {"SCRIPTUpload", FromLTRB(47, 394, 282, 441), "Download a script file to the keyboard"},
    {"About", FromLTRB(61, 55, 253, 140), "About..."},
}};

inline constexpr int kKeyboardListId = 1000;
inline constexpr int kProgressBarId = 1004;
inline constexpr int kSlotListId = 1006;

// The controls of template 102; a drop-down list's height in dialog units includes its list.
inline constexpr std::array<TemplateControlPlace, 3> kTemplateControls{{
    {kKeyboardListId, "keyboardList", QRect(317, 143, 85, 48)},
    {kProgressBarId, "progressBar", QRect(266, 198, 149, 16)},
    {kSlotListId, "slotList", QRect(261, 278, 48, 47)},
}};

// The template's own size in dialog units; the skin resizes the window to the face.
inline constexpr QSize kTemplateDialogUnits{599, 370};

// Where the slot list sits on each variant's face: the English face has it left of the
// template position, which the Chinese face keeps.
inline constexpr QPoint kEnglishSlotListPos{243, 453};

}  // namespace vorn::skin
