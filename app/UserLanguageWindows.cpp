#include <windows.h>

#include "app/UserLanguage.h"

namespace vorn::app {

std::uint16_t UserDefaultLangId() { return ::GetUserDefaultLangID(); }

}  // namespace vorn::app
