#pragma once
// The words painted on the face of each language variant.

#include <QString>
#include <array>

#include "skin/SkinLayout.h"

struct SkinButtonText {
    QString label;
    QString detail;
};

struct SkinTexts {
    QString subtitle;
    std::array<SkinButtonText, 3> actions;  // skin buttons 0 to 2
    QString actionsHeading;
    QString about;
    QString deviceHeading;
    QString keyboard;
    QString progress;
    QString progressIdle;
    QString slot;
    std::array<QString, 3> steps;
    std::array<QString, 3> hints;  // what the program works with: .dat, .vs, FN+0-9
};

SkinTexts TextsFor(vorn::skin::SkinVariant variant);
