// The bitmap button's choice of picture and its tooltip.

#include <QTest>
#include <memory>

#include "SkinTestDialog.h"
#include "skin/CBitmapBtn.h"

using vorn::skin::CBitmapBtn;
using Picture = CBitmapBtn::Picture;

namespace {

constexpr QRgb kNormal = 0xFF102030;
constexpr QRgb kHover = 0xFF40C0B0;
constexpr QRgb kPressed = 0xFFA03020;
constexpr QRgb kDisabled = 0xFF808080;

QPixmap Solid(QRgb colour) {
    QPixmap picture(40, 20);
    picture.fill(QColor::fromRgb(colour));
    return picture;
}

QRgb ShownColour(CBitmapBtn& button) { return Shown(&button).pixel(20, 10); }

}  // namespace

class BitmapBtnTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<QWidget> window_;
    CBitmapBtn* button_ = nullptr;

    void Hover() {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button_->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button_, &move);
        QVERIFY(button_->IsHover());
    }

  private slots:
    void init() {
        window_ = std::make_unique<QWidget>();
        window_->resize(100, 60);
        button_ = new CBitmapBtn(window_.get());
        button_->setGeometry(10, 10, 40, 20);
        QVERIFY(ShowActive(*window_));
    }
    void cleanup() { window_.reset(); }

    // Pressed before hover before disabled before normal; an empty pressed or disabled
    // picture shows a shaded stand-in rather than nothing.
    void pictureFollowsTheButtonState_data() {
        QTest::addColumn<bool>("hover");
        QTest::addColumn<bool>("down");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<uint>("colour");
        QTest::newRow("normal") << false << false << true << uint(kNormal);
        QTest::newRow("hover") << true << false << true << uint(kHover);
        QTest::newRow("pressed") << false << true << true << uint(kPressed);
        QTest::newRow("pressed beats hover") << true << true << true << uint(kPressed);
        QTest::newRow("hover beats disabled") << true << false << false << uint(kHover);
        QTest::newRow("disabled") << false << false << false << uint(kDisabled);
    }
    void pictureFollowsTheButtonState() {
        QFETCH(bool, hover);
        QFETCH(bool, down);
        QFETCH(bool, enabled);
        QFETCH(uint, colour);
        button_->SetPicture(Picture::Normal, Solid(kNormal));
        button_->SetPicture(Picture::Hover, Solid(kHover));
        button_->SetPicture(Picture::Pressed, Solid(kPressed));
        button_->SetPicture(Picture::Disabled, Solid(kDisabled));
        if (hover) Hover();
        button_->setDown(down);
        button_->setEnabled(enabled);
        QCOMPARE(ShownColour(*button_), QRgb(colour));
    }

    // The skin has no pressed or disabled pictures: a pushed button shows its hover picture
    // darker, a disabled one its normal picture paler, never an empty square.
    void emptyPressedOrDisabledPictureHasAStandIn() {
        button_->SetPicture(Picture::Normal, Solid(kNormal));
        button_->SetPicture(Picture::Hover, Solid(kHover));
        button_->setEnabled(false);
        const QColor disabled = QColor::fromRgb(ShownColour(*button_));
        QVERIFY(disabled.saturation() < QColor::fromRgb(kNormal).saturation());
        QVERIFY(disabled.lightness() > QColor::fromRgb(kNormal).lightness());
        button_->setEnabled(true);
        Hover();
        button_->setDown(true);
        const QColor pushed = QColor::fromRgb(ShownColour(*button_));
        QVERIFY(pushed.value() < QColor::fromRgb(kHover).value());
        QCOMPARE(pushed.hue(), QColor::fromRgb(kHover).hue());
    }

    void secondTooltipTextReplacesTheFirst() {
        button_->SetTooltipText("first");
        button_->SetTooltipText("second");
        QCOMPARE(button_->toolTip(), QString("second"));
        button_->SetTooltipText(QString());
        QCOMPARE(button_->toolTip(), QString("second"));
    }

    void buttonIsNoTabStopAndNoDefault() {
        QCOMPARE(button_->focusPolicy(), Qt::NoFocus);
        QVERIFY(!button_->autoDefault());
    }

    void deactivatingTheWindowClearsHover() {
        Hover();
        QWidget other;
        QVERIFY(ShowActive(other));
        QVERIFY(!button_->IsHover());
    }
};

QTEST_MAIN(BitmapBtnTest)
#include "BitmapBtnTest.moc"
