// Reads the version block of an executable: the fixed version numbers and the twelve named
// version strings of the language that suits the user best.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/VersionBlock.h"

namespace vorn::app {

class CFileVersionInfo {
  public:
    // The version strings, in the order they are looked up.
    enum StringId {
        kCompanyName,
        kFileDescription,
        kFileVersion,
        kInternalName,
        kLegalCopyright,
        kOriginalFileName,
        kProductName,
        kProductVersion,
        kComments,
        kLegalTrademarks,
        kPrivateBuild,
        kSpecialBuild,
        kStringCount
    };
    static const std::array<const char*, kStringCount> kStringNames;

    CFileVersionInfo();
    virtual ~CFileVersionInfo();

    virtual void Reset();

    // From the running executable. `userLanguage` is the user's default language id
    // (0x0409 for US English, ...), which picks the string table.
    bool Create(std::uint16_t userLanguage);
    // From the file at `path`; false when it has no readable version block.
    bool Create(const std::string& path, std::uint16_t userLanguage);
    // From a version block already in memory.
    bool CreateFromBlock(std::span<const std::uint8_t> block, std::uint16_t userLanguage);

    const FixedFileInfo& FixedInfo() const { return fixed_; }
    const std::string& String(StringId id) const { return strings_[id]; }
    // The file version as "a.b.c.d" (zeros while no fixed part was read).
    std::string FileVersionText() const;

  private:
    FixedFileInfo fixed_;
    std::array<std::string, kStringCount> strings_;
};

// Picks the translation entry for a user language: the first entry of that language, else
// the first of the same primary language (low 8 bits); then the same for language 0 and
// for language 9 (English); else the first entry. Returns an index, or -1 for an empty list.
int ChooseTranslation(std::span<const std::uint32_t> translations, std::uint16_t userLanguage);

}  // namespace vorn::app
