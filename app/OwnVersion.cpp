#include "app/OwnVersion.h"

#include "app/CFileVersionInfo.h"

namespace vorn::app {

namespace {

// The fixed part does not depend on the language; US English picks a string table.
constexpr std::uint16_t kEnglish = 0x0409;

}  // namespace

std::string OwnVersionText() {
    CFileVersionInfo info;
    if (!info.Create(kEnglish)) return {};
    return info.FileVersionText();
}

bool AsksForVersion(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--") return false;
        if (arg == "--version") return true;
    }
    return false;
}

std::string VersionLine(std::string_view programName) {
    const std::string version = OwnVersionText();
    return std::string(programName) + " " + (version.empty() ? "(no version block)" : version) +
           "\n";
}

}  // namespace vorn::app
