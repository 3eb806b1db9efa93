// vornctl: keymap upload and download and script download from the command line, on the
// keyboards the system's HID backend finds; and doctor, udev-rule and watch about the
// system. See VornctlHelp() for the commands.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/OwnVersion.h"
#include "cli/vornctl/HostCommands.h"
#include "cli/vornctl/VornctlRun.h"
#include "hid/SystemPlatform.h"

namespace {

std::atomic<bool> stopRequested{false};

static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void RequestStop(int) { stopRequested.store(true); }

}  // namespace

int main(int argc, char** argv) {
    if (vorn::app::AsksForVersion(argc, argv)) {
        std::cout << vorn::app::VersionLine("vornctl");
        return vorn::cli::kExitOk;
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto platform = vorn::hid::MakeSystemHidPlatform();
    // watch runs until interrupted, and then stops its monitor before leaving; every other
    // command keeps the default reaction to a signal.
    if (!args.empty() && args.front() == "watch") {
        std::signal(SIGINT, RequestStop);
        std::signal(SIGTERM, RequestStop);
    }
    const vorn::cli::HostContext host{
        *platform,
        std::cout,
        std::cerr,
        [] { return vorn::cli::SystemDoctorHost("vornctl " + vorn::app::OwnVersionText()); },
        [] { return vorn::hid::MakeSystemDeviceMonitor(); },
        stopRequested};
    if (const auto status = vorn::cli::RunHostCommand(args, host)) return *status;
    const vorn::cli::VornctlContext context{
        *platform, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1,
        [&platform](vorn::hid::HidHandle handle) {
            vorn::cli::PlatformProblem problem;
            problem.reason = platform->LastError(handle);
            problem.permission = vorn::cli::IsPermissionReason(problem.reason);
            return problem;
        }};
    return vorn::cli::VornctlMain(args, context);
}
