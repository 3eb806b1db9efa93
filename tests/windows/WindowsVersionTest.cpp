// The program's version resource as CFileVersionInfo reads it on Windows, and the user's
// default language id that picks its string table. ctest runs this under wine with LC_ALL
// set and VORN_EXPECT_LANGID naming the language id that locale must give.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/CFileVersionInfo.h"
#include "app/UserLanguage.h"

namespace vorn::app {
namespace {

TEST(WindowsVersion, TheLanguageIdFollowsTheUsersLocale) {
    const char* expected = std::getenv("VORN_EXPECT_LANGID");
    if (!expected) GTEST_SKIP() << "VORN_EXPECT_LANGID not set";
    EXPECT_EQ(UserDefaultLangId(), std::strtoul(expected, nullptr, 16));
    EXPECT_EQ(UserDefaultLangId(), ::GetUserDefaultLangID());
}

TEST(WindowsVersion, TheRunningExecutablesResourceReadsBack) {
    CFileVersionInfo info;
    ASSERT_TRUE(info.Create(UserDefaultLangId()));
    EXPECT_EQ(info.FileVersionText(), "1.0.0.6");
    EXPECT_EQ(info.FixedInfo().signature, 0xFEEF04BDu);
    EXPECT_EQ(info.String(CFileVersionInfo::kProductName), "VornUtil");
    EXPECT_EQ(info.String(CFileVersionInfo::kProductVersion), "1.0.0.6");
    EXPECT_EQ(info.String(CFileVersionInfo::kOriginalFileName), "windows_version_test.exe");
    EXPECT_EQ(info.String(CFileVersionInfo::kSpecialBuild), "");
}

TEST(WindowsVersion, AFileWithoutAResourceGivesNothing) {
    char system[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, system);
    const std::string path = std::string(system) + "vorn-no-version.txt";
    ::DeleteFileA(path.c_str());
    const HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
    CFileVersionInfo info;
    EXPECT_FALSE(info.Create(path, 0x0409));
    EXPECT_EQ(info.FileVersionText(), "0.0.0.0");
    ::DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace vorn::app
