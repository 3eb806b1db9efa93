#include "app/CFileVersionInfo.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <cstring>
#include <vector>

namespace vorn::app {
namespace {

std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

FixedFileInfo DecodeFixed(std::span<const std::uint8_t> b) {
    std::uint32_t v[13];
    for (std::size_t i = 0; i < 13; ++i) v[i] = Get32(b, i * 4);
    return FixedFileInfo{v[0], v[1], v[2], v[3],  v[4],  v[5], v[6],
                         v[7], v[8], v[9], v[10], v[11], v[12]};
}

std::uint16_t LanguageOf(std::uint32_t entry) { return static_cast<std::uint16_t>(entry); }

// The path of one translation's string table, "\\StringFileInfo\\LLLLCCCC\\" (language, code page).
std::string StringTablePrefix(std::uint32_t translation) {
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", LanguageOf(translation),
                  translation >> 16);
    return prefix;
}

// The first entry of exactly `language`, else the first with its low 8 bits.
int FindLanguage(std::span<const std::uint32_t> list, std::uint16_t language) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (LanguageOf(list[i]) == language) return static_cast<int>(i);
    for (std::size_t i = 0; i < list.size(); ++i)
        if ((LanguageOf(list[i]) & 0xFF) == (language & 0xFF)) return static_cast<int>(i);
    return -1;
}

std::vector<std::uint32_t> TranslationList(std::span<const std::uint8_t> block) {
    std::vector<std::uint32_t> list;
    auto value = QueryVersionValue(block, "\\VarFileInfo\\Translation");
    if (!value) return list;
    for (std::size_t at = 0; at + 4 <= value->bytes.size(); at += 4)
        list.push_back(Get32(value->bytes, at));
    return list;
}

}  // namespace

const std::array<const char*, CFileVersionInfo::kStringCount> CFileVersionInfo::kStringNames = {
    "CompanyName",    "FileDescription",  "FileVersion",  "InternalName",
    "LegalCopyright", "OriginalFileName", "ProductName",  "ProductVersion",
    "Comments",       "LegalTrademarks",  "PrivateBuild", "SpecialBuild"};

int ChooseTranslation(std::span<const std::uint32_t> translations, std::uint16_t userLanguage) {
    if (translations.empty()) return -1;
    for (std::uint16_t language : {userLanguage, std::uint16_t{0}, std::uint16_t{9}}) {
        const int found = FindLanguage(translations, language);
        if (found >= 0) return found;
    }
    return 0;
}

CFileVersionInfo::CFileVersionInfo() { Reset(); }
CFileVersionInfo::~CFileVersionInfo() = default;

void CFileVersionInfo::Reset() {
    fixed_ = FixedFileInfo{};
    for (auto& s : strings_) s.clear();
}

#ifdef _WIN32

// Windows: the version resource, read with the system's version functions.
bool CFileVersionInfo::Create(std::uint16_t userLanguage) {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    return Create(path, userLanguage);
}

bool CFileVersionInfo::Create(const std::string& path, std::uint16_t userLanguage) {
    Reset();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<std::uint8_t> block(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
    void* value = nullptr;
    UINT length = 0;
    if (::VerQueryValueA(block.data(), "\\", &value, &length) && length == kFixedFileInfoSize) {
        fixed_ = DecodeFixed({static_cast<const std::uint8_t*>(value), length});
    }
    std::vector<std::uint32_t> translations;
    if (::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length)) {
        const auto* bytes = static_cast<const std::uint8_t*>(value);
        for (UINT at = 0; at + 4 <= length; at += 4)
            translations.push_back(Get32({bytes, length}, at));
    }
    const int chosen = ChooseTranslation(translations, userLanguage);
    if (chosen < 0) return true;
    const std::string prefix = StringTablePrefix(translations[chosen]);
    for (int i = 0; i < kStringCount; ++i) {
        const std::string name = prefix + kStringNames[i];
        if (::VerQueryValueA(block.data(), name.c_str(), &value, &length) && length > 0) {
            strings_[i] = static_cast<const char*>(value);
        }
    }
    return true;
}

#else

// Linux: the version block in the executable's ELF section.
bool CFileVersionInfo::Create(std::uint16_t userLanguage) {
    return Create("/proc/self/exe", userLanguage);
}

bool CFileVersionInfo::Create(const std::string& path, std::uint16_t userLanguage) {
    Reset();
    const auto block = ReadVersionBlock(path);
    if (!block || block->empty()) return false;
    return CreateFromBlock(*block, userLanguage);
}

#endif

bool CFileVersionInfo::CreateFromBlock(std::span<const std::uint8_t> block,
                                       std::uint16_t userLanguage) {
    Reset();
    const auto root = QueryVersionValue(block, "\\");
    if (!root) return false;
    if (root->bytes.size() == kFixedFileInfoSize) fixed_ = DecodeFixed(root->bytes);

    // A block without a translation list carries no strings we could pick; the fixed
    // numbers alone still make a version.
    const auto translations = TranslationList(block);
    const int chosen = ChooseTranslation(translations, userLanguage);
    if (chosen < 0) return true;
    const std::string prefix = StringTablePrefix(translations[chosen]);
    for (int i = 0; i < kStringCount; ++i) {
        if (auto text = QueryVersionValue(block, prefix + kStringNames[i]))
            strings_[i] = VersionText(*text);
    }
    return true;
}

std::string CFileVersionInfo::FileVersionText() const {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", fixed_.fileVersionMS >> 16,
                  fixed_.fileVersionMS & 0xFFFF, fixed_.fileVersionLS >> 16,
                  fixed_.fileVersionLS & 0xFFFF);
    return text;
}

}  // namespace vorn::app
