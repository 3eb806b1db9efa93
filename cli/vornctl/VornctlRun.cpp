#include "cli/vornctl/VornctlRun.h"

#include <array>
#include <cstdio>
#include <memory>
#include <string_view>

#include "cli/vornctl/CliConsole.h"
#include "cli/vornctl/CliUserSeam.h"
#include "cli/vornctl/KeymapInfo.h"
#include "keymap/KeymapBackup.h"
#include "keymap/KeymapTransfer.h"
#include "script/CompilerState.h"
#include "script/ScriptDownload.h"
#include "state/KeyboardList.h"
#include "state/KeyboardSelection.h"
#include "state/MainState.h"
#include "state/Messages.h"

namespace vorn::cli {

namespace {

constexpr char kPermissionHint[] =
    "this user may not open the keyboard's device node; install the udev rule "
    "60-vornutil.rules (see \"Keyboard access on Linux\" in the README)";

std::string Ids(const hid::DeviceEntry& entry) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", static_cast<unsigned>(entry.vendorId & 0xFFFF),
                  static_cast<unsigned>(entry.productId & 0xFFFF));
    return text;
}

void PrintKeyboards(const state::MainState& state, std::ostream& out) {
    for (int i = 0; i < state.devices.count; ++i) {
        const hid::DeviceEntry& entry = state.devices.entries[static_cast<std::size_t>(i)];
        out << i << '\t' << state.keyboards.Text(i) << '\t' << Ids(entry) << "\treport length "
            << entry.reportLength << '\t' << entry.path << '\n';
    }
}

// Every interface that is not simply a listed keyboard; true when a permission problem
// was among the reasons.
bool PrintOthers(const VornctlContext& context) {
    bool permission = false;
    for (const SurveyEntry& entry : SurveyInterfaces(context.platform, context.problems)) {
        if (entry.finding == Finding::kKeyboard && entry.transferOpens) continue;
        context.out << "-\t" << DescribeFinding(entry) << '\n';
        permission = permission || entry.problem.permission || entry.openProblem.permission;
    }
    return permission;
}

int List(const CliCommand& command, const VornctlContext& context, const state::MainState& state,
         CliConsole& console) {
    PrintKeyboards(state, context.out);
    if (state.devices.count == 0) console.Message(state::message::kPlugKeyboard);
    if (command.all && PrintOthers(context)) console.Note(kPermissionHint);
    context.out.flush();
    return kExitOk;
}

// False, with a remark, for an index or a slot the keyboards do not have. Everything else,
// no keyboard or several to choose from, is for the procedure to answer in its own words.
bool Select(const CliCommand& command, state::MainState& state, CliConsole& console) {
    const int count = state.keyboards.Count();
    if (command.keyboard && count > 0 && *command.keyboard >= count) {
        console.Note("there is no keyboard " + std::to_string(*command.keyboard) + "; " +
                     std::to_string(count) + " listed (see vornctl list)");
        return false;
    }
    state::SelectKeyboard(state, command.keyboard.value_or(count == 1 ? 0 : -1));
    if (!command.slot || state.slots.Count() == 0) return true;
    if (*command.slot >= state.slots.Count()) {
        console.Note("the " + state.keyboards.SelectedText() + " has no slot FN+" +
                     std::to_string(*command.slot));
        return false;
    }
    state.slots.SetSelected(*command.slot);
    return true;
}

state::Outcome DownloadScript(const CliCommand& command, state::MainState& state, hid::Link& link,
                              CliUserSeam& user, CliConsole& console,
                              const VornctlContext& context) {
    auto compiler = std::make_unique<script::CompilerState>();
    compiler->intermediatePath = context.intermediateFile;
    compiler->trace = command.trace;
    compiler->explainInDetail = false;
    script::ScriptDownload download(state, link, user, *compiler, context.compile);
    state.SetObserver(&console);
    const std::optional<state::Outcome> ended = download.SCRIPTUpload();
    // Nothing here answers on another thread, so the worker's messages need no waiting
    // GUI thread: joining it is safe.
    download.Wait();
    state.SetObserver(nullptr);
    return ended.value_or(download.LastOutcome());
}

// A download from the command line: without a backup it erases nothing, unless told
// --no-backup.
keymap::DownloadOptions DownloadOptions(const CliCommand& command, const VornctlContext& context) {
    keymap::DownloadOptions options;
    options.backup =
        command.noBackup ? keymap::BackupPolicy::kSkip : keymap::BackupPolicy::kRequire;
    options.backupFolder = context.backupFolder;
    options.restorePause = context.restorePause;
    return options;
}

