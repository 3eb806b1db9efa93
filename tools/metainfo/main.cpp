// metainfo: writes the AppStream metadata from its template, with the version, the release
// date and one <modalias> per vendor/product pair of the model table, so that software
// centres offer VornUtil for exactly the keyboards it supports.
//
//   metainfo TEMPLATE OUTPUT VERSION DATE
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/vornctl/UdevRule.h"

namespace {

bool Replace(std::string& text, const std::string& key, const std::string& value) {
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return false;
    text.replace(at, key.size(), value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: metainfo TEMPLATE OUTPUT VERSION DATE\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    if (!in) {
        std::fprintf(stderr, "metainfo: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string text = read.str();
    // The aliases take the indentation of the placeholder's line.
    const std::size_t at = text.find("@MODALIASES@");
    const std::size_t lineStart = at == std::string::npos ? 0 : text.rfind('\n', at) + 1;
    const std::string indent = text.substr(lineStart, at - lineStart);
    std::string aliases;
    for (const std::string& alias : vorn::cli::UsbModaliases()) {
        aliases += (aliases.empty() ? "" : "\n" + indent) + "<modalias>" + alias + "</modalias>";
    }
    if (!Replace(text, "@MODALIASES@", aliases) || !Replace(text, "@VERSION@", argv[3]) ||
        !Replace(text, "@RELEASE_DATE@", argv[4])) {
        std::fprintf(stderr, "metainfo: %s lacks a placeholder\n", argv[1]);
        return 1;
    }
    // Written whole to a neighbour and renamed, so a failed run leaves no half file.
    const std::string temporary = std::string(argv[2]) + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            std::fprintf(stderr, "metainfo: cannot write %s\n", temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "metainfo: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
