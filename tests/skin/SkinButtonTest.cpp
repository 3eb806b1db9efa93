// Skin buttons on a real skin dialog: hover look, clicks and hover reports, driven through
// the window as the window system would.

#include <QLocale>
#include <QTest>
#include <QToolTip>
#include <memory>

#include "SkinTestDialog.h"
#include "skin/LanguageId.h"

using namespace vorn::skin;

namespace {

constexpr QPoint kOnFace(400, 150);  // bare face, away from every control

QPoint CentreOf(const CSkinButton* button) { return button->geometry().center(); }

}  // namespace

class SkinButtonTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<SkinTestDialog> dialog_;

    QWindow* Window() const { return dialog_->windowHandle(); }
    CSkinButton* Button(int index) const { return dialog_->Button(index); }

  private slots:
    void initTestCase() { SetUserDefaultLocaleOverride(QLocale(QLocale::English)); }

    void init() {
        dialog_ = std::make_unique<SkinTestDialog>();
        QVERIFY(ShowActive(*dialog_));
        QCOMPARE(dialog_->SkinButtons().size(), std::size_t(4));
    }
    void cleanup() { dialog_.reset(); }

    void inactiveApplicationSetsNoHover() {
        dialog_->hide();
        QTRY_VERIFY(QApplication::activeWindow() == nullptr);
        CSkinButton* button = Button(0);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &move);
        QVERIFY(!button->IsHover());
        // Any active window of the program will do, as the window system sees it.
        QWidget other;
        QVERIFY(ShowActive(other));
        QApplication::sendEvent(button, &move);
        QVERIFY(button->IsHover());
    }

    void hoverShowsTheHighlightAreaAndLeavingTheFace() {
        CSkinButton* button = Button(1);
        QTest::mouseMove(Window(), CentreOf(button));
        QVERIFY(button->IsHover());
        QCOMPARE(Shown(button), Cut(dialog_->Highlight(), button->geometry()));
        QTest::mouseMove(Window(), kOnFace);
        QVERIFY(!button->IsHover());
        QCOMPARE(Shown(button), Cut(dialog_->Face(), button->geometry()));
    }

    void hoveredButtonShowsItsTooltip() {
        CSkinButton* button = Button(0);
        QTest::mouseMove(Window(), CentreOf(button));
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QString("Upload a keymap file from the keyboard"));
        QToolTip::hideText();
    }

    void pressOutsideThenMoveInWithTheButtonHeldSetsNoHover() {
        CSkinButton* button = Button(0);
        QTest::mousePress(Window(), Qt::LeftButton, {}, kOnFace);
        QTest::mouseMove(Window(), button->mapTo(dialog_.get(), QPoint(10, 10)));
        QVERIFY(!button->IsHover());
        QTest::mouseRelease(Window(), Qt::LeftButton, {},
                            button->mapTo(dialog_.get(), QPoint(10, 10)));
        QVERIFY(dialog_->clicked.empty());
    }

    void pressOnAButtonAndReleaseOutsideIsNoClick() {
        CSkinButton* button = Button(2);
        QTest::mouseMove(Window(), CentreOf(button));
        QTest::mousePress(Window(), Qt::LeftButton, {}, CentreOf(button));
        QTest::mouseMove(Window(), kOnFace);
        QVERIFY(!button->IsHover());
        QTest::mouseRelease(Window(), Qt::LeftButton, {}, kOnFace);
        QVERIFY(dialog_->clicked.empty());
    }

    void clickReportsTheIndexOnceAndClearsHover_data() {
        QTest::addColumn<int>("index");
        for (int index = 0; index < 4; ++index) QTest::addRow("button %d", index) << index;
    }
    void clickReportsTheIndexOnceAndClearsHover() {
        QFETCH(int, index);
        CSkinButton* button = Button(index);
        QTest::mouseMove(Window(), CentreOf(button));
        QVERIFY(button->IsHover());
        QTest::mouseClick(Window(), Qt::LeftButton, {}, CentreOf(button));
        QCOMPARE(dialog_->clicked, std::vector<int>{index});
        QVERIFY(!button->IsHover());
    }

    void clickRunsBeforeTheButtonsOwnReleaseHandling() {
        CSkinButton* button = Button(3);
        bool downDuringCommand = false;
        dialog_->onClick = [&] { downDuringCommand = button->isDown(); };
        QTest::mouseClick(Window(), Qt::LeftButton, {}, CentreOf(button));
        QVERIFY(downDuringCommand);
        QVERIFY(!button->isDown());
    }

    // A command may rebuild the skin, deleting the very button whose click runs it.
    void commandThatReloadsTheSkinLeavesWorkingButtons() {
        dialog_->onClick = [this] { dialog_->LoadSkin(); };
        QTest::mouseClick(Window(), Qt::LeftButton, {}, CentreOf(Button(0)));
        dialog_->onClick = nullptr;
        QTest::qWait(0);
        QTest::mouseClick(Window(), Qt::LeftButton, {}, CentreOf(Button(1)));
        QCOMPARE(dialog_->clicked, (std::vector<int>{0, 1}));
    }

    void movesReportTheButtonNameOrTheFace() {
        CSkinButton* button = Button(1);
        QTest::mouseMove(Window(), button->mapTo(dialog_.get(), QPoint(12, 7)));
        QTest::mouseMove(Window(), kOnFace);
        QCOMPARE(dialog_->hovers, QStringList({"KeymapDownload 12,7", " 400,150"}));
    }

    void focusLossClearsHover() {
        CSkinButton* button = Button(0);
        QTest::mouseMove(Window(), CentreOf(button));
        button->setFocus();
        dialog_->GetDlgItem(kKeyboardListId)->setFocus();
        QVERIFY(!button->IsHover());
    }
};

QTEST_MAIN(SkinButtonTest)
#include "SkinButtonTest.moc"
