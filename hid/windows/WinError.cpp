#include "hid/windows/WinError.h"

namespace vorn::hid {

std::string WinError(const std::string& call, DWORD code) {
    char text[512] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    if (reason.empty()) reason = "unknown error";
    return call + ": " + reason + " (error " + std::to_string(code) + ")";
}

}  // namespace vorn::hid
