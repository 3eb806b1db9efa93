// The program's version block, in the binary layout of a Windows version resource
// (VS_VERSIONINFO), so that the same bytes serve the Linux build (embedded in a section of
// the executable) and a later Windows build (as the version resource itself).
//
// A block is a tree of nodes, each starting on a 32-bit boundary:
//
//   u16 length   u16 valueLength   u16 type   UTF-16 key, NUL   pad   value   pad   children
//
// type 0 is binary (valueLength in bytes), type 1 is text (valueLength in UTF-16 units,
// NUL included). The root is "VS_VERSION_INFO" with the 52-byte fixed file information as
// its value; its children are "StringFileInfo" (one table per "LLLLCCCC" language/code
// page key, each holding named strings) and "VarFileInfo" (a "Translation" list of 32-bit
// entries: language id in the low 16 bits, code page in the high 16 bits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorn::app {

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::size_t kFixedFileInfoSize = 52;

// The fixed version record, field for field.
struct FixedFileInfo {
    std::uint32_t signature = 0;
    std::uint32_t structVersion = 0;
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
    std::uint32_t fileFlagsMask = 0;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOS = 0;
    std::uint32_t fileType = 0;
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMS = 0;
    std::uint32_t fileDateLS = 0;
};

struct StringTable {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
    std::vector<std::pair<std::string, std::string>> strings;  // name, text (ASCII/UTF-8)
};

struct VersionBlockContents {
    std::optional<FixedFileInfo> fixed;  // none: a root without a fixed part
    std::vector<StringTable> tables;
    std::optional<std::vector<std::uint32_t>> translations;  // none: no VarFileInfo at all
};

// Packs a version block.
std::vector<std::uint8_t> BuildVersionBlock(const VersionBlockContents& contents);

// Fixed file information for version a.b.c.d (file and product version alike).
FixedFileInfo FixedInfoForVersion(std::uint16_t a, std::uint16_t b, std::uint16_t c,
                                  std::uint16_t d);

// What a query of a sub-block path answers: the node's value bytes and its type.
struct VersionValue {
    std::span<const std::uint8_t> bytes;  // binary value, or UTF-16LE text without the NUL
    bool text = false;
};

// Looks a backslash-separated path up in a block: "\" is the root's value,
// "\VarFileInfo\Translation", "\StringFileInfo\040904E4\ProductName". Keys compare without
// regard to ASCII case. Malformed blocks answer nothing; no read leaves `block`.
std::optional<VersionValue> QueryVersionValue(std::span<const std::uint8_t> block,
                                              std::string_view path);

// Text of a query answer, UTF-16 turned into UTF-8.
std::string VersionText(const VersionValue& value);

// The version block of an executable: the ".vorn_version" section of an ELF file, or the
// whole file when it is a bare block. Nothing when the file has none.
std::optional<std::vector<std::uint8_t>> ReadVersionBlock(const std::string& path);

}  // namespace vorn::app
