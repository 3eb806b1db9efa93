#pragma once
// The user's default language as a Windows language id (primary language in the low 10 bits,
// sub-language above). The skin variant and the slot list position follow from it.

#include <QLocale>
#include <cstdint>
#include <optional>

namespace vorn::skin {

// Language id of a locale that Windows has no id for.
inline constexpr std::uint16_t kLanguageCustomUnspecified = 0x1000;

std::uint16_t LanguageIdFromLocale(const QLocale& locale);

// The language id of the user's default locale: the system locale, unless a test has put
// another locale in its place.
std::uint16_t UserDefaultLanguageId();

// Makes UserDefaultLanguageId answer for `locale`; std::nullopt goes back to the system's.
void SetUserDefaultLocaleOverride(std::optional<QLocale> locale);

// True for the Chinese language ids 0x0404, 0x0804, 0x0C04 and 0x1004, compared on the low
// 16 bits so a full locale id can be passed as well.
bool IsChineseLanguageId(std::uint32_t localeId);

}  // namespace vorn::skin
