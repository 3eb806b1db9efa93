// The window outline built from a mask: runs of non-white pixels, pure white outside.

#include <QImage>
#include <QRegion>
#include <QTest>

#include "skin/BitmapToRegion.h"

using vorn::skin::BitmapToRegion;
using vorn::skin::MaskRuns;

namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;

// A mask drawn from text rows: '#' inside the window, '.' pure white.
QImage MaskFromRows(const QStringList& rows) {
    QImage mask(static_cast<int>(rows.first().size()), static_cast<int>(rows.size()),
                QImage::Format_ARGB32);
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            mask.setPixel(x, y, rows[y][x] == QLatin1Char('#') ? kBlack : kWhite);
    return mask;
}

QImage Filled(QSize size, QRgb pixel, QImage::Format format = QImage::Format_ARGB32) {
    QImage mask(size, format);
    mask.fill(pixel);
    return mask;
}

bool SameArea(const QRegion& a, const QRegion& b) { return a.xored(b).isEmpty(); }

QRegion InOneList(const std::vector<QRect>& runs) {
    QRegion region;
    region.setRects(runs.data(), static_cast<int>(runs.size()));
    return region;
}

}  // namespace

class BitmapToRegionTest : public QObject {
    Q_OBJECT
  private slots:
    void maskWithoutWhiteIsTheFullRectangle() {
        const auto region = BitmapToRegion(Filled(QSize(900, 600), kBlack));
        QVERIFY(region.has_value());
        QVERIFY(SameArea(*region, QRegion(0, 0, 900, 600)));
    }

    void allWhiteMaskIsAnEmptyRegion() {
        const auto region = BitmapToRegion(Filled(QSize(40, 30), kWhite));
        QVERIFY(region.has_value());
        QVERIFY(region->isEmpty());
    }

    void nullMaskGivesNoRegion() { QVERIFY(!BitmapToRegion(QImage()).has_value()); }

    // The middle pixel of a three-pixel row, stored as raw blue, green, red, fourth byte.
    void pureWhiteIgnoresTheFourthByte_data() {
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<uint>("pixel");
        QTest::addColumn<bool>("white");
        QTest::newRow("white, fourth byte 0") << QImage::Format_ARGB32 << 0x00FFFFFFu << true;
        QTest::newRow("white, fourth byte 7F") << QImage::Format_ARGB32 << 0x7FFFFFFFu << true;
        QTest::newRow("white, rgb32") << QImage::Format_RGB32 << 0x00FFFFFFu << true;
        QTest::newRow("blue 254") << QImage::Format_ARGB32 << 0xFFFFFFFEu << false;
        QTest::newRow("green 254") << QImage::Format_ARGB32 << 0x00FFFEFFu << false;
        QTest::newRow("red 254") << QImage::Format_RGB32 << 0xFFFEFFFFu << false;
    }
    void pureWhiteIgnoresTheFourthByte() {
        QFETCH(QImage::Format, format);
        QFETCH(uint, pixel);
        QFETCH(bool, white);
        QImage mask = Filled(QSize(3, 1), kBlack, format);
        reinterpret_cast<QRgb*>(mask.scanLine(0))[1] = pixel;
        const std::vector<QRect> expected =
            white ? std::vector<QRect>{QRect(0, 0, 1, 1), QRect(2, 0, 1, 1)}
                  : std::vector<QRect>{QRect(0, 0, 3, 1)};
        QCOMPARE(MaskRuns(mask), expected);
    }

    void runsFollowTheRowsOfTheMask_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<std::vector<QRect>>("runs");
        QTest::newRow("two runs in one row")
            << QStringList{"##.###"} << std::vector<QRect>{QRect(0, 0, 2, 1), QRect(3, 0, 3, 1)};
        QTest::newRow("white at both ends")
            << QStringList{"..##."} << std::vector<QRect>{QRect(2, 0, 2, 1)};
        QTest::newRow("top row first") << QStringList{"#..", "..#", "..."}
                                       << std::vector<QRect>{QRect(0, 0, 1, 1), QRect(2, 1, 1, 1)};
        QTest::newRow("run to the right edge")
            << QStringList{".####"} << std::vector<QRect>{QRect(1, 0, 4, 1)};
    }
    void runsFollowTheRowsOfTheMask() {
        QFETCH(QStringList, rows);
        QFETCH(std::vector<QRect>, runs);
        QCOMPARE(MaskRuns(MaskFromRows(rows)), runs);
    }

    void paletteMaskReadsWhiteThroughItsPalette() {
        QImage mask(4, 1, QImage::Format_Indexed8);
        mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 255, 254)});
        const uchar indexes[] = {1, 0, 2, 1};
        std::copy(std::begin(indexes), std::end(indexes), mask.scanLine(0));
        QCOMPARE(MaskRuns(mask), (std::vector<QRect>{QRect(1, 0, 2, 1)}));
    }

    // Batches of 2000 rectangles merged one by one give the area of a single list, also
    // right at and around the batch size.
    void batchesGiveTheSameRegionAsOneList_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("2000 rows, one run each") << 2000 << QString("#####");
        QTest::newRow("2001 rows, one run each") << 2001 << QString("#####");
        QTest::newRow("1500 rows, two runs each") << 1500 << QString("##.##");
        QTest::newRow("2500 rows, three runs each") << 2500 << QString("#.#.#");
    }
    void batchesGiveTheSameRegionAsOneList() {
        QFETCH(int, rows);
        QFETCH(QString, pattern);
        QStringList lines;
        for (int y = 0; y < rows; ++y)  // every third row shifted, so rows do not all merge
            lines << (y % 3 == 0 ? pattern : pattern.mid(1) + QLatin1Char('.'));
        const QImage mask = MaskFromRows(lines);
        const auto region = BitmapToRegion(mask);
        QVERIFY(region.has_value());
        QVERIFY(SameArea(*region, InOneList(MaskRuns(mask))));
        QCOMPARE(region->boundingRect(), QRect(0, 0, 5, rows));
    }
};

QTEST_GUILESS_MAIN(BitmapToRegionTest)
#include "BitmapToRegionTest.moc"
