#include "app/VersionBlock.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vorn::app {
namespace {

constexpr std::uint16_t kBinaryNode = 0;
constexpr std::uint16_t kTextNode = 1;
constexpr std::size_t kNodeHeader = 6;  // length, value length, type

// ---- writing ---------------------------------------------------------------------------

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}

void PutWide(std::vector<std::uint8_t>& out, std::string_view text) {
    for (unsigned char c : text) Put16(out, c);
    Put16(out, 0);
}

void Align(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0) out.push_back(0);
}

// A node whose children are already packed; its length is patched in once known.
std::vector<std::uint8_t> Node(std::string_view key, std::uint16_t type, std::uint16_t valueLength,
                               const std::vector<std::uint8_t>& value,
                               const std::vector<std::uint8_t>& children) {
    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, valueLength);
    Put16(out, type);
    PutWide(out, key);
    Align(out);
    out.insert(out.end(), value.begin(), value.end());
    if (!children.empty()) Align(out);
    out.insert(out.end(), children.begin(), children.end());
    out[0] = static_cast<std::uint8_t>(out.size());
    out[1] = static_cast<std::uint8_t>(out.size() >> 8);
    return out;
}

void Append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& node) {
    Align(out);
    out.insert(out.end(), node.begin(), node.end());
}

std::vector<std::uint8_t> FixedBytes(const FixedFileInfo& f) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t v : {f.signature, f.structVersion, f.fileVersionMS, f.fileVersionLS,
                            f.productVersionMS, f.productVersionLS, f.fileFlagsMask, f.fileFlags,
                            f.fileOS, f.fileType, f.fileSubtype, f.fileDateMS, f.fileDateLS})
        Put32(out, v);
    return out;
}

std::vector<std::uint8_t> StringNode(const std::string& name, const std::string& text) {
    std::vector<std::uint8_t> value;
    PutWide(value, text);
    return Node(name, kTextNode, static_cast<std::uint16_t>(text.size() + 1), value, {});
}

std::vector<std::uint8_t> TableNode(const StringTable& table) {
    std::vector<std::uint8_t> children;
    for (const auto& [name, text] : table.strings) Append(children, StringNode(name, text));
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", table.language, table.codePage);
    return Node(key, kTextNode, 0, {}, children);
}

std::vector<std::uint8_t> StringFileInfoNode(const std::vector<StringTable>& tables) {
    std::vector<std::uint8_t> children;
    for (const auto& table : tables) Append(children, TableNode(table));
    return Node("StringFileInfo", kTextNode, 0, {}, children);
}

std::vector<std::uint8_t> VarFileInfoNode(const std::vector<std::uint32_t>& translations) {
    std::vector<std::uint8_t> value;
    for (std::uint32_t t : translations) Put32(value, t);
    auto var =
        Node("Translation", kBinaryNode, static_cast<std::uint16_t>(value.size()), value, {});
    return Node("VarFileInfo", kTextNode, 0, {}, var);
}

// ---- reading ---------------------------------------------------------------------------

struct NodeView {
    std::size_t begin = 0;
    std::size_t end = 0;  // begin + length, within the block
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0;
    std::u16string key;
    std::size_t valueBegin = 0;
    std::size_t childrenBegin = 0;
};

std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::size_t AlignUp(std::size_t v) { return (v + 3) & ~std::size_t{3}; }

