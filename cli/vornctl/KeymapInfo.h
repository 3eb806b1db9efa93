// vornctl keymap-info: what a keymap file's header says and whether the file is whole, and
// with --diff which blocks and byte ranges differ from another keymap file. Files only;
// no keyboard is touched.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace vorn::cli {

// kExitOk when the file could be read (and, with `other`, the two keymaps are the same);
// kExitFailed for an unreadable or foreign file, or keymaps that differ.
int KeymapInfo(const std::string& file, const std::optional<std::string>& other, std::ostream& out,
               std::ostream& err);

}  // namespace vorn::cli
