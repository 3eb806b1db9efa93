#include "hid/linux/ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <map>

namespace vorn::hid {

namespace {

// Item prefix: bits 7..4 tag, bits 3..2 type, bits 1..0 size code (0, 1, 2 or 4 bytes).
// A long item is the prefix 0xFE, a data size byte, a tag byte and that many data bytes.
constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::size_t kLongItemHeader = 3;

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : std::uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC,
};

enum GlobalTag : std::uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB,
    kFirstReservedGlobal = 0xC,
};

constexpr std::uint8_t kLocalUsage = 0x0;

// The bounds the kernel's own parser enforces; a descriptor beyond them never reaches
// hidraw, and keeping to them keeps every sum below far from overflow.
constexpr std::uint32_t kMaxReportSize = 256;
constexpr std::uint32_t kMaxReportCount = 12288;
constexpr std::uint32_t kMaxReportId = 255;
constexpr std::size_t kMaxPushDepth = 16;
constexpr std::uint64_t kMaxReportLength = 0xFFFF;

struct Item {
    std::uint8_t type = 0;
    std::uint8_t tag = 0;
    std::uint8_t size = 0;
    std::uint32_t value = 0;
};

struct Globals {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportId = 0;
    std::uint32_t reportCount = 0;
};

enum ReportKind { kInputReport, kOutputReport, kFeatureReport, kReportKinds };

// Bits per report ID, for each report kind, within one top-level collection.
struct Collection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::array<std::map<std::uint32_t, std::uint64_t>, kReportKinds> bits;
};

class Parser {
  public:
    explicit Parser(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::optional<std::vector<HidCaps>> Run();

  private:
    bool NextItem(Item& item);
    bool Dispatch(const Item& item);
    bool OnMain(const Item& item);
    bool OnGlobal(const Item& item);
    void OnLocal(const Item& item);
    bool OnReport(ReportKind kind);
    void OpenCollection();

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    Globals globals_;
    std::vector<Globals> pushed_;
    std::optional<std::uint32_t> usage_;
    bool usageExtended_ = false;
    int depth_ = 0;
    std::vector<Collection> collections_;
};

std::uint16_t ReportLength(const std::map<std::uint32_t, std::uint64_t>& bitsById) {
    std::uint64_t longest = 0;
    for (const auto& [id, bits] : bitsById) longest = std::max(longest, (bits + 7) / 8 + 1);
    return static_cast<std::uint16_t>(longest);
}

bool Representable(const Collection& collection) {
    for (const auto& bitsById : collection.bits) {
        for (const auto& [id, bits] : bitsById) {
            if ((bits + 7) / 8 + 1 > kMaxReportLength) return false;
        }
    }
    return true;
}

HidCaps CapsOf(const Collection& collection) {
    HidCaps caps;
    caps.usage = collection.usage;
    caps.usagePage = collection.usagePage;
    caps.inputReportByteLength = ReportLength(collection.bits[kInputReport]);
    caps.outputReportByteLength = ReportLength(collection.bits[kOutputReport]);
    caps.featureReportByteLength = ReportLength(collection.bits[kFeatureReport]);
    return caps;
}

std::optional<std::vector<HidCaps>> Parser::Run() {
    Item item;
    while (pos_ < bytes_.size()) {
        if (!NextItem(item) || !Dispatch(item)) return std::nullopt;
    }
    if (depth_ != 0 || collections_.empty()) return std::nullopt;
    std::vector<HidCaps> result;
    for (const Collection& collection : collections_) {
        if (!Representable(collection)) return std::nullopt;
        result.push_back(CapsOf(collection));
    }
    return result;
}

// Reads the item at pos_; a long item comes back with the reserved type, which is skipped.
bool Parser::NextItem(Item& item) {
    const std::size_t left = bytes_.size() - pos_;
    const std::uint8_t prefix = bytes_[pos_];
    if (prefix == kLongItemPrefix) {
        if (left < kLongItemHeader || left - kLongItemHeader < bytes_[pos_ + 1]) return false;
        pos_ += kLongItemHeader + bytes_[pos_ + 1];
        item = Item{kReserved, 0, 0, 0};
        return true;
    }
    const std::uint8_t sizeCode = prefix & 0x03;
    item.size = sizeCode == 3 ? 4 : sizeCode;
    if (left - 1 < item.size) return false;
    item.type = (prefix >> 2) & 0x03;
    item.tag = prefix >> 4;
    item.value = 0;
    for (std::uint8_t k = 0; k < item.size; ++k) {
        item.value |= static_cast<std::uint32_t>(bytes_[pos_ + 1 + k]) << (8 * k);
    }
    pos_ += 1 + item.size;
    return true;
}

bool Parser::Dispatch(const Item& item) {
    switch (item.type) {
        case kMain:
            return OnMain(item);
        case kGlobal:
            return OnGlobal(item);
        case kLocal:
            OnLocal(item);
            return true;
        default:
            return true;
    }
}

bool Parser::OnMain(const Item& item) {
    bool ok = true;
    switch (item.tag) {
        case kInput:
            ok = OnReport(kInputReport);
            break;
        case kOutput:
            ok = OnReport(kOutputReport);
            break;
        case kFeature:
            ok = OnReport(kFeatureReport);
            break;
        case kCollection:
            OpenCollection();
            break;
        case kEndCollection:
            ok = depth_ > 0;
            if (ok) --depth_;
            break;
        default:
            break;
    }
    // Local items describe the one main item that follows them.
    usage_.reset();
    usageExtended_ = false;
    return ok;
}

bool Parser::OnReport(ReportKind kind) {
    if (depth_ == 0) return false;
    const std::uint64_t bits = std::uint64_t{globals_.reportSize} * globals_.reportCount;
    if (bits > 0) collections_.back().bits[kind][globals_.reportId] += bits;
    return true;
}

// Only a collection at the top level becomes an interface of its own; its usage is the
// first Usage before it, a four-byte Usage carrying its own usage page.
void Parser::OpenCollection() {
    if (depth_++ > 0) return;
    Collection collection;
    const std::uint32_t usage = usage_.value_or(0);
    collection.usage = static_cast<std::uint16_t>(usage & 0xFFFF);
    collection.usagePage =
        static_cast<std::uint16_t>(usageExtended_ ? usage >> 16 : globals_.usagePage & 0xFFFF);
    collections_.push_back(collection);
}

bool Parser::OnGlobal(const Item& item) {
    switch (item.tag) {
        case kUsagePage:
            globals_.usagePage = item.value;
            return true;
        case kReportSize:
            globals_.reportSize = item.value;
            return item.value <= kMaxReportSize;
        case kReportId:
            globals_.reportId = item.value;
            return item.value >= 1 && item.value <= kMaxReportId;
        case kReportCount:
            globals_.reportCount = item.value;
            return item.value <= kMaxReportCount;
        case kPush:
            if (pushed_.size() >= kMaxPushDepth) return false;
            pushed_.push_back(globals_);
            return true;
        case kPop:
            if (pushed_.empty()) return false;
            globals_ = pushed_.back();
            pushed_.pop_back();
            return true;
        default:
            return item.tag < kFirstReservedGlobal;
    }
}

void Parser::OnLocal(const Item& item) {
    if (item.tag != kLocalUsage || usage_) return;
    usage_ = item.value;
    usageExtended_ = item.size == 4;
}

}  // namespace

std::optional<std::vector<HidCaps>> ParseReportDescriptor(
    std::span<const std::uint8_t> descriptor) {
    return Parser(descriptor).Run();
}

}  // namespace vorn::hid
