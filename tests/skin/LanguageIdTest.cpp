// The user's locale as a Windows language id, and which ids are Chinese.

#include <QLocale>
#include <QTest>

#include "skin/LanguageId.h"

using namespace vorn::skin;

class LanguageIdTest : public QObject {
    Q_OBJECT
  private slots:
    void localeMapsToItsLanguageId_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("id");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << 0x0409;
        QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom) << 0x0809;
        QTest::newRow("en elsewhere") << QLocale(QLocale::English, QLocale::Nigeria) << 0x0409;
        QTest::newRow("zh_CN") << QLocale(QLocale::Chinese, QLocale::China) << 0x0804;
        QTest::newRow("zh_TW") << QLocale(QLocale::Chinese, QLocale::Taiwan) << 0x0404;
        QTest::newRow("zh_HK") << QLocale(QLocale::Chinese, QLocale::HongKong) << 0x0C04;
        QTest::newRow("zh_SG") << QLocale(QLocale::Chinese, QLocale::Singapore) << 0x1004;
        QTest::newRow("zh_MO") << QLocale(QLocale::Chinese, QLocale::Macao) << 0x1404;
        QTest::newRow("zh by name") << QLocale("zh_CN.UTF-8") << 0x0804;
        QTest::newRow("zh_Hant") << QLocale("zh_Hant") << 0x0404;
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << 0x0407;
        QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << 0x0411;
        QTest::newRow("POSIX C") << QLocale::c() << 0x0409;
        QTest::newRow("no Windows id")
            << QLocale(QLocale::Welsh, QLocale::UnitedKingdom) << int(kLanguageCustomUnspecified);
    }
    void localeMapsToItsLanguageId() {
        QFETCH(QLocale, locale);
        QFETCH(int, id);
        QCOMPARE(int(LanguageIdFromLocale(locale)), id);
    }

    void onlyTheFourChineseIdsAreChinese_data() {
        QTest::addColumn<uint>("localeId");
        QTest::addColumn<bool>("chinese");
        QTest::newRow("0404") << 0x0404u << true;
        QTest::newRow("0804") << 0x0804u << true;
        QTest::newRow("0C04") << 0x0C04u << true;
        QTest::newRow("1004") << 0x1004u << true;
        QTest::newRow("1404 Macao") << 0x1404u << false;
        QTest::newRow("0409") << 0x0409u << false;
        QTest::newRow("0004 neutral") << 0x0004u << false;
        QTest::newRow("sort id above 16 bits") << 0x00020804u << true;
    }
    void onlyTheFourChineseIdsAreChinese() {
        QFETCH(uint, localeId);
        QFETCH(bool, chinese);
        QCOMPARE(IsChineseLanguageId(localeId), chinese);
    }

    void overrideStandsInForTheSystemLocale() {
        SetUserDefaultLocaleOverride(QLocale(QLocale::Chinese, QLocale::Taiwan));
        QCOMPARE(int(UserDefaultLanguageId()), 0x0404);
        SetUserDefaultLocaleOverride(std::nullopt);
        QCOMPARE(UserDefaultLanguageId(), LanguageIdFromLocale(QLocale::system()));
    }
};

QTEST_GUILESS_MAIN(LanguageIdTest)
#include "LanguageIdTest.moc"
