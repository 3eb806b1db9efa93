// vornctl: keymap upload and download and script download from the command line, on the
// keyboards the Linux HID backend finds. See VornctlHelp() for the commands.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "hid/linux/LinuxHidPlatform.h"
#include "tools/vornctl/VornctlRun.h"

int main(int argc, char** argv) {
    vorn::hid::LinuxHidPlatform platform;
    const vorn::cli::VornctlContext context{
        platform, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1, [&platform] {
            vorn::cli::PlatformProblem problem;
            problem.reason = platform.LastError();
            problem.permission = vorn::cli::IsPermissionReason(problem.reason);
            return problem;
        }};
    return vorn::cli::VornctlMain(std::vector<std::string>(argv + 1, argv + argc), context);
}
