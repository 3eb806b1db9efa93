#include "cli/vornctl/CliArguments.h"

#include <array>
#include <charconv>
#include <string_view>

#include "state/MainState.h"

namespace vorn::cli {

namespace {

// Slots are offered as "FN+0" to "FN+9".
constexpr int kHighestSlot = 9;
constexpr int kHighestKeyboard = state::DeviceList::kCapacity - 1;

struct ActionWord {
    std::string_view word;
    CliAction action;
    bool takesFile;
    bool fileOptional = false;
};

constexpr std::array<ActionWord, 6> kActions{{
    {"list", CliAction::kList, false},
    {"keymap-upload", CliAction::kKeymapUpload, true},
    {"keymap-download", CliAction::kKeymapDownload, true},
    {"script-download", CliAction::kScriptDownload, true},
    {"keymap-restore", CliAction::kKeymapRestore, true, true},
    {"keymap-info", CliAction::kKeymapInfo, true},
}};

const ActionWord* FindAction(std::string_view word) {
    for (const ActionWord& action : kActions) {
        if (action.word == word) return &action;
    }
    return nullptr;
}

// Decimal digits only, 0 to `highest`: no sign, no blanks, no hexadecimal.
std::optional<int> SmallNumber(std::string_view text, int highest) {
    // from_chars would take a minus sign.
    if (text.empty() || text.size() > 3 || text[0] < '0' || text[0] > '9') return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > highest) {
        return std::nullopt;
    }
    return value;
}

// What the words say before they are checked against each other.
struct Words {
    std::optional<std::string> action;
    std::vector<std::string> files;
    bool all = false;
    std::optional<int> keyboard;
    std::optional<int> slot;
    bool help = false;
    bool noBackup = false;
    std::optional<std::string> diff;
    bool trace = false;
};

class Parser {
  public:
    Parser(const std::vector<std::string>& args, std::string& problem)
        : args_(args), problem_(problem) {}

    bool Read(Words& words) {
        bool options = true;
        for (index_ = 0; index_ < args_.size(); ++index_) {
            const std::string& arg = args_[index_];
            if (options && arg == "--help") {
                words.help = true;
                return true;
            }
            if (options && arg == "--") {
                options = false;
            } else if (options && arg.size() > 1 && arg[0] == '-') {
                if (!Option(words, arg)) return false;
            } else if (!words.action) {
                words.action = arg;
            } else {
                words.files.push_back(arg);
            }
        }
        return true;
    }

  private:
    bool Fail(std::string text) {
        problem_ = std::move(text);
        return false;
    }

    // "--name VALUE" or "--name=VALUE".
    std::optional<std::string_view> Value(std::string_view arg, std::string_view name) {
        if (arg.size() > name.size()) return arg.substr(name.size() + 1);
        if (index_ + 1 >= args_.size()) return std::nullopt;
        return std::string_view(args_[++index_]);
    }

