#include "skin/LanguageId.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <array>

namespace vorn::skin {
namespace {

struct LanguageEntry {
    QLocale::Language language;
    QLocale::Territory territory;  // AnyTerritory: the language's default sub-language
    std::uint16_t id;
};

// Windows language ids of the locales our users are likely to run; the first row of a
// language without a territory match stands for all its other territories.
constexpr std::array kLanguages{
    LanguageEntry{QLocale::Chinese, QLocale::Taiwan, 0x0404},
    LanguageEntry{QLocale::Chinese, QLocale::China, 0x0804},
    LanguageEntry{QLocale::Chinese, QLocale::HongKong, 0x0C04},
    LanguageEntry{QLocale::Chinese, QLocale::Singapore, 0x1004},
    LanguageEntry{QLocale::Chinese, QLocale::Macao, 0x1404},
    LanguageEntry{QLocale::English, QLocale::UnitedStates, 0x0409},
    LanguageEntry{QLocale::English, QLocale::UnitedKingdom, 0x0809},
    LanguageEntry{QLocale::English, QLocale::Australia, 0x0C09},
    LanguageEntry{QLocale::English, QLocale::Canada, 0x1009},
    LanguageEntry{QLocale::English, QLocale::NewZealand, 0x1409},
    LanguageEntry{QLocale::English, QLocale::Ireland, 0x1809},
    LanguageEntry{QLocale::English, QLocale::India, 0x4009},
    LanguageEntry{QLocale::English, QLocale::Singapore, 0x4809},
    LanguageEntry{QLocale::French, QLocale::France, 0x040C},
    LanguageEntry{QLocale::French, QLocale::Canada, 0x0C0C},
    LanguageEntry{QLocale::German, QLocale::Germany, 0x0407},
    LanguageEntry{QLocale::German, QLocale::Switzerland, 0x0807},
    LanguageEntry{QLocale::German, QLocale::Austria, 0x0C07},
    LanguageEntry{QLocale::Spanish, QLocale::Spain, 0x0C0A},
    LanguageEntry{QLocale::Spanish, QLocale::Mexico, 0x080A},
    LanguageEntry{QLocale::Portuguese, QLocale::Brazil, 0x0416},
    LanguageEntry{QLocale::Portuguese, QLocale::Portugal, 0x0816},
    LanguageEntry{QLocale::Italian, QLocale::AnyTerritory, 0x0410},
    LanguageEntry{QLocale::Dutch, QLocale::AnyTerritory, 0x0413},
    LanguageEntry{QLocale::Japanese, QLocale::AnyTerritory, 0x0411},
    LanguageEntry{QLocale::Korean, QLocale::AnyTerritory, 0x0412},
    LanguageEntry{QLocale::Russian, QLocale::AnyTerritory, 0x0419},
    LanguageEntry{QLocale::Polish, QLocale::AnyTerritory, 0x0415},
    LanguageEntry{QLocale::Czech, QLocale::AnyTerritory, 0x0405},
    LanguageEntry{QLocale::Swedish, QLocale::AnyTerritory, 0x041D},
    LanguageEntry{QLocale::Danish, QLocale::AnyTerritory, 0x0406},
    LanguageEntry{QLocale::Finnish, QLocale::AnyTerritory, 0x040B},
    LanguageEntry{QLocale::NorwegianBokmal, QLocale::AnyTerritory, 0x0414},
    LanguageEntry{QLocale::Turkish, QLocale::AnyTerritory, 0x041F},
    LanguageEntry{QLocale::Greek, QLocale::AnyTerritory, 0x0408},
    LanguageEntry{QLocale::Hungarian, QLocale::AnyTerritory, 0x040E},
    LanguageEntry{QLocale::Ukrainian, QLocale::AnyTerritory, 0x0422},
    LanguageEntry{QLocale::Vietnamese, QLocale::AnyTerritory, 0x042A},
    LanguageEntry{QLocale::Thai, QLocale::AnyTerritory, 0x041E},
    LanguageEntry{QLocale::Hebrew, QLocale::AnyTerritory, 0x040D},
    LanguageEntry{QLocale::Arabic, QLocale::AnyTerritory, 0x0401},
};

// A Chinese locale without a territory of its own still has a script: Traditional
// Chinese reads like Taiwan, every other Chinese like the mainland.
QLocale::Territory ChineseTerritory(const QLocale& locale) {
    if (locale.territory() != QLocale::AnyTerritory) return locale.territory();
    return locale.script() == QLocale::TraditionalChineseScript ? QLocale::Taiwan : QLocale::China;
}

std::optional<QLocale>& LocaleOverride() {
    static std::optional<QLocale> locale;
    return locale;
}

}  // namespace

std::uint16_t LanguageIdFromLocale(const QLocale& locale) {
    // The POSIX "C" locale speaks US English.
    if (locale.language() == QLocale::C) return 0x0409;
    const QLocale::Territory territory =
        locale.language() == QLocale::Chinese ? ChineseTerritory(locale) : locale.territory();
    const LanguageEntry* fallback = nullptr;
    for (const LanguageEntry& entry : kLanguages) {
        if (entry.language != locale.language()) continue;
        if (entry.territory == territory) return entry.id;
        if (fallback == nullptr) fallback = &entry;
    }
    return fallback != nullptr ? fallback->id : kLanguageCustomUnspecified;
}

std::uint16_t UserDefaultLanguageId() {
    const std::optional<QLocale>& locale = LocaleOverride();
    if (locale) return LanguageIdFromLocale(*locale);
#ifdef _WIN32
    // Windows knows the user's language id itself.
    return ::GetUserDefaultLangID();
#else
    return LanguageIdFromLocale(QLocale::system());
#endif
}

void SetUserDefaultLocaleOverride(std::optional<QLocale> locale) {
    LocaleOverride() = std::move(locale);
}

bool IsChineseLanguageId(std::uint32_t localeId) {
    switch (localeId & 0xFFFF) {
        case 0x0404:
        case 0x0804:
        case 0x0C04:
        case 0x1004:
            return true;
        default:
            return false;
    }
}

}  // namespace vorn::skin
