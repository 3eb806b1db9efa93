// The Qt user seam: filters in Qt's syntax, and message boxes that a worker thread asks for
// come up on the GUI thread while the worker waits.
#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <thread>

#include "app/FileFilter.h"
#include "app/QtUserSeam.h"

class QtUserSeamTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void filters_data();
    void filters();
    void defaultSuffix_data();
    void defaultSuffix();
    void messageFromAWorkerIsShownOnTheGuiThread();
    void openDialogUsesTheRequestedFilter();
};

void QtUserSeamTest::filters_data() {
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("qt");
    QTest::newRow("keymap files") << "Binary Files {*.dat}|*.dat|All Files {*.*}|*.*||"
                                  << "Binary Files {*.dat} (*.dat);;All Files {*.*} (*)";
    QTest::newRow("blank after a pattern")
        << "Vorn Script Files {*.vs}|*.vs |All Files {*.*}|*.*||"
        << "Vorn Script Files {*.vs} (*.vs);;All Files {*.*} (*)";
    QTest::newRow("several patterns") << "Text|*.txt;*.log||"
                                      << "Text (*.txt *.log)";
    QTest::newRow("nothing after the end") << "A|*.a||B|*.b||"
                                           << "A (*.a)";
    QTest::newRow("description without patterns") << "A|*.a|B||"
                                                  << "A (*.a)";
    QTest::newRow("empty") << ""
                           << "";
}

void QtUserSeamTest::filters() {
    QFETCH(QString, windows);
    QFETCH(QString, qt);
    QCOMPARE(vorn::app::QtFileFilter(windows.toStdString()), qt);
}

void QtUserSeamTest::defaultSuffix_data() {
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("*.vs") << "*.vs"
                          << "vs";
    QTest::newRow(".dat") << ".dat"
                          << "dat";
    QTest::newRow("*.*") << "*.*"
                         << "";
    QTest::newRow("none") << ""
                          << "";
}

void QtUserSeamTest::defaultSuffix() {
    QFETCH(QString, extension);
    QFETCH(QString, suffix);
    QCOMPARE(vorn::app::DefaultSuffix(extension.toStdString()), suffix);
}

void QtUserSeamTest::messageFromAWorkerIsShownOnTheGuiThread() {
    vorn::app::QtUserSeam seam(nullptr);
    std::atomic<bool> returned{false};
    QString caption, text;
    bool onGuiThread = false;
    // Answers the box as a person would, once it is up.
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        caption = box->windowTitle();
        text = box->text();
        onGuiThread = box->thread() == QThread::currentThread();
        QVERIFY(!returned.load());  // the worker is still waiting for the answer
        box->button(QMessageBox::Ok)->click();
    });
    answer.start(10);
    std::thread worker([&] {
        seam.ShowMessage("Upload successfully.");
        returned = true;
    });
    QTRY_VERIFY(returned.load());
    worker.join();
    QCOMPARE(caption, vorn::app::ProgramName());
    QCOMPARE(text, QStringLiteral("Upload successfully."));
    QVERIFY(onGuiThread);
}

void QtUserSeamTest::openDialogUsesTheRequestedFilter() {
    vorn::app::QtUserSeam seam(nullptr);
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        filters = dialog->nameFilters();
        dialog->reject();
    });
    const auto chosen =
        seam.AskOpenFile({"*.vs", "Vorn Script Files {*.vs}|*.vs |All Files {*.*}|*.*||",
                          vorn::state::kOfnFileMustExist});
    QVERIFY(!chosen);
    QCOMPARE(filters, (QStringList{"Vorn Script Files {*.vs} (*.vs)", "All Files {*.*} (*)"}));
}

QTEST_MAIN(QtUserSeamTest)
#include "QtUserSeamTest.moc"
