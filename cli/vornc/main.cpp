// vornc [--layout N | --model NAME] [--explain] [--trace] SCRIPT
//
// Compiles a script file as the script download does, writing temp.o into the current
// directory, so that a script can be checked without a keyboard. A refused script's
// message goes to standard error exactly as the download's message box would show it;
// with --explain, lines in the form editors jump to follow it. The compiler's trace lines
// go to standard output with --trace.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/OwnVersion.h"
#include "hid/ModelTable.h"
#include "script/CompilerState.h"
#include "script/Encoder.h"
#include "script/Explanation.h"

namespace {

constexpr int kExitCompiled = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr std::uint8_t kDefaultLayout = 1;

// The synopsis scripts and tests rely on; the other options are in the help.
constexpr char kUsage[] = "Usage: vornc [--layout N | --model NAME] SCRIPT\n";

void PrintHelp() {
    std::fputs(kUsage, stdout);
    std::fputs(
        "Compiles the script file SCRIPT as a script download does and writes its\n"
        "instructions to temp.o in the current directory.\n"
        "\n"
        "  --layout N     script layout 1 or 2 (default 1)\n"
        "  --model NAME   the script layout of keyboard model NAME:",
        stdout);
    for (const vorn::hid::ModelRow& row : vorn::hid::kModelTable) {
        if (row.scriptLayout != 0) {
            std::printf(" \"%.*s\"", static_cast<int>(row.name.size()), row.name.data());
        }
    }
    std::fputs(
        "\n"
        "  --explain      after the message of a refused script, say where and why, as\n"
        "                 FILE:LINE:COLUMN: error: ... (and note: ...) lines\n"
        "  --trace        print the compiler's trace lines (\"Command:PRINT\" ...) on\n"
        "                 standard output\n"
        "  --help         show this help\n"
        "  --version      show the version\n"
        "\n"
        "Exit status: 0 compiled; 1 the script was refused, with the compiler's\n"
        "message on standard error; 2 wrong arguments.\n",
        stdout);
}

struct Arguments {
    std::optional<std::uint8_t> layout;
    const char* script = nullptr;
    bool help = false;
    bool explain = false;
    bool trace = false;
};

// Reports a wrong command line; the caller exits with kExitUsage.
bool Wrong(const std::string& problem) {
    std::fprintf(stderr, "vornc: %s\n%sTry 'vornc --help' for more.\n", problem.c_str(), kUsage);
    return false;
}

bool SetLayout(Arguments& args, std::string_view value) {
    if (args.layout) return Wrong("give one --layout or one --model, not more");
    if (value != "1" && value != "2") return Wrong("the layout must be 1 or 2");
    args.layout = static_cast<std::uint8_t>(value[0] - '0');
    return true;
}

bool SetModel(Arguments& args, std::string_view name) {
    if (args.layout) return Wrong("give one --layout or one --model, not more");
    const std::optional<int> model = vorn::hid::RowForName(name);
    if (!model) return Wrong("no keyboard model is called \"" + std::string(name) + "\"");
    const std::uint8_t layout = vorn::hid::ScriptLayout(*model);
    if (layout == 0) return Wrong("the model \"" + std::string(name) + "\" takes no scripts");
    args.layout = layout;
    return true;
}

bool SetScript(Arguments& args, const char* path) {
    if (args.script != nullptr) return Wrong("give one script file");
    args.script = path;
    return true;
}

// An option that takes a value: "--name VALUE" or "--name=VALUE".
std::optional<std::string_view> OptionValue(int argc, char** argv, int& i, std::string_view name) {
    const std::string_view arg = argv[i];
    if (arg == name) {
        if (i + 1 >= argc) return std::nullopt;
        return std::string_view(argv[++i]);
    }
    return arg.substr(name.size() + 1);
}

bool ParseOption(Arguments& args, int argc, char** argv, int& i) {
    const std::string_view arg = argv[i];
    for (const std::string_view name : {"--layout", "--model"}) {
        if (arg != name && !arg.starts_with(std::string(name) + "=")) continue;
        const std::optional<std::string_view> value = OptionValue(argc, argv, i, name);
        if (!value) return Wrong(std::string(name) + " needs a value");
        return name == "--layout" ? SetLayout(args, *value) : SetModel(args, *value);
    }
    return Wrong("unknown option " + std::string(arg));
}

bool Parse(int argc, char** argv, Arguments& args) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options && arg == "--help") {
            args.help = true;
            return true;
        }
        if (options && (arg == "--explain" || arg == "--trace")) {
            (arg == "--explain" ? args.explain : args.trace) = true;
        } else if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            if (!ParseOption(args, argc, argv, i)) return false;
        } else if (!SetScript(args, argv[i])) {
            return false;
        }
    }
    return args.script != nullptr || Wrong("no script file given");
}

int Compile(const Arguments& args) {
    auto state = std::make_unique<vorn::script::CompilerState>();
    state->trace = args.trace;
    char message[vorn::script::kMessageSize] = {};
    const std::uint8_t layout = args.layout.value_or(kDefaultLayout);
    const int result = vorn::script::EncodeProgram(*state, args.script, message, layout);
    std::fflush(stdout);
    if (result == 0) return kExitCompiled;
    std::fputs(message, stderr);
    if (args.explain) {
        std::fputs(vorn::script::ExplanationLines(state->explanation, args.script).c_str(), stderr);
    }
    return kExitRefused;
}

}  // namespace

int main(int argc, char** argv) {
    if (vorn::app::AsksForVersion(argc, argv)) {
        std::fputs(vorn::app::VersionLine("vornc").c_str(), stdout);
        return kExitCompiled;
    }
    Arguments args;
    if (!Parse(argc, argv, args)) return kExitUsage;
    if (args.help) {
        PrintHelp();
        return kExitCompiled;
    }
    return Compile(args);
}
