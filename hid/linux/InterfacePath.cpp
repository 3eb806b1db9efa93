#include "hid/linux/InterfacePath.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace vorn::hid {

namespace {

constexpr std::string_view kCollectionMark = "&col";

}  // namespace

std::string InterfacePath(const std::string& devnode, int collection, int collectionCount) {
    if (collectionCount <= 1) return devnode;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "&col%02d", collection + 1);
    return devnode + suffix;
}

void SplitInterfacePath(const std::string& path, std::string& devnode, int& collection) {
    devnode = path;
    collection = 0;
    const std::size_t mark = path.rfind(kCollectionMark);
    if (mark == std::string::npos) return;
    const char* first = path.data() + mark + kCollectionMark.size();
    const char* last = path.data() + path.size();
    int number = 0;
    const auto [ptr, ec] = std::from_chars(first, last, number);
    if (ec != std::errc() || ptr != last || first == last || number < 1) return;
    devnode = path.substr(0, mark);
    collection = number - 1;
}

}  // namespace vorn::hid
