#include "hid/linux/HidSysfs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "hid/linux/SystemError.h"

namespace vorn::hid {

namespace {

constexpr std::string_view kHidIdKey = "HID_ID=";
// A uevent file is a page at most.
constexpr std::size_t kMaxUevent = 4096;

std::string_view LineWithKey(std::string_view text, std::string_view key) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (line.starts_with(key)) return line.substr(key.size());
        start = end + 1;
    }
    return {};
}

bool ReadHex(std::string_view field, std::uint32_t& value) {
    if (field.empty()) return false;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value, 16);
    return ec == std::errc() && ptr == end;
}

bool ReadAll(int fd, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    bytes.resize(limit);
    std::size_t total = 0;
    while (total < limit) {
        const ssize_t n = ::read(fd, bytes.data() + total, limit - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    bytes.resize(total);
    return true;
}

}  // namespace

std::optional<HidAttributes> ParseHidId(std::string_view uevent) {
    const std::string_view value = LineWithKey(uevent, kHidIdKey);
    const std::size_t first = value.find(':');
    if (first == value.npos) return std::nullopt;
    const std::size_t second = value.find(':', first + 1);
    if (second == value.npos) return std::nullopt;
    std::uint32_t bus = 0, vendor = 0, product = 0;
    if (!ReadHex(value.substr(0, first), bus) ||
        !ReadHex(value.substr(first + 1, second - first - 1), vendor) ||
        !ReadHex(value.substr(second + 1), product) || vendor > 0xFFFF || product > 0xFFFF) {
        return std::nullopt;
    }
    HidAttributes attributes;
    attributes.vendorId = static_cast<std::uint16_t>(vendor);
    attributes.productId = static_cast<std::uint16_t>(product);
    return attributes;
}

bool ReadSysfsFile(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                   std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int failure = errno;
        error = SystemError("open " + path, failure);
        return false;
    }
    const bool ok = ReadAll(fd, limit, bytes);
    const int failure = errno;
    ::close(fd);
    if (!ok) error = SystemError("read " + path, failure);
    return ok;
}

bool ReadHidAttributes(const std::string& hidSyspath, HidAttributes& attributes,
                       std::string& error) {
    const std::string path = hidSyspath + "/uevent";
    std::vector<std::uint8_t> text;
    if (!ReadSysfsFile(path, kMaxUevent, text, error)) return false;
    const auto parsed =
        ParseHidId(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    if (!parsed) {
        error = path + ": no usable HID_ID line";
        return false;
    }
    attributes = *parsed;
    return true;
}

bool ReadReportDescriptor(const std::string& hidSyspath, std::vector<std::uint8_t>& descriptor,
                          std::string& error) {
    return ReadSysfsFile(hidSyspath + "/report_descriptor", kMaxReportDescriptor, descriptor,
                         error);
}

}  // namespace vorn::hid
