// The skin dialog: what LoadSkin builds for each locale, the outline and its failures, the
// template controls, painting and moving the window by its face.

#include <QComboBox>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "SkinTestDialog.h"
#include "res/VornResources.h"
#include "skin/BitmapToRegion.h"
#include "skin/LanguageId.h"
#include "skin/MapDialogRect.h"

using namespace vorn::skin;

namespace {

constexpr QPoint kOnFace(400, 150);

QImage Filled(QRgb pixel) {
    QImage image(kFaceSize, QImage::Format_RGB32);
    image.fill(pixel);
    return image;
}

}  // namespace

class SkinDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { SetUserDefaultLocaleOverride(QLocale(QLocale::English)); }
    void cleanup() { SetUserDefaultLocaleOverride(std::nullopt); }

    void loadSkinSizesTheWindowAndCreatesTheFourButtons() {
        SkinTestDialog dialog;
        dialog.LoadSkin();
        QCOMPARE(dialog.size(), QSize(900, 600));
        struct Expected {
            const char* name;
            QRect rect;
            const char* tooltip;
        };
        const Expected expected[] = {
            {"KeymapUpload", QRect(47, 216, 230, 47), "Upload a keymap file from the keyboard"},
            {"KeymapDownload", QRect(47, 306, 256, 47), "Download a keymap file to the keyboard"},
            {"SCRIPTUpload", QRect(47, 394, 235, 47), "Download a script file to the keyboard"},
            {"About", QRect(61, 55, 192, 85), "About..."},
        };
        QCOMPARE(dialog.SkinButtons().size(), std::size(expected));
        for (int i = 0; i < 4; ++i) {
            const CSkinButton* button = dialog.Button(i);
            QCOMPARE(button->Index(), i);
            QCOMPARE(button->Name(), QString(expected[i].name));
            QCOMPARE(button->geometry(), expected[i].rect);
            QCOMPARE(button->toolTip(), QString(expected[i].tooltip));
            QVERIFY(!button->isHidden());
        }
    }

    void localePicksTheSkinVariant_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<SkinVariant>("variant");
        QTest::addColumn<std::vector<int>>("images");  // face, mask, highlight
        const std::vector<int> english{129, 131, 130};
        const std::vector<int> chinese{132, 131, 133};
        QTest::newRow("0409") << QLocale(QLocale::English, QLocale::UnitedStates)
                              << SkinVariant::English << english;
        QTest::newRow("0804") << QLocale(QLocale::Chinese, QLocale::China) << SkinVariant::Chinese
                              << chinese;
        QTest::newRow("0404") << QLocale(QLocale::Chinese, QLocale::Taiwan) << SkinVariant::Chinese
                              << chinese;
        QTest::newRow("0C04") << QLocale(QLocale::Chinese, QLocale::HongKong)
                              << SkinVariant::Chinese << chinese;
        QTest::newRow("1004") << QLocale(QLocale::Chinese, QLocale::Singapore)
                              << SkinVariant::Chinese << chinese;
        QTest::newRow("1404") << QLocale(QLocale::Chinese, QLocale::Macao) << SkinVariant::English
                              << english;
        QTest::newRow("0411") << QLocale(QLocale::Japanese, QLocale::Japan) << SkinVariant::English
                              << english;
    }
    void localePicksTheSkinVariant() {
        QFETCH(QLocale, locale);
        QFETCH(SkinVariant, variant);
        QFETCH(std::vector<int>, images);
        SetUserDefaultLocaleOverride(locale);
        SkinTestDialog dialog;
        dialog.LoadSkin();
        QCOMPARE(dialog.Variant(), variant);
        QCOMPARE(dialog.loadedImages, images);
        QCOMPARE(dialog.LanguageId(), LanguageIdFromLocale(locale));
        QCOMPARE(dialog.Face(), QImage(vorn::res::SkinImagePath(images[0])));
    }

    void loadSkinAgainReplacesTheButtons() {
        SkinTestDialog dialog;
        dialog.LoadSkin();
        const CSkinButton* first = dialog.Button(0);
        dialog.LoadSkin();
        QCOMPARE(dialog.SkinButtons().size(), std::size_t(4));
        QVERIFY(dialog.Button(0) != first);
        QTest::qWait(0);  // the old buttons go at the next turn of the event loop
        QCOMPARE(dialog.findChildren<CSkinButton*>().size(), 4);
    }

    void clickSkinButtonCallsOnSkinButtonWithThatButton() {
        SkinTestDialog dialog;
        dialog.LoadSkin();
        dialog.ClickSkinButton(2);
        QCOMPARE(dialog.clicked, std::vector<int>{2});
    }

    void clickSkinButtonOutOfRangeThrows_data() {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("index");
        QTest::newRow("index 4 of four") << true << 4;
        QTest::newRow("index -1") << true << -1;
        QTest::newRow("no skin loaded") << false << 0;
    }
    void clickSkinButtonOutOfRangeThrows() {
        QFETCH(bool, loaded);
        QFETCH(int, index);
        SkinTestDialog dialog;
        if (loaded) dialog.LoadSkin();
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, dialog.ClickSkinButton(index));
        QVERIFY(dialog.clicked.empty());
    }

    void outlineFailuresAreReportedAndLeaveTheWindowRectangular_data() {
        QTest::addColumn<QImage>("mask");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("missing mask") << QImage() << QStringList{"BitmapToRegion Error"};
        QTest::newRow("all white mask") << Filled(0xFFFFFFFF) << QStringList{"SetWindowRgn Error"};
    }
    void outlineFailuresAreReportedAndLeaveTheWindowRectangular() {
        QFETCH(QImage, mask);
        QFETCH(QStringList, errors);
        SkinTestDialog dialog;
        dialog.replacedImages[vorn::res::kMask] = mask;
        dialog.LoadSkin();
        QCOMPARE(dialog.errors, errors);
        QVERIFY(dialog.mask().isEmpty());
        QCOMPARE(dialog.SkinButtons().size(), std::size_t(4));
    }

    void suppliedMaskRoundsOnlyTheCorners() {
        SkinTestDialog dialog;
        dialog.LoadSkin();
        QVERIFY(dialog.errors.isEmpty());
        const QRegion outline = dialog.mask();
        for (QPoint corner : {QPoint(0, 0), QPoint(899, 0), QPoint(0, 599), QPoint(899, 599)})
            QVERIFY(!outline.contains(corner));
        for (const CSkinButton* button : dialog.SkinButtons())
            QVERIFY(outline.contains(button->geometry()));
        QVERIFY(outline.contains(QRect(22, 0, 856, 600)));
    }

    void missingFaceKeepsTheTemplateSizeAndPaintsNothing() {
        SkinTestDialog dialog;
        dialog.replacedImages[vorn::res::kFaceEnglish] = QImage();
        dialog.LoadSkin();
        QCOMPARE(dialog.size(), MapDialogSize(kTemplateDialogUnits));
        QVERIFY(dialog.Face().isNull());
        QVERIFY(dialog.Button(0)->GetPicture(CBitmapBtn::Picture::Normal).isNull());
        QVERIFY(!dialog.Button(0)->GetPicture(CBitmapBtn::Picture::Hover).isNull());
    }

    void defaultErrorBoxHasCaptionErrorAndAnOkButton() {
        struct Plain : vorn::skin::CSkinDialog {
        } dialog;
        QString caption, text;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            caption = box->windowTitle();
            text = box->text();
            QCOMPARE(box->standardButtons(), QMessageBox::Ok);
            box->button(QMessageBox::Ok)->click();
        });
        dialog.ApplySkinRegion(QImage());
        QCOMPARE(caption, QString("Error"));
        QCOMPARE(text, QString("BitmapToRegion Error"));
    }

    void templateControlsSitAtTheirDialogUnitPositions_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QPoint>("pixels");
        QTest::addColumn<bool>("visible");
        QTest::newRow("keyboard list") << 1000 << "keyboardList" << QPoint(476, 232) << true;
        QTest::newRow("progress bar") << 1004 << "progressBar" << QPoint(399, 322) << false;
        QTest::newRow("slot list") << 1006 << "slotList" << QPoint(392, 452) << true;
    }
    void templateControlsSitAtTheirDialogUnitPositions() {
        QFETCH(int, id);
        QFETCH(QString, objectName);
        QFETCH(QPoint, pixels);
        QFETCH(bool, visible);
        SkinTestDialog dialog;
        QVERIFY(ShowActive(dialog));
        QWidget* control = dialog.GetDlgItem(id);
        QVERIFY(control != nullptr);
        QCOMPARE(control->objectName(), objectName);
        QCOMPARE(control->pos(), pixels);
        QCOMPARE(control->isVisible(), visible);
    }

    void unknownControlIdHasNoControl() {
        SkinTestDialog dialog;
        dialog.LoadSkin();
        QVERIFY(dialog.GetDlgItem(0) == nullptr);
        QVERIFY(dialog.GetDlgItem(1001) == nullptr);
    }

    void dialogUnitsMapToPixels_data() {
        QTest::addColumn<QRect>("units");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("keyboard list") << QRect(317, 143, 85, 48) << QRect(476, 232, 127, 78);
        QTest::newRow("progress bar") << QRect(266, 198, 149, 16) << QRect(399, 322, 224, 26);
        QTest::newRow("slot list") << QRect(261, 278, 48, 47) << QRect(392, 452, 72, 76);
        QTest::newRow("template") << QRect(0, 0, 599, 370) << QRect(0, 0, 899, 601);
    }
    void dialogUnitsMapToPixels() {
        QFETCH(QRect, units);
        QFETCH(QRect, pixels);
        QCOMPARE(MapDialogRect(units), pixels);
    }

    void showingTheDialogLoadsTheSkinOnce() {
        SkinTestDialog dialog;
        QVERIFY(ShowActive(dialog));
        dialog.hide();
        dialog.show();
        QCOMPARE(dialog.loadedImages.size(), std::size_t(3));
    }

    void faceIsPaintedOneToOne() {
        SkinTestDialog dialog;
        dialog.replacedImages[vorn::res::kFaceEnglish] = Filled(0xFF203040);
        QVERIFY(ShowActive(dialog));
        const QRect bare(300, 60, 500, 100);
        QCOMPARE(Cut(Shown(&dialog), bare), Cut(dialog.Face(), bare));
    }

    void pressAndDragOnTheFaceMovesTheWindow() {
        SkinTestDialog dialog;
        QVERIFY(ShowActive(dialog));
        const QPoint start = dialog.pos();
        QTest::mousePress(dialog.windowHandle(), Qt::LeftButton, {}, kOnFace);
        QTest::mouseMove(dialog.windowHandle(), kOnFace + QPoint(50, 30));
        QTRY_COMPARE(dialog.pos(), start + QPoint(50, 30));
        QTest::mouseRelease(dialog.windowHandle(), Qt::LeftButton, {}, kOnFace);
        QTest::mouseMove(dialog.windowHandle(), kOnFace + QPoint(90, 90));
        QCOMPARE(dialog.pos(), start + QPoint(50, 30));
    }

    void pressAndDragOnAButtonLeavesTheWindowInPlace() {
        SkinTestDialog dialog;
        QVERIFY(ShowActive(dialog));
        const QPoint start = dialog.pos();
        const QPoint onButton = dialog.Button(0)->geometry().center();
        QTest::mousePress(dialog.windowHandle(), Qt::LeftButton, {}, onButton);
        QTest::mouseMove(dialog.windowHandle(), onButton + QPoint(50, 30));
        QTest::qWait(0);
        QCOMPARE(dialog.pos(), start);
        QTest::mouseRelease(dialog.windowHandle(), Qt::LeftButton, {}, onButton);
    }

    void enterEndsTheDialogWithOk() {
        SkinTestDialog dialog;
        QVERIFY(ShowActive(dialog));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(SkinDialogTest)
#include "SkinDialogTest.moc"
