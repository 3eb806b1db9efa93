// The program's application object as main() makes it: the skin's look and the program's
// name come with it, so the real program's boxes, popups and tooltips are dark and its
// windows are named VornUtil, not only where a test applies the look itself.
#include <QAbstractItemView>
#include <QComboBox>
#include <QMessageBox>
#include <QToolTip>
#include <QtTest>

#include "app/CVornUtilApp.h"

namespace {

bool IsDark(const QColor& color) { return color.lightness() < 96; }

}  // namespace

class AppObjectTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void wearsTheSkinAndTheProgramsName();
};

void AppObjectTest::wearsTheSkinAndTheProgramsName() {
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("VornUtil"));
    QMessageBox box(QMessageBox::Information, "t", "x");
    QVERIFY(IsDark(box.palette().color(QPalette::Window)));
    QVERIFY(!IsDark(box.palette().color(QPalette::WindowText)));
    QVERIFY(IsDark(QToolTip::palette().color(QPalette::ToolTipBase)));
    QComboBox list;
    QVERIFY(IsDark(list.view()->palette().color(QPalette::Base)));
}

int main(int argc, char** argv) {
    vorn::app::CVornUtilApp app(argc, argv);
    AppObjectTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AppObjectTest.moc"
