// One run of vornctl on a HID platform: the keyboards are listed as the window lists
// them, the one named on the command line is selected as a click in the keyboard list
// would select it, and the window's own procedure runs with the command line's path.
#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "cli/vornctl/CliArguments.h"
#include "cli/vornctl/InterfaceSurvey.h"
#include "hid/HidPlatform.h"
#include "hid/Link.h"
#include "script/ScriptDownload.h"

namespace vorn::cli {

struct VornctlContext {
    hid::HidPlatform& platform;
    std::ostream& out;  // the listing and the help
    std::ostream& err;  // messages, progress, remarks
    bool errIsTerminal = false;
    ProblemSource problems{};  // may be empty
    std::chrono::milliseconds replyWait = hid::kReplyWait;
    // Where a script download compiles to; the program's is temp.o in the current directory.
    std::string intermediateFile = "temp.o";
    // How a script download compiles; empty for the compiler itself.
    script::CompileStep compile{};
    // Where keymap downloads keep their backups; empty for the user's state folder.
    std::string backupFolder{};
    // The pause before a backup is written back again into a keyboard that failed.
    std::chrono::milliseconds restorePause{1500};
};

// kExitOk when the procedure was done (or the listing was made), kExitFailed when it was
// refused, failed or cancelled.
int RunVornctl(const CliCommand& command, const VornctlContext& context);

// The program after its platform is made: the arguments after the program name are
// parsed and run. A wrong call prints what is wrong and the usage on `err`: kExitUsage.
int VornctlMain(const std::vector<std::string>& args, const VornctlContext& context);

}  // namespace vorn::cli
