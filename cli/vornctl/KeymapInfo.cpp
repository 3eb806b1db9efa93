#include "cli/vornctl/KeymapInfo.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "cli/vornctl/CliArguments.h"
#include "hid/ModelTable.h"
#include "keymap/KeymapFile.h"

namespace vorn::cli {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A keymap file's header and as much of its blocks as it holds (never more than S × N).
struct KeymapContents {
    keymap::KeymapHeader header;
    Bytes blocks;
    std::size_t Expected() const { return std::size_t{header.blockSize} * header.blockCount; }
    bool Whole() const { return blocks.size() == Expected(); }
};

std::optional<KeymapContents> Load(const std::string& path, std::ostream& err) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        err << "vornctl: " << path << ": " << std::strerror(errno) << '\n';
        return std::nullopt;
    }
    KeymapContents contents;
    if (keymap::ReadHeader(file.get(), contents.header) != keymap::HeaderCheck::kAccepted) {
        err << "vornctl: " << path << ": not a keymap file (Invalid file format.)\n";
        return std::nullopt;
    }
    contents.blocks.resize(contents.Expected());
    contents.blocks.resize(
        std::fread(contents.blocks.data(), 1, contents.blocks.size(), file.get()));
    return contents;
}

std::string Hex4(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

void PrintHeader(const std::string& path, const KeymapContents& contents, std::ostream& out) {
    const keymap::KeymapHeader& h = contents.header;
    const bool known = h.vendorId <= 0xFFFF && h.productId <= 0xFFFF;
    std::string model = known ? hid::ModelNameFor(static_cast<std::uint16_t>(h.vendorId),
                                                  static_cast<std::uint16_t>(h.productId))
                              : std::string();
    out << "file\t" << path << '\n'
        << "model\t" << (model.empty() ? "(no supported model has these ids)" : model) << '\n'
        << "vendor id\t" << Hex4(h.vendorId) << '\n'
        << "product id\t" << Hex4(h.productId) << '\n'
        << "block size\t" << h.blockSize << '\n'
        << "block count\t" << unsigned{h.blockCount} << '\n';
    if (contents.Whole()) {
        out << "blocks\twhole (" << contents.Expected() << " bytes)\n";
    } else {
        out << "blocks\tshort: " << contents.blocks.size() << " of " << contents.Expected()
            << " bytes (the file ends inside block " << contents.blocks.size() / h.blockSize + 1
            << ")\n";
    }
    if (h.blockSize > keymap::format::kMaxBlockSize) {
        out << "note\tblocks larger than " << keymap::format::kMaxBlockSize
            << " bytes can be written to no keyboard\n";
    }
}

// "3-7, 12, 40-127": the byte ranges of one block that differ.
std::string Ranges(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size;) {
        if (a[i] == b[i]) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end + 1 < size && a[end + 1] != b[end + 1]) ++end;
        if (!text.empty()) text += ", ";
        text += std::to_string(i) + (end > i ? "-" + std::to_string(end) : "");
        i = end + 1;
    }
    return text;
}

// True when both files hold the same keymap.
bool PrintDiff(const KeymapContents& a, const KeymapContents& b, std::ostream& out) {
    if (!(a.header == b.header)) {
        out << "the headers differ: the files are for other models or geometries\n";
        return false;
    }
    if (!a.Whole() || !b.Whole()) {
        out << "at least one of the files is short; only the blocks both hold are compared\n";
    }
    bool same = a.Whole() && b.Whole();
    const std::size_t size = a.header.blockSize;
    const std::size_t held =
        std::min(a.blocks.size(), b.blocks.size()) / std::max<std::size_t>(size, 1);
    for (std::size_t k = 0; size > 0 && k < held; ++k) {
        const std::string ranges = Ranges(&a.blocks[k * size], &b.blocks[k * size], size);
        if (ranges.empty()) continue;
        out << "block " << k + 1 << "\tbytes " << ranges << '\n';
        same = false;
    }
    if (same) out << "the keymaps are the same\n";
    return same;
}

}  // namespace

int KeymapInfo(const std::string& file, const std::optional<std::string>& other, std::ostream& out,
               std::ostream& err) {
    const std::optional<KeymapContents> contents = Load(file, err);
    if (!contents) return kExitFailed;
    PrintHeader(file, *contents, out);
    if (!other) return contents->Whole() ? kExitOk : kExitFailed;
    const std::optional<KeymapContents> theirs = Load(*other, err);
    if (!theirs) return kExitFailed;
    out << '\n';
    return PrintDiff(*contents, *theirs, out) ? kExitOk : kExitFailed;
}

}  // namespace vorn::cli