// keymap-restore without a FILE: the newest backup of the selected keyboard's model. False,
// with a remark, when there is none. Without a selection the procedure itself answers.
bool FindNewestBackup(const state::MainState& state, const VornctlContext& context,
                      CliUserSeam& user, CliConsole& console) {
    const int selected = state.keyboards.Selected();
    if (selected < 0 || selected >= state.devices.count) return true;
    const hid::DeviceEntry& entry = state.devices.entries[static_cast<std::size_t>(selected)];
    const keymap::BackupStore store(context.backupFolder);
    std::string problem;
    const std::vector<std::string> backups = store.List(entry.vendorId, entry.productId, problem);
    if (!problem.empty()) console.Note(problem);
    if (backups.empty()) {
        console.Note("there is no backup of the " + state.keyboards.SelectedText() + " (" +
                     Ids(entry) + ") in " + store.Folder());
        return false;
    }
    console.Note("restoring " + backups.back());
    user.SetPath(backups.back());
    return true;
}

state::Outcome RunProcedure(const CliCommand& command, state::MainState& state, hid::Link& link,
                            CliUserSeam& user, CliConsole& console, const VornctlContext& context) {
    switch (command.action) {
        case CliAction::kKeymapUpload:
            return keymap::KeymapUpload(state, link, user);
        case CliAction::kKeymapRestore:
            if (command.file.empty() && !FindNewestBackup(state, context, user, console)) {
                return state::Outcome::kRefused;
            }
            [[fallthrough]];
        case CliAction::kKeymapDownload:
            return keymap::KeymapDownload(state, link, user, DownloadOptions(command, context));
        case CliAction::kScriptDownload:
            return DownloadScript(command, state, link, user, console, context);
        case CliAction::kHelp:
        case CliAction::kList:
        case CliAction::kKeymapInfo:
            break;
    }
    return state::Outcome::kRefused;
}

// Remarks that the window's message alone leaves open on a command line.
void Explain(const CliCommand& command, const state::MainState& state, const std::string& last,
             const VornctlContext& context, CliConsole& console) {
    if (last == state::message::kSelectModel && !command.keyboard) {
        console.Note(std::to_string(state.keyboards.Count()) +
                     " keyboards are plugged in; choose one with --keyboard I "
                     "(see vornctl list)");
    }
    if (last == state::message::kInitFailed && context.problems) {
        const PlatformProblem problem = context.problems(hid::kInvalidHandle);
        if (!problem.reason.empty()) console.Note(problem.reason);
        if (problem.permission) console.Note(kPermissionHint);
    }
}

int Transfer(const CliCommand& command, const VornctlContext& context, state::MainState& state,
             hid::Link& link, CliUserSeam& user, CliConsole& console) {
    if (!Select(command, state, console)) return kExitFailed;
    const state::Outcome outcome = RunProcedure(command, state, link, user, console, context);
    Explain(command, state, user.LastMessage(), context, console);
    return outcome == state::Outcome::kDone ? kExitOk : kExitFailed;
}

}  // namespace

int RunVornctl(const CliCommand& command, const VornctlContext& context) {
    if (command.action == CliAction::kHelp) {
        context.out << VornctlHelp();
        context.out.flush();
        return kExitOk;
    }
    if (command.action == CliAction::kKeymapInfo) {
        const int status = KeymapInfo(command.file, command.diff, context.out, context.err);
        context.out.flush();
        return status;
    }
    CliConsole console(context.err, context.errIsTerminal);
    CliUserSeam user(console, command.file);
    hid::Link link(context.platform, &user, context.replyWait);
    state::MainState state;
    state::EnumerateKeyboards(link, state.devices, state.keyboards);
    if (command.action == CliAction::kList) return List(command, context, state, console);
    return Transfer(command, context, state, link, user, console);
}

int VornctlMain(const std::vector<std::string>& args, const VornctlContext& context) {
    CliCommand command;
    std::string problem;
    if (!ParseCliArguments(args, command, problem)) {
        context.err << "vornctl: " << problem << '\n'
                    << VornctlUsage() << "Try 'vornctl --help' for more.\n";
        context.err.flush();
        return kExitUsage;
    }
    return RunVornctl(command, context);
}

}  // namespace vorn::cli
