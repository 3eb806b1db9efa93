// The About box: version line, the reveal keys of the hidden code field, and the code check.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <vector>

#include "app/CAboutDlg.h"
#include "app/HiddenMessage.h"
#include "tests/support/ScriptedUser.h"

using vorn::app::CAboutDlg;

namespace {

struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers = Qt::ControlModifier;
};

}  // namespace

Q_DECLARE_METATYPE(std::vector<Key>)

namespace {

// The key goes where the person's typing would go: the box's focus widget.
void Type(CAboutDlg& box, const std::vector<Key>& keys) {
    for (const Key& k : keys) {
        QWidget* target = box.focusWidget() ? box.focusWidget() : &box;
        QTest::keyClick(target, k.key, k.modifiers);
    }
}

QLineEdit* CodeField(CAboutDlg& box) { return box.findChild<QLineEdit*>("codeEdit"); }

}  // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT
  private slots:
    void versionLineNamesTheProgramsVersion();
    void versionLineWithoutAVersion();
    void revealKeys_data();
    void revealKeys();
    void okChecksTheCode_data();
    void okChecksTheCode();
    void storedCodeUnscrambles();
};

void AboutBoxTest::versionLineNamesTheProgramsVersion() {
    vorn::test::ScriptedUser user;
    CAboutDlg box(user, 0x0409);
    auto* line = box.findChild<QLabel*>("versionLabel");
    QVERIFY(line);
    QCOMPARE(line->text(), QStringLiteral("Vorn Utility " VORN_EXPECTED_VERSION));
    QCOMPARE(box.windowTitle(), QStringLiteral("About VornUtil"));
}

void AboutBoxTest::versionLineWithoutAVersion() {
    QCOMPARE(vorn::app::AboutVersionLine(QString()), QStringLiteral("Vorn Utility "));
}

void AboutBoxTest::revealKeys_data() {
    QTest::addColumn<std::vector<Key>>("keys");
    QTest::addColumn<bool>("revealed");
    QTest::newRow("Ctrl+Y alone") << std::vector<Key>{{Qt::Key_Y}} << false;
    QTest::newRow("Ctrl+H alone") << std::vector<Key>{{Qt::Key_H}} << false;
    QTest::newRow("Ctrl+H, Ctrl+Y") << std::vector<Key>{{Qt::Key_H}, {Qt::Key_Y}} << true;
    QTest::newRow("Ctrl+Y, Ctrl+H") << std::vector<Key>{{Qt::Key_Y}, {Qt::Key_H}} << false;
    QTest::newRow("Ctrl+H, Ctrl+Y, Ctrl+Y (stays armed)")
        << std::vector<Key>{{Qt::Key_H}, {Qt::Key_Y}, {Qt::Key_Y}} << true;
    QTest::newRow("Ctrl+H, plain keys, Ctrl+Y")
        << std::vector<Key>{{Qt::Key_H}, {Qt::Key_A, Qt::NoModifier}, {Qt::Key_Y}} << true;
    QTest::newRow("Ctrl+Shift+H is another key")
        << std::vector<Key>{{Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier}, {Qt::Key_Y}}
        << false;
    QTest::newRow("plain H, Y") << std::vector<Key>{{Qt::Key_H, Qt::NoModifier},
                                                    {Qt::Key_Y, Qt::NoModifier}}
                                << false;
}

void AboutBoxTest::revealKeys() {
    QFETCH(std::vector<Key>, keys);
    QFETCH(bool, revealed);
    vorn::test::ScriptedUser user;
    CAboutDlg box(user, 0x0409);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QLineEdit* field = CodeField(box);
    QVERIFY(field && !field->isVisible());
    Type(box, keys);
    QCOMPARE(field->isVisible(), revealed);
    if (revealed) {
        QCOMPARE(box.focusWidget(), field);
        // The reveal keys never land in the field as text.
        QVERIFY(field->text().isEmpty());
    }
}

void AboutBoxTest::okChecksTheCode_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("shown");
    QTest::newRow("the code") << QStringLiteral("OrvaneTessik9") << true;
    QTest::newRow("the code and more") << QStringLiteral("OrvaneTessik9 and more") << true;
    QTest::newRow("its first 12 characters") << QStringLiteral("OrvaneTessik") << false;
    QTest::newRow("another letter case") << QStringLiteral("orvaneTessik9") << false;
    QTest::newRow("nothing") << QString() << false;
}

void AboutBoxTest::okChecksTheCode() {
    QFETCH(QString, typed);
    QFETCH(bool, shown);
    vorn::test::ScriptedUser user;
    CAboutDlg box(user, 0x0409);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    Type(box, {{Qt::Key_H}, {Qt::Key_Y}});
    QTest::keyClicks(CodeField(box), typed);
    QTest::mouseClick(box.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QCOMPARE(box.CodeText(), typed);
    const auto expected =
        shown ? std::vector<std::string>{vorn::app::HiddenMessage()} : std::vector<std::string>{};
    QCOMPARE(user.Messages(), expected);
}

void AboutBoxTest::storedCodeUnscrambles() {
    std::string code;
    for (std::uint8_t b : vorn::app::ScrambledHiddenCode())
        code.push_back(static_cast<char>(vorn::app::ScrambleByte(b)));
    QCOMPARE(code, std::string("OrvaneTessik9"));
    const std::string message = vorn::app::HiddenMessage();
    QCOMPARE(message.size(), vorn::app::kHiddenMessageLength);
    QVERIFY(message.starts_with("You found the back room of VornUtil."));
    for (int b = 0; b < 256; ++b)
        QCOMPARE(int(vorn::app::ScrambleByte(vorn::app::ScrambleByte(std::uint8_t(b)))), b);
}

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
