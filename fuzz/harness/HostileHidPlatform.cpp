#include "fuzz/harness/HostileHidPlatform.h"

#include <algorithm>

#include "fuzz/harness/FuzzCheck.h"

namespace vorn::fuzz {

namespace {

constexpr std::uint8_t kReportId = 0x01;
constexpr std::uint8_t kReplyLead = 0xED;

enum AnswerKind : std::uint8_t {
    kRaw = 3,
    kFail = 4,
    kMissing = 5,
    kNothingReady = 6,
    kShort = 7,
};

std::uint8_t ReplyCommand(std::uint8_t control, ByteReader& in) {
    switch ((control >> 4) & 0x03) {
        case 0:
            return 0x2B;
        case 1:
            return 0x2C;
        case 2:
            return 0xB0;
        default:
            return in.Byte();
    }
}

// ED L cmd status data... checksum, L + 2 bytes (just ED L for L = 0).
Bytes ReplyPacket(std::uint8_t control, ByteReader& in) {
    const std::uint8_t command = ReplyCommand(control, in);
    const std::uint8_t status = (control & 0x40) ? in.Byte() : 0;
    const std::size_t l = in.Byte();
    Bytes packet(l + 2, 0);
    packet[0] = kReplyLead;
    packet[1] = static_cast<std::uint8_t>(l);
    for (std::size_t i = 2; i <= l; ++i) {
        if (i == 2) {
            packet[i] = command;
        } else if (i == 3) {
            packet[i] = status;
        } else {
            packet[i] = (control & 0x80) ? in.Byte() : static_cast<std::uint8_t>(i * 13 + l);
        }
    }
    if (l == 0) return packet;
    std::uint8_t x = 0;
    for (std::size_t i = 0; i <= l; ++i) x ^= packet[i];
    packet[l + 1] = (control & 0x08) ? static_cast<std::uint8_t>(x ^ 0x01) : x;
    return packet;
}

}  // namespace

int ReportsAfterFirst(int l, int r) {
    if (l < r - 1) return 0;
    if (l == r - 1) return 2;
    const int beyond = l - (r - 1);
    return (beyond + r) / (r + 1) + 1;
}

HostileHidPlatform::HostileHidPlatform(std::span<const std::uint8_t> answers, bool silentWhenDry)
    : silentWhenDry_(silentWhenDry), answers_(answers) {}

hid::HidHandle HostileHidPlatform::OpenKeyboard(int reportLength) {
    std::lock_guard lock(mutex_);
    const hid::HidHandle handle = nextHandle_++;
    devices_[handle] = Device{reportLength, true};
    return handle;
}

void HostileHidPlatform::PlanSend(SendPlan plan) {
    std::lock_guard lock(mutex_);
    plan_ = plan;
    sent_.clear();
}

std::vector<Bytes> HostileHidPlatform::SentReports() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<HostileHidPlatform::Read> HostileHidPlatform::ReadsSinceSend() const {
    std::lock_guard lock(mutex_);
    return reads_;
}

void HostileHidPlatform::CheckAllClosed() const {
    std::lock_guard lock(mutex_);
    for (const auto& [handle, device] : devices_) {
        Check(!device.open, "the link left a device handle open");
    }
}

// Discovery is not this platform's business: every enumeration entry point is missing.
hid::HidCall HostileHidPlatform::GetHidGuid(hid::HidGuid&) { return hid::HidCall::kNotAvailable; }
hid::HidCall HostileHidPlatform::OpenInterfaceSet(const hid::HidGuid&, hid::InterfaceSet&) {
    return hid::HidCall::kNotAvailable;
}
hid::HidCall HostileHidPlatform::EnumInterface(hid::InterfaceSet, int) {
    return hid::HidCall::kNotAvailable;
}
hid::HidCall HostileHidPlatform::GetInterfacePath(hid::InterfaceSet, int, std::string&) {
    return hid::HidCall::kNotAvailable;
}
hid::HidCall HostileHidPlatform::CloseInterfaceSet(hid::InterfaceSet) {
    return hid::HidCall::kNotAvailable;
}
hid::HidHandle HostileHidPlatform::Open(const std::string&, hid::OpenPurpose) {
    return hid::kInvalidHandle;
}
hid::HidCall HostileHidPlatform::GetAttributes(hid::HidHandle, hid::HidAttributes&) {
    return hid::HidCall::kNotAvailable;
}
hid::HidCall HostileHidPlatform::GetCaps(hid::HidHandle, hid::HidCaps&) {
    return hid::HidCall::kNotAvailable;
}

const HostileHidPlatform::Device* HostileHidPlatform::OpenDevice(hid::HidHandle handle,
                                                                 const char* call) const {
    const auto it = devices_.find(handle);
    const bool open = it != devices_.end() && it->second.open;
    if (!open) Check(false, std::string(call) + " on a handle that is not open");
    return open ? &it->second : nullptr;
}

hid::HidCall HostileHidPlatform::SetFeature(hid::HidHandle handle, const std::uint8_t* report,
                                            std::size_t length) {
    std::lock_guard lock(mutex_);
    const Device* device = OpenDevice(handle, "set-feature");
    if (!device) return hid::HidCall::kFailed;
    Check(report != nullptr, "set-feature without a report");
    Check(length == static_cast<std::size_t>(device->reportLength),
          "set-feature report is not R bytes long");
    if (!report) return hid::HidCall::kFailed;
    Check(length > 0 && report[0] == kReportId, "set-feature report without report ID 1");
    sent_.emplace_back(report, report + length);
    reads_.clear();
    if (plan_.outcome != SendOutcome::kOk && sent_.size() - 1 == plan_.atReport) {
        return plan_.outcome == SendOutcome::kFail ? hid::HidCall::kFailed
                                                   : hid::HidCall::kNotAvailable;
    }
    return hid::HidCall::kOk;
}

hid::HidCall HostileHidPlatform::GetFeature(hid::HidHandle handle, std::uint8_t* report,
                                            std::size_t length) {
    std::lock_guard lock(mutex_);
    const Device* device = OpenDevice(handle, "get-feature");
    if (!device) return hid::HidCall::kFailed;
    Check(report != nullptr, "get-feature without a buffer");
    if (!report) return hid::HidCall::kFailed;
    Check(length == static_cast<std::size_t>(device->reportLength) + 1,
          "get-feature asks for other than R + 1 bytes");
    Check(length > 0 && report[0] == kReportId &&
              std::all_of(report + 1, report + length, [](std::uint8_t b) { return b == 0; }),
          "get-feature buffer not zeroed behind report ID 1");
    const hid::HidCall call = Answer(report, length);
    reads_.push_back({call, Bytes(report, report + length)});
    return call;
}

void HostileHidPlatform::Close(hid::HidHandle handle) {
    std::lock_guard lock(mutex_);
    const auto it = devices_.find(handle);
    Check(it != devices_.end(), "close of a handle never opened");
    Check(it == devices_.end() || it->second.open, "a device handle closed twice");
    if (it != devices_.end()) it->second.open = false;
}

hid::HidCall HostileHidPlatform::Answer(std::uint8_t* report, std::size_t length) {
    if (!queued_.empty()) {
        const Bytes& next = queued_.front();
        std::copy_n(next.begin(), std::min(next.size(), length), report);
        queued_.pop_front();
        return hid::HidCall::kOk;
    }
    if (answers_.Empty()) return silentWhenDry_ ? hid::HidCall::kOk : hid::HidCall::kFailed;
    const std::uint8_t control = answers_.Byte();
    switch (control & 0x07) {
        case kRaw: {
            const auto bytes = answers_.Bytes(length);
            std::copy(bytes.begin(), bytes.end(), report);
            return hid::HidCall::kOk;
        }
        case kFail:
            return hid::HidCall::kFailed;
        case kMissing:
            return hid::HidCall::kNotAvailable;
        case kNothingReady:
            return hid::HidCall::kOk;
        case kShort: {
            const auto bytes = answers_.Bytes(answers_.Byte() % (length + 1));
            std::copy(bytes.begin(), bytes.end(), report);
            return hid::HidCall::kOk;
        }
        default:
            QueueReply(control, length);
            return Answer(report, length);
    }
}

// The packet cut into reports of R + 1 bytes, as many as the reader is to read for it.
void HostileHidPlatform::QueueReply(std::uint8_t control, std::size_t length) {
    const Bytes packet = ReplyPacket(control, answers_);
    const int r = static_cast<int>(length) - 1;
    const int reports = 1 + ReportsAfterFirst(packet[1], r);
    for (int k = 0; k < reports; ++k) {
        Bytes report(length, 0);
        const std::size_t from = static_cast<std::size_t>(k) * length;
        if (from < packet.size()) {
            std::copy_n(packet.begin() + from, std::min(length, packet.size() - from),
                        report.begin());
        }
        queued_.push_back(std::move(report));
    }
}

}  // namespace vorn::fuzz
