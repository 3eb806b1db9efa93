// A fake HID interface is an ordinary file. The fake setupapi.dll lists the files "*.hid"
// of one folder as the present HID interfaces (the device path is the file's full path),
// so the program opens them with its usual CreateFileA. The fake hid.dll recognises such a
// handle by the file's first line:
//
//   VORNFAKEHID vid=0F39 pid=1085 usage=0080 page=FF00 feature=9 [state=DIR] [fail=set|get]
//               [pause=NAME]
//
// The keyboard behind a line is the simulated keyboard's engine (sim/SimKeyboard), one per
// line and process. With state=DIR (a folder without blanks) its keymap is loaded from
// DIR\keymap.bin when first used and saved there after every command, and its script
// slots are written to DIR\slots.txt and DIR\slotN.txt, so that one run of a program sees
// what an earlier one left. fail=set (or get) makes every HidD_SetFeature (HidD_GetFeature)
// fail with ERROR_DEVICE_NOT_CONNECTED, as for a keyboard pulled out. pause=NAME makes
// HidD_GetFeature, once it has read the line, set the event "NAME-in" and wait (up to 10 s)
// for the event "NAME-go" before it reads the line through its handle again: a test can
// close the handle from another thread while the call is inside the library.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace fakehid {

struct DeviceInfo {
    unsigned vid = 0, pid = 0, usage = 0, page = 0, feature = 0;
    std::string line;   // the whole first line: the device's identity
    std::string state;  // the state folder, or empty
    std::string fail;   // "set", "get" or empty
    std::string pause;  // the name of the pause events, or empty
};

inline std::string Token(const std::string& line, const char* key) {
    const std::string tag = std::string(" ") + key + "=";
    const auto at = line.find(tag);
    if (at == std::string::npos) return {};
    const auto from = at + tag.size();
    return line.substr(from, line.find_first_of(" \r\n", from) - from);
}

// False (and ERROR_INVALID_FUNCTION) for a handle that is not a fake device.
inline bool ReadInfo(HANDLE h, DeviceInfo& info) {
    char line[512] = {};
    DWORD got = 0;
    const bool read = h != INVALID_HANDLE_VALUE &&
                      ::SetFilePointer(h, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                      ::ReadFile(h, line, sizeof line - 1, &got, nullptr);
    if (!read ||
        std::sscanf(line, "VORNFAKEHID vid=%x pid=%x usage=%x page=%x feature=%u", &info.vid,
                    &info.pid, &info.usage, &info.page, &info.feature) != 5 ||
        info.feature < 2 || info.feature > 64) {
        ::SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
    info.line.assign(line, std::strcspn(line, "\r\n"));
    info.state = Token(info.line, "state");
    info.fail = Token(info.line, "fail");
    info.pause = Token(info.line, "pause");
    return true;
}

}  // namespace fakehid
