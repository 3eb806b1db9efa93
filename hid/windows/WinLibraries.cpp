#include "hid/windows/WinLibraries.h"

namespace vorn::hid {

WinLibraries::WinLibraries(const char* hidLibrary, const char* setupApiLibrary)
    : hid_(::LoadLibraryA(hidLibrary)), setupApi_(::LoadLibraryA(setupApiLibrary)) {}

}  // namespace vorn::hid
