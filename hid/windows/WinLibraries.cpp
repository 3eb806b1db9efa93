#include "hid/windows/WinLibraries.h"

namespace vorn::hid {

WinLibraries::WinLibraries()
    : hid_(::LoadLibraryA("hid.dll")), setupApi_(::LoadLibraryA("Setupapi.dll")) {}

}  // namespace vorn::hid
