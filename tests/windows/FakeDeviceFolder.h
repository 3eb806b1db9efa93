// A fresh folder of fake HID interfaces (tests/windows/fake/FakeDeviceFile.h) for one
// test, named to the fake setupapi.dll through FAKEHID_DIR, removed afterwards.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace vorn::test {

class FakeDeviceFolder {
  public:
    FakeDeviceFolder() {
        static std::atomic<int> next{0};
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "vorn-fakehid-" + std::to_string(::GetCurrentProcessId()) +
                "-" + std::to_string(next++);
        std::filesystem::create_directories(path_);
        ::SetEnvironmentVariableA("FAKEHID_DIR", path_.c_str());
    }
    ~FakeDeviceFolder() {
        ::SetEnvironmentVariableA("FAKEHID_DIR", nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    FakeDeviceFolder(const FakeDeviceFolder&) = delete;
    FakeDeviceFolder& operator=(const FakeDeviceFolder&) = delete;

    // Adds the interface `name` ("kb0" lists as PATH\kb0.hid, in name order) and returns
    // its device path. `extra` is appended to the line (" state=...", " fail=set").
    std::string Plug(const std::string& name, unsigned vid, unsigned pid, unsigned usage = 0x0080,
                     unsigned feature = 9, const std::string& extra = "") const {
        char line[160];
        std::snprintf(line, sizeof line,
                      "VORNFAKEHID vid=%04X pid=%04X usage=%04X page=FF00 feature=%u", vid, pid,
                      usage, feature);
        const std::string path = path_ + "\\" + name + ".hid";
        // The name makes each line, and so each simulated keyboard, one of its own.
        std::ofstream(path, std::ios::binary) << line << " name=" << name << extra << "\n";
        return path;
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace vorn::test
