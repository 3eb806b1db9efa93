// The reason of a failed Windows call as the backend reports it: the call, the system's
// text for the error code and the code itself, for instance
// "CreateFileA \\?\hid#...: Access is denied. (error 5)".
#pragma once

#include <windows.h>

#include <string>

namespace vorn::hid {

std::string WinError(const std::string& call, DWORD code);

}  // namespace vorn::hid