// Parses the node at `at`, which must lie wholly inside [at, limit).
std::optional<NodeView> ParseNode(std::span<const std::uint8_t> b, std::size_t at,
                                  std::size_t limit) {
    if (limit > b.size() || at + kNodeHeader > limit) return std::nullopt;
    NodeView n;
    n.begin = at;
    const std::size_t length = Get16(b, at);
    if (length < kNodeHeader || at + length > limit) return std::nullopt;
    n.end = at + length;
    n.valueLength = Get16(b, at + 2);
    n.type = Get16(b, at + 4);
    std::size_t p = at + kNodeHeader;
    for (;; p += 2) {
        if (p + 2 > n.end) return std::nullopt;
        const std::uint16_t c = Get16(b, p);
        if (c == 0) break;
        n.key.push_back(static_cast<char16_t>(c));
    }
    n.valueBegin = AlignUp(p + 2);
    const std::size_t valueBytes =
        n.type == kTextNode ? n.valueLength * std::size_t{2} : n.valueLength;
    if (n.valueBegin > n.end || valueBytes > n.end - n.valueBegin) {
        // Text values of some writers overstate their length; clamp rather than refuse.
        if (n.valueBegin > n.end) return std::nullopt;
        n.valueLength = static_cast<std::uint16_t>(n.type == kTextNode ? (n.end - n.valueBegin) / 2
                                                                       : n.end - n.valueBegin);
    }
    const std::size_t valueEnd =
        n.valueBegin + (n.type == kTextNode ? n.valueLength * std::size_t{2} : n.valueLength);
    n.childrenBegin = std::min(AlignUp(valueEnd), n.end);
    return n;
}

bool KeyEquals(const std::u16string& key, std::string_view name) {
    if (key.size() != name.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char16_t a = key[i];
        const unsigned char c = static_cast<unsigned char>(name[i]);
        auto lower = [](char16_t x) -> char16_t { return (x >= 'A' && x <= 'Z') ? x + 32 : x; };
        if (lower(a) != lower(static_cast<char16_t>(c))) return false;
    }
    return true;
}

std::optional<NodeView> FindChild(std::span<const std::uint8_t> b, const NodeView& parent,
                                  std::string_view name) {
    std::size_t at = parent.childrenBegin;
    while (at + kNodeHeader <= parent.end) {
        auto child = ParseNode(b, at, parent.end);
        if (!child) return std::nullopt;
        if (KeyEquals(child->key, name)) return child;
        at = AlignUp(child->end);
    }
    return std::nullopt;
}

VersionValue ValueOf(std::span<const std::uint8_t> b, const NodeView& n) {
    std::size_t bytes = n.type == kTextNode ? n.valueLength * std::size_t{2} : n.valueLength;
    if (n.type == kTextNode) {
        // Drop the terminating NUL and anything after it.
        std::size_t units = 0;
        while (units * 2 + 1 < bytes && Get16(b, n.valueBegin + units * 2) != 0) ++units;
        bytes = units * 2;
    }
    return VersionValue{b.subspan(n.valueBegin, bytes), n.type == kTextNode};
}

// ---- ELF section lookup ----------------------------------------------------------------

std::uint64_t GetLE(const std::vector<std::uint8_t>& f, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | f[at + i];
    return v;
}

