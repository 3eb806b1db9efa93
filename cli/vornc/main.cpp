// vornc [--layout N | --model NAME] [--explain] [--trace] [--listing]
//       [--run [--inkey KEYS] [--seed N] [--steps N]] SCRIPT
//
// Compiles a script file as the script download does, writing temp.o into the current
// directory, so that a script can be checked without a keyboard. A refused script's
// message goes to standard error exactly as the download's message box would show it;
// with --explain, lines in the form editors jump to follow it. The compiler's trace lines
// go to standard output with --trace. After a successful compile, --listing shows the
// instructions read back from temp.o and --run carries them out without a keyboard.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/OwnVersion.h"
#include "hid/ModelTable.h"
#include "script/CompilerState.h"
#include "script/Decoder.h"
#include "script/DryRun.h"
#include "script/Encoder.h"
#include "script/Explanation.h"
#include "script/Listing.h"

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
        "  --listing      after a successful compile, list each instruction of temp.o:\n"
        "                 its address, its bytes, the script line it came from and\n"
        "                 the statement read back from the instruction set\n"
        "  --run          after a successful compile, carry out temp.o's instructions\n"
        "                 without a keyboard and list their effects in order: keys\n"
        "                 typed, LED cells set, waits; then how the run ended and the\n"
        "                 registers\n"
        "  --inkey KEYS   the keys INKEY$ reads during --run, in order, written as\n"
        "                 PRINT text (AB<ENT>); once they are used up INKEY$ gives 0\n"
        "  --seed N       start RND's generator from N (default 1)\n"
        "  --steps N      stop --run after N instructions (default 100000), so that\n"
        "                 an endless loop ends with a note\n"
        "  --help         show this help\n"
        "  --version      show the version\n"
        "\n"
        "What --run assumes where the instruction set says no more:\n"
        "  R0 to R15 hold 16-bit values and arithmetic wraps around; IF compares\n"
        "  signed (-32768 to 32767); / truncates toward zero and MOD keeps the sign\n"
        "  of the left side; a division or MOD by zero stops the run with a note.\n"
        "  B holds 8 bits (B=Rm keeps the low byte). RND gives 0 to 32767. INKEY$\n"
        "  gives the key code of the next --inkey key; CLEAR INKEY$ drops none. WAIT\n"
        "  is listed with its number (a register taken as 0 to 65535), in the\n"
        "  keyboard's unit. CLS, B=, PRINT of a register or of ALL, and a PRINT text\n"
        "  with a second operand are listed as the instruction with its operands,\n"
        "  since the instruction set gives them no meaning beyond that.\n"
        "\n"
        "Exit status: 0 compiled (also when --run stops at the step bound); 1 the\n"
        "script was refused, with the compiler's message on standard error; 2 wrong\n"
        "arguments.\n",
        stdout);
}

struct Arguments {
    std::optional<std::uint8_t> layout;
    const char* script = nullptr;
    bool help = false;
    bool explain = false;
    bool trace = false;
    bool listing = false;
    bool run = false;
    std::optional<std::string> inkey;
    std::optional<std::uint32_t> seed;
    std::optional<std::uint64_t> steps;
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

// A whole decimal number from `low` to `high`.
std::optional<std::uint64_t> Count(std::string_view text, std::uint64_t low, std::uint64_t high) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

bool SetRunOption(Arguments& args, std::string_view name, std::string_view value) {
    if (name == "--inkey") {
        if (args.inkey) return Wrong("give one --inkey");
        args.inkey = std::string(value);
        return true;
    }
    if (name == "--seed") {
        const auto seed = Count(value, 0, UINT32_MAX);
        if (!seed || args.seed) return Wrong("give one --seed, a number from 0 to 4294967295");
        args.seed = static_cast<std::uint32_t>(*seed);
        return true;
    }
    const auto steps = Count(value, 1, 1000000000);
    if (!steps || args.steps) return Wrong("give one --steps, a number from 1 to 1000000000");
    args.steps = *steps;
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
    for (const std::string_view name : {"--layout", "--model", "--inkey", "--seed", "--steps"}) {
        if (arg != name && !arg.starts_with(std::string(name) + "=")) continue;
        const std::optional<std::string_view> value = OptionValue(argc, argv, i, name);
        if (!value) return Wrong(std::string(name) + " needs a value");
        if (name == "--layout") return SetLayout(args, *value);
        if (name == "--model") return SetModel(args, *value);
        return SetRunOption(args, name, *value);
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
        } else if (options && (arg == "--listing" || arg == "--run")) {
            (arg == "--listing" ? args.listing : args.run) = true;
        } else if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            if (!ParseOption(args, argc, argv, i)) return false;
        } else if (!SetScript(args, argv[i])) {
            return false;
        }
    }
    if (!args.run && (args.inkey || args.seed || args.steps)) {
        return Wrong("--inkey, --seed and --steps go with --run");
    }
    return args.script != nullptr || Wrong("no script file given");
}

