// The two system libraries the HID backend binds by file name, "hid.dll" and
// "Setupapi.dll", loaded once and kept until the process ends. Their functions are looked
// up by name each time one is used, so a library or function that is missing makes only
// that one call answer "not available".
#pragma once

#include <windows.h>

namespace vorn::hid {

class WinLibraries {
  public:
    // Loads both libraries; either handle stays null when loading fails. Other file names
    // are for tests (libraries that lack a function).
    WinLibraries(const char* hidLibrary = "hid.dll", const char* setupApiLibrary = "Setupapi.dll");

    // The function `name` of "hid.dll" or "Setupapi.dll" as type F; null when the library
    // or the function is missing.
    template <typename F>
    F Hid(const char* name) const {
        return Find<F>(hid_, name);
    }
    template <typename F>
    F SetupApi(const char* name) const {
        return Find<F>(setupApi_, name);
    }

    bool HidLoaded() const { return hid_ != nullptr; }
    bool SetupApiLoaded() const { return setupApi_ != nullptr; }

  private:
    template <typename F>
    static F Find(HMODULE module, const char* name) {
        if (!module) return nullptr;
        // GetProcAddress gives a generic function pointer; the caller names the real type.
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    }

    HMODULE hid_ = nullptr;
    HMODULE setupApi_ = nullptr;
};

}  // namespace vorn::hid