std::optional<std::vector<std::uint8_t>> ElfSection(const std::vector<std::uint8_t>& f,
                                                    std::string_view wanted) {
    if (f.size() < 0x40 ||
        std::memcmp(f.data(),
                    "\x7F"
                    "ELF",
                    4) != 0 ||
        f[5] != 1)
        return std::nullopt;  // not a little-endian ELF file
    const bool is64 = f[4] == 2;
    const int word = is64 ? 8 : 4;
    const std::uint64_t shoff = GetLE(f, is64 ? 0x28 : 0x20, word);
    const std::uint64_t shentsize = GetLE(f, is64 ? 0x3A : 0x2E, 2);
    const std::uint64_t shnum = GetLE(f, is64 ? 0x3C : 0x30, 2);
    const std::uint64_t shstrndx = GetLE(f, is64 ? 0x3E : 0x32, 2);
    const std::uint64_t minEntry = is64 ? 0x40 : 0x28;
    if (shentsize < minEntry || shstrndx >= shnum || shoff > f.size() ||
        shnum > (f.size() - shoff) / shentsize)
        return std::nullopt;
    auto section = [&](std::uint64_t i, std::uint64_t& name, std::uint64_t& off,
                       std::uint64_t& size) {
        const std::size_t e = shoff + i * shentsize;
        name = GetLE(f, e, 4);
        off = GetLE(f, e + (is64 ? 0x18 : 0x10), word);
        size = GetLE(f, e + (is64 ? 0x20 : 0x14), word);
        return off <= f.size() && size <= f.size() - off;
    };
    std::uint64_t strName, strOff, strSize;
    if (!section(shstrndx, strName, strOff, strSize)) return std::nullopt;
    for (std::uint64_t i = 0; i < shnum; ++i) {
        std::uint64_t name, off, size;
        if (!section(i, name, off, size) || name >= strSize) continue;
        const char* text = reinterpret_cast<const char*>(f.data() + strOff + name);
        const std::size_t room = strSize - name;
        if (std::string_view(text, strnlen(text, room)) == wanted)
            return std::vector<std::uint8_t>(f.begin() + off, f.begin() + off + size);
    }
    return std::nullopt;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        return;
    }
    const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    static constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out.push_back(static_cast<char>(kLead[tail] | (c >> (6 * tail))));
    for (int shift = 6 * (tail - 1); shift >= 0; shift -= 6)
        out.push_back(static_cast<char>(0x80 | ((c >> shift) & 0x3F)));
}

}  // namespace

FixedFileInfo FixedInfoForVersion(std::uint16_t a, std::uint16_t b, std::uint16_t c,
                                  std::uint16_t d) {
    FixedFileInfo f;
    f.signature = kFixedFileInfoSignature;
    f.structVersion = 0x00010000;
    f.fileVersionMS = f.productVersionMS = (std::uint32_t{a} << 16) | b;
    f.fileVersionLS = f.productVersionLS = (std::uint32_t{c} << 16) | d;
    f.fileFlagsMask = 0x3F;
    f.fileOS = 0x00040004;  // the values a 32-bit Windows build would carry
    f.fileType = 1;         // application
    return f;
}

std::vector<std::uint8_t> BuildVersionBlock(const VersionBlockContents& contents) {
    std::vector<std::uint8_t> children;
    if (!contents.tables.empty()) Append(children, StringFileInfoNode(contents.tables));
    if (contents.translations) Append(children, VarFileInfoNode(*contents.translations));
    const auto value = contents.fixed ? FixedBytes(*contents.fixed) : std::vector<std::uint8_t>{};
    return Node("VS_VERSION_INFO", kBinaryNode, static_cast<std::uint16_t>(value.size()), value,
                children);
}

std::optional<VersionValue> QueryVersionValue(std::span<const std::uint8_t> block,
                                              std::string_view path) {
    auto node = ParseNode(block, 0, block.size());
    if (!node || !KeyEquals(node->key, "VS_VERSION_INFO")) return std::nullopt;
    std::size_t at = 0;
    while (at < path.size()) {
        while (at < path.size() && path[at] == '\\') ++at;
        if (at == path.size()) break;
        const std::size_t next = std::min(path.find('\\', at), path.size());
        node = FindChild(block, *node, path.substr(at, next - at));
        if (!node) return std::nullopt;
        at = next;
    }
    return ValueOf(block, *node);
}

std::string VersionText(const VersionValue& value) {
    std::string out;
    const std::size_t units = value.bytes.size() / 2;
    auto unit = [&](std::size_t k) -> std::uint32_t {
        return value.bytes[2 * k] | (value.bytes[2 * k + 1] << 8);
    };
    for (std::size_t k = 0; k < units; ++k) {
        std::uint32_t c = unit(k);
        const bool high = c >= 0xD800 && c < 0xDC00;
        if (high && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(++k) - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;  // a surrogate without its partner
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> ReadVersionBlock(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    if (auto section = ElfSection(file, ".vorn_version")) return section;
    if (QueryVersionValue(file, "\\")) return file;
    return std::nullopt;
}

}  // namespace vorn::app
