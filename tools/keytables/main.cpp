// keytables TABLE: prints, as Markdown, one of the tables of docs/script-language.md that
// come from the compiler's own data: which keyboard models use which script layout
// (layouts), the key names of both layouts (keys) and the characters PRINT text types
// (characters). The test docs_key_tables compares each generated block of the document
// with this output, so the reference cannot drift from the compiler.
#include <cstdio>
#include <cstring>
#include <string>

#include "hid/ModelTable.h"
#include "script/KeyTables.h"
#include "script/Lexer.h"

namespace {

using vorn::script::KeyName;

constexpr std::uint8_t kLayouts[] = {1, 2};

// The models whose rows give `layout`, as "Orvane Pro" or "A, B".
std::string ModelsOf(std::uint8_t layout) {
    std::string models;
    for (const vorn::hid::ModelRow& row : vorn::hid::kModelTable) {
        if (row.scriptLayout != layout) continue;
        if (!models.empty()) models += ", ";
        models += row.name;
    }
    return models.empty() ? "no model" : models;
}

// The last PSET column of `layout`, as the compiler's column test answers it.
int LastColumn(std::uint8_t layout) {
    int last = -1;
    for (int column = 0; column <= 99; ++column) {
        const std::string text = std::to_string(column) + "\n";
        int length = 0;
        if (vorn::script::IsNumberToken(text.c_str(), length, vorn::script::kPsetColumnClass,
                                        layout)) {
            last = column;
        }
    }
    return last;
}

void PrintLayouts() {
    std::puts("| Script layout | Keyboard models | Key names | Last PSET column |");
    std::puts("|---|---|---|---|");
    for (const std::uint8_t layout : kLayouts) {
        int names = 0;
        for (const KeyName& key : vorn::script::AllKeyNames()) {
            const int length = static_cast<int>(std::strlen(key.name));
            if (vorn::script::KeyNameCode(key.name, length, layout) >= 0) ++names;
        }
        std::printf("| %d | %s | %d | %d |\n", layout, ModelsOf(layout).c_str(), names,
                    LastColumn(layout));
    }
}

// A key-name row per name, as the compiler's lookup answers for each layout.
void PrintKeyNames() {
    std::puts("| Key name | Key code | Layout 1 | Layout 2 |");
    std::puts("|---|---|---|---|");
    for (const KeyName& key : vorn::script::AllKeyNames()) {
        const int length = static_cast<int>(std::strlen(key.name));
        std::printf("| `<%s>` | 0x%02X |", key.name, key.code);
        for (const std::uint8_t layout : kLayouts) {
            const int code = vorn::script::KeyNameCode(key.name, length, layout);
            std::fputs(code < 0 ? " - |" : " yes |", stdout);
        }
        std::putchar('\n');
    }
}

// A character as a Markdown table cell shows it.
std::string Cell(unsigned char c) {
    if (c == '|') return "`\\|`";
    if (c == '`') return "`` ` ``";
    return std::string("`") + static_cast<char>(c) + "`";
}

// The characters that type a key, grouped by the key code they give (a character and its
// shifted partner share a key), in code order.
void PrintCharacters() {
    std::puts("| Key code | Characters |");
    std::puts("|---|---|");
    for (int code = 0; code <= 0xFF; ++code) {
        std::string cells;
        for (int c = 0x21; c <= 0x7E; ++c) {
            if (vorn::script::CharacterKeyCode(static_cast<unsigned char>(c)) != code) continue;
            if (!cells.empty()) cells += " ";
            cells += Cell(static_cast<unsigned char>(c));
        }
        if (!cells.empty()) std::printf("| 0x%02X | %s |\n", code, cells.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    // One table by name, as the document's generated blocks ask for them.
    const std::string table = argc == 2 ? argv[1] : "";
    if (table == "layouts") {
        PrintLayouts();
    } else if (table == "keys") {
        PrintKeyNames();
    } else if (table == "characters") {
        PrintCharacters();
    } else {
        std::fputs("Usage: keytables layouts|keys|characters\n", stderr);
        return 2;
    }
    return 0;
}
