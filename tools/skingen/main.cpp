// skingen: paints the skin images and the application icon into the resource folder.
//   skingen [resource-folder]     (default: the source tree's res/)
// The Chinese face needs a font with Simplified Chinese; without one it is painted with the
// English words, and skingen says so.

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <array>
#include <cstdio>

#include "FaceShapes.h"
#include "LogoArtist.h"
#include "MaskArtist.h"
#include "SkinArtist.h"
#include "res/VornResources.h"

using vorn::skin::SkinVariant;

namespace {

constexpr std::array kIconSizes{16, 22, 24, 32, 48, 64, 128, 256};

// Our preferred face first; any family that can write Simplified Chinese next.
QString ChineseFontFamily() {
    const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const char* preferred : {"Noto Sans CJK SC", "WenQuanYi Micro Hei"})
        if (families.contains(QLatin1String(preferred))) return QLatin1String(preferred);
    return families.isEmpty() ? QString() : families.first();
}

bool Save(const QImage& image, const QString& path) {
    QImageWriter writer(path, "png");
    if (writer.write(image)) return true;
    std::fprintf(stderr, "skingen: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(writer.errorString()));
    return false;
}

QString FileName(int resourceId) {
    return vorn::res::SkinImagePath(resourceId).section(QLatin1Char('/'), -1);
}

bool PaintVariant(const QDir& skinDir, SkinVariant variant, const QString& family) {
    const SkinArtist artist(variant, family);
    const bool chinese = variant == SkinVariant::Chinese;
    const int face = chinese ? vorn::res::kFaceChinese : vorn::res::kFaceEnglish;
    const int highlight = chinese ? vorn::res::kHighlightChinese : vorn::res::kHighlightEnglish;
    return Save(artist.Paint(false), skinDir.filePath(FileName(face))) &&
           Save(artist.Paint(true), skinDir.filePath(FileName(highlight)));
}

bool PaintIcons(const QDir& iconDir) {
    for (int size : kIconSizes) {
        const QString name = QStringLiteral("vornutil-%1.png").arg(size);
        if (!Save(PaintAppIcon(size), iconDir.filePath(name))) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir res(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VORN_RES_DIR));
    if (!res.mkpath(QStringLiteral("skin")) || !res.mkpath(QStringLiteral("icons"))) {
        std::fprintf(stderr, "skingen: cannot create folders under %s\n", qPrintable(res.path()));
        return 1;
    }
    QString chinese = ChineseFontFamily();
    if (chinese.isEmpty())
        std::fprintf(stderr, "skingen: no Simplified Chinese font; Chinese face in English\n");
    const QString latin = chinese.isEmpty() ? QStringLiteral("DejaVu Sans") : chinese;
    const QDir skinDir(res.filePath(QStringLiteral("skin")));
    const bool ok =
        PaintVariant(skinDir, SkinVariant::English, latin) &&
        PaintVariant(skinDir, chinese.isEmpty() ? SkinVariant::English : SkinVariant::Chinese,
                     latin) &&
        Save(PaintMask(vorn::skin::kFaceSize, int(kBodyRadius)),
             skinDir.filePath(FileName(vorn::res::kMask))) &&
        Save(PaintComboArrow(10, 6), skinDir.filePath(QStringLiteral("combo-arrow.png"))) &&
        PaintIcons(QDir(res.filePath(QStringLiteral("icons"))));
    return ok ? 0 : 1;
}
