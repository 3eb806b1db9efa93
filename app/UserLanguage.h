// The user's default language id (0x0409 for US English, 0x0804 for Simplified Chinese,
// ...), from the system: GetUserDefaultLangID on Windows. The window on Linux takes it
// from Qt's locale instead (skin/LanguageId.h).
#pragma once

#include <cstdint>

namespace vorn::app {

std::uint16_t UserDefaultLangId();

}  // namespace vorn::app
