// The version-block reader over arbitrary bytes, as a block in memory and, for bytes that
// look like an ELF file, as an executable on disk. No answer may point outside the block,
// a text answer is whole UTF-16 units, a file's block is a run of the file's own bytes,
// and the version info built from a block agrees with the queries it rests on.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/CFileVersionInfo.h"
#include "app/VersionBlock.h"
#include "fuzz/harness/FuzzCheck.h"
#include "fuzz/harness/Harnesses.h"
#include "fuzz/harness/ScratchDir.h"

namespace vorn::fuzz {

namespace {

constexpr std::string_view kPaths[] = {
    "\\",
    "\\VarFileInfo\\Translation",
    "\\VarFileInfo",
    "\\StringFileInfo",
    "\\StringFileInfo\\040904E4",
    "\\StringFileInfo\\040904E4\\ProductName",
    "\\StringFileInfo\\040904B0\\FileVersion",
    "\\\\StringFileInfo\\\\",
    "\\Missing\\Path",
    "",
};

void CheckAnswer(std::span<const std::uint8_t> block, const app::VersionValue& value) {
    const bool inside = value.bytes.empty() ||
                        (value.bytes.data() >= block.data() &&
                         value.bytes.data() + value.bytes.size() <= block.data() + block.size());
    Check(inside, "a query answer points outside the block");
    if (value.text) Check(value.bytes.size() % 2 == 0, "a text answer holds half a UTF-16 unit");
    app::VersionText(value);
}

void QueryBlock(std::span<const std::uint8_t> block) {
    for (std::string_view path : kPaths) {
        if (const auto value = app::QueryVersionValue(block, path)) CheckAnswer(block, *value);
    }
    const bool hasRoot = app::QueryVersionValue(block, "\\").has_value();
    for (std::uint16_t language : {0x0409, 0x0804, 0x0000}) {
        app::CFileVersionInfo info;
        Check(info.CreateFromBlock(block, language) == hasRoot,
              "version info accepted a block whose root cannot be read, or refused a readable one");
        info.FileVersionText();
    }
}

void ReadAsFile(std::span<const std::uint8_t> file) {
    static const std::string path = ScratchFile("program");
    Check(WriteFile(path, file), "cannot write the executable file");
    const auto block = app::ReadVersionBlock(path);
    if (!block) return;
    Check(std::search(file.begin(), file.end(), block->begin(), block->end()) != file.end(),
          "the block read from a file is not a run of the file's bytes");
    QueryBlock(*block);
    app::CFileVersionInfo info;
    info.Create(path, 0x0409);
}

}  // namespace

void RunVersionBlockInput(std::span<const std::uint8_t> input) {
    const std::vector<std::uint8_t> block(input.begin(), input.end());
    QueryBlock(block);
    static constexpr std::uint8_t kElf[] = {0x7F, 'E', 'L', 'F'};
    if (input.size() >= 4 && std::equal(kElf, kElf + 4, input.begin())) ReadAsFile(input);
}

}  // namespace vorn::fuzz
