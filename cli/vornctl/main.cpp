// vornctl: keymap upload and download and script download from the command line, on the
// keyboards the system's HID backend finds. See VornctlHelp() for the commands.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/vornctl/VornctlRun.h"
#include "hid/SystemPlatform.h"

int main(int argc, char** argv) {
    const auto platform = vorn::hid::MakeSystemHidPlatform();
    const vorn::cli::VornctlContext context{
        *platform, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1,
        [&platform](vorn::hid::HidHandle handle) {
            vorn::cli::PlatformProblem problem;
            problem.reason = platform->LastError(handle);
            problem.permission = vorn::cli::IsPermissionReason(problem.reason);
            return problem;
        }};
    return vorn::cli::VornctlMain(std::vector<std::string>(argv + 1, argv + argc), context);
}
