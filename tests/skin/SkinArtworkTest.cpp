// The skin's pictures as shipped: the action buttons' plates end in one straight edge on
// their buttons, and the hints beside the slot list are not drawn as if they were buttons.
// Edges are found as jumps between neighbouring pixels; the face's own gradients change by
// a step or two per pixel, a drawn edge by far more.

#include <QImage>
#include <QTest>
#include <cstdlib>

#include "res/VornResources.h"
#include "skin/SkinLayout.h"

using namespace vorn::skin;

namespace {

int Jump(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

constexpr int kEdgeJump = 40;

// The last column in [from, to) where row `y` jumps to its right-hand neighbour.
int LastEdge(const QImage& image, int y, int from, int to) {
    int last = -1;
    for (int x = from; x < to; ++x)
        if (Jump(image.pixel(x, y), image.pixel(x + 1, y)) > kEdgeJump) last = x;
    return last;
}

// The longest run of neighbouring columns in row `y` that all differ from the row `gap`
// pixels above: a drawn horizontal line, as the top of an outlined box.
int LongestLine(const QImage& image, int y, int gap, int from, int to) {
    int longest = 0, run = 0;
    for (int x = from; x < to; ++x) {
        run = Jump(image.pixel(x, y), image.pixel(x, y - gap)) > kEdgeJump ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

void AddPictureRows() {
    QTest::addColumn<int>("resource");
    QTest::newRow("face, English") << vorn::res::kFaceEnglish;
    QTest::newRow("hovered, English") << vorn::res::kHighlightEnglish;
    QTest::newRow("face, Chinese") << vorn::res::kFaceChinese;
    QTest::newRow("hovered, Chinese") << vorn::res::kHighlightChinese;
}

}  // namespace

class SkinArtworkTest : public QObject {
    Q_OBJECT
  private slots:
    void actionPlatesShareOneRightEdgeOnTheirButtons_data() { AddPictureRows(); }
    void actionPlatesShareOneRightEdgeOnTheirButtons() {
        QFETCH(int, resource);
        const QImage image(vorn::res::SkinImagePath(resource));
        QCOMPARE(image.size(), kFaceSize);
        int first = -1;
        for (std::size_t index = 0; index < 3; ++index) {
            const QRect button = kButtons[index].rect;
            // Past the widest button, short of the device card.
            const int edge = LastEdge(image, button.center().y(), button.left(), 340);
            QVERIFY2(edge > button.left(), kButtons[index].name);
            QVERIFY2(edge <= button.right(), kButtons[index].name);
            if (first < 0) first = edge;
            QVERIFY2(std::abs(edge - first) <= 1,
                     qPrintable(QStringLiteral("%1 ends at %2, the first plate at %3")
                                    .arg(QLatin1String(kButtons[index].name))
                                    .arg(edge)
                                    .arg(first)));
        }
    }

    void hintsBesideTheSlotListHaveNoOutline_data() { AddPictureRows(); }
    void hintsBesideTheSlotListHaveNoOutline() {
        QFETCH(int, resource);
        const QImage image(vorn::res::SkinImagePath(resource));
        // Right of the slot list, above and below the hints' letters (which sit in rows
        // 456 to 473): a box drawn around them would cross these rows as a long line.
        for (int y : {444, 446, 448, 450, 451, 452, 454, 475, 476, 477, 478, 480, 482, 484})
            QVERIFY2(LongestLine(image, y, 2, 520, 870) < 24, qPrintable(QString::number(y)));
    }
};

QTEST_MAIN(SkinArtworkTest)
#include "SkinArtworkTest.moc"