// The instructions of the temp.o just written, read back as the keyboard would get them.
bool ReadBack(const std::string& path, std::vector<vorn::script::Instruction>& instructions) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    int badLine = 0;
    if (in.bad() || !vorn::script::ParseIntermediateText(text, instructions, badLine)) {
        std::fprintf(stderr, "vornc: cannot read the instructions back from %s (line %d)\n",
                     path.c_str(), badLine);
        return false;
    }
    return true;
}

int ShowCompiled(const Arguments& args, const vorn::script::CompilerState& state,
                 const vorn::script::InstructionStream& stream,
                 const vorn::script::DryRunOptions& options) {
    std::vector<vorn::script::Instruction> instructions;
    if (!ReadBack(state.intermediatePath, instructions)) return kExitRefused;
    if (args.listing) {
        const std::string listing = vorn::script::ListingText(state, stream, instructions);
        if (listing.empty()) {
            std::fprintf(stderr, "vornc: %s does not hold this compile's instructions\n",
                         state.intermediatePath.c_str());
            return kExitRefused;
        }
        std::fputs(listing.c_str(), stdout);
    }
    if (args.run) {
        if (args.listing) std::fputs("\n", stdout);
        // Events are printed as they happen, so a long run holds none of them.
        std::fputs(vorn::script::kDryRunHeading, stdout);
        const vorn::script::DryRunResult result =
            vorn::script::DryRun(instructions, options, [](const vorn::script::DryRunEvent& event) {
                std::fputs(vorn::script::DryRunEventLine(event).c_str(), stdout);
            });
        const auto labels = vorn::script::ProgramLabels(state, stream);
        std::fputs(vorn::script::DryRunSummary(result, options, labels).c_str(), stdout);
    }
    return kExitCompiled;
}

int Compile(const Arguments& args) {
    auto state = std::make_unique<vorn::script::CompilerState>();
    state->trace = args.trace;
    char message[vorn::script::kMessageSize] = {};
    const std::uint8_t layout = args.layout.value_or(kDefaultLayout);
    // The run's options are checked before anything is compiled or written.
    vorn::script::DryRunOptions options;
    options.layout = layout;
    options.seed = args.seed.value_or(options.seed);
    options.stepBound = args.steps.value_or(options.stepBound);
    std::string problem;
    if (args.inkey && !vorn::script::InkeyCodes(*args.inkey, layout, options.inkey, problem)) {
        Wrong("--inkey: " + problem);
        return kExitUsage;
    }
    auto stream = std::make_unique<vorn::script::InstructionStream>();
    const int result =
        vorn::script::EncodeProgramInto(*state, args.script, message, layout, *stream);
    std::fflush(stdout);
    if (result == 0) {
        return args.listing || args.run ? ShowCompiled(args, *state, *stream, options)
                                        : kExitCompiled;
    }
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
