#include "res/VornResources.h"

#include <array>

namespace vorn::res {
namespace {

struct SkinImage {
    int id;
    const char* path;
};

constexpr std::array kSkinImages{
    SkinImage{kFaceEnglish, ":/vornutil/skin/face-en.png"},
    SkinImage{kHighlightEnglish, ":/vornutil/skin/highlight-en.png"},
    SkinImage{kMask, ":/vornutil/skin/mask.png"},
    SkinImage{kFaceChinese, ":/vornutil/skin/face-zh.png"},
    SkinImage{kHighlightChinese, ":/vornutil/skin/highlight-zh.png"},
};

constexpr std::array kIconSizes{16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace

QString SkinImagePath(int resourceId) {
    for (const SkinImage& image : kSkinImages)
        if (image.id == resourceId) return QString::fromLatin1(image.path);
    return QString();
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : kIconSizes)
        icon.addFile(QStringLiteral(":/vornutil/icons/vornutil-%1.png").arg(size),
                     QSize(size, size));
    return icon;
}

}  // namespace vorn::res