    static bool Names(std::string_view arg, std::string_view name) {
        return arg == name ||
               (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=');
    }

    bool Number(std::string_view arg, std::string_view name, int highest,
                std::optional<int>& target, const char* range) {
        if (target) return Fail("give " + std::string(name) + " once");
        const std::optional<std::string_view> value = Value(arg, name);
        if (!value) return Fail(std::string(name) + " needs a value");
        target = SmallNumber(*value, highest);
        if (!target)
            return Fail(std::string(name) + " must be " + range + ", not \"" + std::string(*value) +
                        "\"");
        return true;
    }

    bool Option(Words& words, std::string_view arg) {
        if (arg == "--all") {
            words.all = true;
            return true;
        }
        if (arg == "--no-backup") {
            words.noBackup = true;
            return true;
        }
        if (Names(arg, "--diff")) {
            if (words.diff) return Fail("give --diff once");
            const std::optional<std::string_view> value = Value(arg, "--diff");
            if (!value || value->empty()) return Fail("--diff needs a keymap file");
            words.diff = std::string(*value);
            return true;
        }
        if (arg == "--trace") {
            words.trace = true;
            return true;
        }
        if (Names(arg, "--keyboard")) {
            return Number(arg, "--keyboard", kHighestKeyboard, words.keyboard, "0 to 15");
        }
        if (Names(arg, "--slot")) {
            return Number(arg, "--slot", kHighestSlot, words.slot, "0 to 9 (FN+0 to FN+9)");
        }
        return Fail("unknown option " + std::string(arg));
    }

    const std::vector<std::string>& args_;
    std::string& problem_;
    std::size_t index_ = 0;
};

bool Fail(std::string& problem, std::string text) {
    problem = std::move(text);
    return false;
}

// The words of one action, checked against what that action takes.
bool Check(const ActionWord& action, const Words& words, std::string& problem) {
    const std::string name(action.word);
    if (action.takesFile && !action.fileOptional && words.files.empty())
        return Fail(problem, name + " needs a FILE");
    if (!action.takesFile && !words.files.empty()) {
        return Fail(problem, name + " takes no file (\"" + words.files.front() + "\")");
    }
    if (words.files.size() > 1) return Fail(problem, name + " takes one FILE");
    if (!words.files.empty() && words.files.front().empty()) {
        return Fail(problem, "the FILE must not be empty");
    }
    if (words.all && action.action != CliAction::kList) {
        return Fail(problem, "--all goes with list only");
    }
    if (words.keyboard && action.action == CliAction::kList) {
        return Fail(problem, "list shows every keyboard; --keyboard goes with a transfer");
    }
    const bool keymapIn =
        action.action == CliAction::kKeymapDownload || action.action == CliAction::kKeymapRestore;
    if (words.noBackup && !keymapIn) {
        return Fail(problem, "--no-backup goes with keymap-download and keymap-restore only");
    }
    if (words.diff && action.action != CliAction::kKeymapInfo) {
        return Fail(problem, "--diff goes with keymap-info only");
    }
    if (words.keyboard && action.action == CliAction::kKeymapInfo) {
        return Fail(problem, "keymap-info reads files only; --keyboard goes with a transfer");
    }
    const bool script = action.action == CliAction::kScriptDownload;
    if (words.slot && !script) return Fail(problem, "--slot goes with script-download only");
    if (script && !words.slot) return Fail(problem, "script-download needs --slot S");
    if (words.trace && !script) return Fail(problem, "--trace goes with script-download only");
    return true;
}

}  // namespace

bool ParseCliArguments(const std::vector<std::string>& args, CliCommand& command,
                       std::string& problem) {
    Words words;
    if (!Parser(args, problem).Read(words)) return false;
    if (words.help) {
        command = CliCommand{};
        return true;
    }
    if (!words.action) return Fail(problem, "no command given");
    const ActionWord* action = FindAction(*words.action);
    if (!action) return Fail(problem, "unknown command \"" + *words.action + "\"");
    if (!Check(*action, words, problem)) return false;
    command = CliCommand{
        action->action, words.all,  words.files.empty() ? std::string() : words.files.front(),
        words.keyboard, words.slot, words.noBackup,
        words.diff,     words.trace};
    return true;
}

std::string VornctlUsage() {
    return "Usage: vornctl list [--all]\n"
           "       vornctl keymap-upload FILE [--keyboard I]\n"
           "       vornctl keymap-download FILE [--keyboard I] [--no-backup]\n"
           "       vornctl keymap-restore [FILE] [--keyboard I] [--no-backup]\n"
           "       vornctl keymap-info FILE [--diff OTHER]\n"
           "       vornctl script-download FILE --slot S [--keyboard I] [--trace]\n"
           "       vornctl doctor | udev-rule | watch\n"
           "       vornctl --help | --version\n";
}

std::string VornctlHelp() {
    return VornctlUsage() +
           "\n"
           "Runs the procedures of VornUtil's window from the command line.\n"
           "\n"
           "  list               the supported keyboards, one a line: index, model name,\n"
           "                     vendor:product id, report length and device path,\n"
           "                     separated by tabs\n"
           "    --all            also every other HID interface looked at, and why it was\n"
           "                     not taken\n"
           "  keymap-upload      saves the keyboard's keymap to FILE (*.dat)\n"
           "  keymap-download    writes the keymap file FILE into the keyboard; the keyboard's\n"
           "                     keymap is saved first as a backup, and written back when\n"
           "                     the download fails; without a backup nothing is erased\n"
           "    --no-backup      downloads without saving the keyboard's keymap first\n"
           "  keymap-restore     downloads the newest backup of the keyboard's model, or FILE\n"
           "  keymap-info        what the header of the keymap file FILE says and whether\n"
           "                     the file is whole\n"
           "    --diff OTHER     also which blocks and byte ranges differ from OTHER\n"
           "  script-download    compiles the script FILE (*.vs) into temp.o in the current\n"
           "                     directory and programs it into script slot FN+S\n"
           "    --slot S         the script slot, 0 to 9\n"
           "    --trace          also the compiler's trace lines (\"Command:PRINT\" ...)\n"
           "  --keyboard I       the keyboard with index I in the list; may be left out\n"
           "                     when only one keyboard is plugged in\n"
           "  doctor             a report on whether this user can use the supported\n"
           "                     keyboards here, and the one step that mends what is wrong\n"
           "  udev-rule          prints the udev rule that gives the user at the seat\n"
           "                     access to the keyboards (60-vornutil.rules)\n"
           "  watch              prints each arrival and removal of a device and the\n"
           "                     keyboard list after it, until interrupted\n"
           "  --help             shows this help\n"
           "  --version          shows the version\n"
           "\n"
           "The keyboard's answers and the outcome are shown on standard error in the\n"
           "words of VornUtil's message boxes; a script download shows its progress there.\n"
           "\n"
           "Backups are kept in $XDG_STATE_HOME/vornutil/backups (by default\n"
           "~/.local/state/vornutil/backups), the newest 20 of each model.\n"
           "\n"
           "Exit status: 0 done; 1 the procedure failed or was refused (keymap-info: the\n"
           "file is short or foreign, or differs from OTHER); 2 wrong arguments.\n"
           "doctor: 0 when every supported keyboard plugged in can be used, else 1.\n";
}

}  // namespace vorn::cli
