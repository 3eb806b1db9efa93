// vornctl's command line: one command word, the file it works on, and the options that
// pick the keyboard and the script slot. Parsing only; nothing here touches a device.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vorn::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

enum class CliAction {
    kHelp,
    kList,
    kKeymapUpload,
    kKeymapDownload,
    kScriptDownload,
    kKeymapRestore,
    kKeymapInfo,
};

struct CliCommand {
    CliAction action = CliAction::kHelp;
    bool all = false;                   // list --all
    std::string file;                   // the FILE of a transfer
    std::optional<int> keyboard;        // --keyboard I: index into the keyboard list
    std::optional<int> slot;            // --slot S: script slot FN+S
    bool noBackup = false;              // keymap-download/-restore --no-backup
    std::optional<std::string> diff{};  // keymap-info --diff OTHER
    bool trace = false;                 // --trace: the compiler's trace lines on standard output
};

// The arguments after the program name. False on a wrong call, with what is wrong in
// `problem` (one line, no program name, no usage).
bool ParseCliArguments(const std::vector<std::string>& args, CliCommand& command,
                       std::string& problem);

// The synopsis printed with a wrong call, and the whole --help text.
std::string VornctlUsage();
std::string VornctlHelp();

}  // namespace vorn::cli
