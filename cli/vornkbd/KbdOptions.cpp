#include "cli/vornkbd/KbdOptions.h"

#include <charconv>
#include <string_view>

#include "hid/LinkProtocol.h"
#include "hid/ModelTable.h"

namespace vorn::kbd {

namespace {

// Decimal, or hexadecimal after "0x"; nothing else, and at most `highest`.
std::optional<unsigned> Number(std::string_view text, unsigned highest) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        value > highest) {
        return std::nullopt;
    }
    return value;
}

// Ids given on the command line, which the model's must not replace.
struct Seen {
    bool vendor = false;
    bool product = false;
};

class Parser {
  public:
    Parser(const std::vector<std::string>& args, KbdOptions& options, std::string& problem)
        : args_(args), options_(options), problem_(problem) {}

    bool Read() {
        for (index_ = 0; index_ < args_.size(); ++index_) {
            const std::string& arg = args_[index_];
            if (arg == "--help") {
                options_.help = true;
                return true;
            }
            if (!Option(arg)) return false;
        }
        return Finish();
    }

  private:
    bool Fail(std::string text) {
        problem_ = std::move(text);
        return false;
    }

    std::optional<std::string> Value() {
        if (index_ + 1 >= args_.size()) return std::nullopt;
        return args_[++index_];
    }

    bool Option(const std::string& arg) {
        if (arg == "--verbose") {
            options_.verbose = true;
            return true;
        }
        if (arg == "--model" || arg == "--keymap" || arg == "--dump") return Text(arg);
        return Numeric(arg);
    }

    bool Text(const std::string& name) {
        const std::optional<std::string> value = Value();
        if (!value || value->empty()) return Fail(name + " needs a value");
        if (name == "--keymap") {
            options_.keymapFile = *value;
        } else if (name == "--dump") {
            options_.dumpDir = *value;
        } else {
            return Model(*value);
        }
        return true;
    }

    bool Model(const std::string& name) {
        const std::optional<int> row = hid::RowForName(name);
        if (!row) return Fail("no keyboard model is called \"" + name + "\"");
        options_.model = *row;
        return true;
    }

    bool Numeric(const std::string& name) {
        struct Field {
            const char* name;
            unsigned lowest, highest;
        };
        static constexpr Field kFields[] = {
            {"--vendor", 0, 0xFFFF},
            {"--product", 0, 0xFFFF},
            {"--usage", 0, 0xFFFF},
            {"--block-size", 0, 0xFFFF},
            {"--blocks", 0, 0xFF},
            {"--report-length", hid::kMinReportLength, hid::kMaxReportLength},
            {"--refuse-block", 1, 0xFF},
        };
        for (const Field& field : kFields) {
            if (name != field.name) continue;
            const std::optional<std::string> text = Value();
            if (!text) return Fail(name + " needs a value");
            const std::optional<unsigned> value = Number(*text, field.highest);
            if (!value || *value < field.lowest) {
                return Fail(name + " must be " + std::to_string(field.lowest) + " to " +
                            std::to_string(field.highest) + ", not \"" + *text + "\"");
            }
            Store(name, *value);
            return true;
        }
        return Fail("unknown option " + name);
    }

    void Store(const std::string& name, unsigned value) {
        const auto word = static_cast<std::uint16_t>(value);
        if (name == "--vendor") {
            options_.vendorId = word;
            seen_.vendor = true;
        } else if (name == "--product") {
            options_.productId = word;
            seen_.product = true;
        } else if (name == "--usage") {
            options_.usage = word;
        } else if (name == "--block-size") {
            options_.blockSize = word;
        } else if (name == "--blocks") {
            options_.blockCount = static_cast<std::uint8_t>(value);
        } else if (name == "--refuse-block") {
            options_.refuseBlock = static_cast<std::uint8_t>(value);
        } else {
            options_.reportLength = static_cast<int>(value);
        }
    }

    // The model's ids where no override was given.
    bool Finish() {
        if (options_.model < 0) return Fail("--model NAME is needed");
        const hid::ModelRow& row = hid::kModelTable[static_cast<std::size_t>(options_.model)];
        if (!seen_.vendor) options_.vendorId = row.vendorId;
        if (!seen_.product) options_.productId = row.productId;
        return true;
    }

    const std::vector<std::string>& args_;
    KbdOptions& options_;
    std::string& problem_;
    std::size_t index_ = 0;
    Seen seen_;
};

}  // namespace

bool ParseKbdArguments(const std::vector<std::string>& args, KbdOptions& options,
                       std::string& problem) {
    options = KbdOptions{};
    return Parser(args, options, problem).Read();
}

std::string VornkbdUsage() {
    return "Usage: vornkbd --model NAME [--block-size S --blocks N] [--keymap FILE]\n"
           "               [--report-length R] [--dump DIR] [--verbose]\n"
           "               [--vendor V] [--product P] [--usage U] [--refuse-block K]\n";
}

std::string VornkbdHelp() {
    std::string models;
    for (const hid::ModelRow& row : hid::kModelTable) {
        if (models.find(row.name) == std::string::npos) {
            models += (models.empty() ? "\"" : ", \"") + std::string(row.name) + "\"";
        }
    }
    return VornkbdUsage() +
           "\n"
           "Creates a virtual keyboard through /dev/uhid that VornUtil lists and talks to\n"
           "like a plugged-in one, and answers it until interrupted (SIGINT, SIGTERM).\n"
           "Needs root or write access to /dev/uhid.\n"
           "\n"
           "  --model NAME        one of " +
           models +
           "\n"
           "  --block-size S      keymap block size in bytes (default 128, or the file's)\n"
           "  --blocks N          keymap block count (default 4, or the file's)\n"
           "  --keymap FILE       a keymap file (*.dat) the keyboard starts with\n"
           "  --report-length R   feature report length, report ID included, 2 to 20\n"
           "                      (default 9)\n"
           "  --dump DIR          on the way out, writes the keymap to DIR/keymap.dat, a\n"
           "                      line per script slot to DIR/slots.txt and each\n"
           "                      programmed slot's instructions to DIR/slotK.txt\n"
           "  --verbose           prints the requests it receives on standard error\n"
           "  --vendor V, --product P, --usage U\n"
           "                      present other ids or another top-level usage, to see how\n"
           "                      VornUtil treats a device it does not take\n"
           "  --refuse-block K    refuses the first write of keymap block K, as a keyboard\n"
           "                      that fails half-way through a download\n"
           "  --version           prints the version\n";
}

}  // namespace vorn::kbd
