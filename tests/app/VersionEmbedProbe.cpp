// Checks that the version block the build embeds is found in the linked executable.
#include <cstdio>

#include "app/CFileVersionInfo.h"

int main() {
    vorn::app::CFileVersionInfo info;
    if (!info.Create(0x0409)) {
        std::fprintf(stderr, "no version block in the running executable\n");
        return 1;
    }
    const auto version = info.FileVersionText();
    const auto& product = info.String(vorn::app::CFileVersionInfo::kProductName);
    std::printf("version %s, product %s\n", version.c_str(), product.c_str());
    return version == VORN_EXPECTED_VERSION && product == "VornUtil" ? 0 : 1;
}
