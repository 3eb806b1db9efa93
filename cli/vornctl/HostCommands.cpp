#include "cli/vornctl/HostCommands.h"

#include "cli/vornctl/CliArguments.h"
#include "cli/vornctl/UdevRule.h"
#include "cli/vornctl/Watch.h"

namespace vorn::cli {

namespace {

int Wrong(const HostContext& context, const std::string& problem) {
    context.err << "vornctl: " << problem << '\n'
                << VornctlUsage() << "Try 'vornctl --help' for more.\n";
    context.err.flush();
    return kExitUsage;
}

}  // namespace

std::optional<int> RunHostCommand(const std::vector<std::string>& args,
                                  const HostContext& context) {
    if (args.empty()) return std::nullopt;
    const std::string& word = args.front();
    if (word != "doctor" && word != "udev-rule" && word != "watch") return std::nullopt;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help") return std::nullopt;  // the whole help
        return Wrong(context, word + " takes no arguments (\"" + args[i] + "\")");
    }
    if (word == "udev-rule") {
        context.out << UdevRuleText();
        context.out.flush();
        return kExitOk;
    }
    if (word == "doctor") return RunDoctor(context.doctorHost(), context.out);
    const std::unique_ptr<hid::DeviceMonitor> monitor = context.makeMonitor();
    return RunWatch({context.platform, *monitor, context.out, context.err, context.stop});
}

}  // namespace vorn::cli
