#include "LinkReplyReader.h"

#include <algorithm>

#include "Link.h"

namespace vorn::hid {

namespace {

bool CarriesData(std::uint8_t replyCommand) {
    return replyCommand == CMD_READ_KEYMAP || replyCommand == CMD_GET_PROPERTY ||
           replyCommand == kReplyWithData;
}

}  // namespace

LinkReplyReader::LinkReplyReader(HidPlatform& platform, LinkDevice& device, LinkReplySlot& slot,
                                 std::atomic<std::uint64_t>& busy, std::uint64_t generation,
                                 LinkTarget target)
    : platform_(platform),
      device_(device),
      slot_(slot),
      busy_(busy),
      generation_(generation),
      target_(target) {}

void LinkReplyReader::Run() {
    if (!StillWaited()) return;
    const First first = ReadFirstReport();
    if (first == First::kAbandoned) return;
    if (first == First::kFailed) return Finish(HID_ERR_READ);
    if (!ReadContinuation()) return Finish(HID_ERR_READ_MORE);
    const int l = assembled_[kLengthAt];
    if (Checksum(assembled_.data(), l + 1) != assembled_[l + 1]) return Finish(HID_ERR_CHECKSUM);
    if (l < kMinReplyLength) return Finish(HID_ERR_SHORT_REPLY);
    Deliver(Unpack());
}

bool LinkReplyReader::StillWaited() const { return busy_.load() == generation_; }

// One report of R + 1 bytes, report ID 1 asked for, from the device the packet went to.
LinkReplyReader::Read LinkReplyReader::ReadReport(std::uint8_t* buffer) {
    const std::size_t length = static_cast<std::size_t>(target_.reportLength) + 1;
    std::fill_n(buffer, length, std::uint8_t{0});
    buffer[0] = kReportId;
    HidCall call = HidCall::kFailed;
    const bool held = device_.Use(target_.epoch, [&](HidHandle handle) {
        call = platform_.GetFeature(handle, buffer, length);
    });
    if (!held) return Read::kGone;
    if (call == HidCall::kNotAvailable) return Read::kMissing;
    if (call == HidCall::kFailed) {
        device_.CloseEpoch(target_.epoch);
        return Read::kFailed;
    }
    return Read::kOk;
}

// Polls back to back: every report that does not start a reply is skipped while the
// command still waits; once it has given up, the first such report ends the reader.
LinkReplyReader::First LinkReplyReader::ReadFirstReport() {
    for (;;) {
        if (ReadReport(assembled_.data()) != Read::kOk) return First::kFailed;
        if (assembled_[kLeadAt] == kReplyLead) return First::kReply;
        if (!StillWaited()) return First::kAbandoned;
    }
}

// Continuation reports are stored whole after the first one; one more is read and dropped.
bool LinkReplyReader::ReadContinuation() {
    const int r = target_.reportLength;
    const int c = ContinuationCount(assembled_[kLengthAt], r);
    if (c == 0) return true;
    std::array<std::uint8_t, kMaxReportLength + 1> dropped{};
    for (int k = 1; k <= c + 1; ++k) {
        std::uint8_t* into = k <= c ? assembled_.data() + (r + 1) * k : dropped.data();
        if (ReadReport(into) != Read::kOk) return false;
    }
    return true;
}

ReplyResult LinkReplyReader::Unpack() const {
    const int l = assembled_[kLengthAt];
    ReplyResult result;
    result.status = assembled_[kStatusAt];
    result.count = static_cast<std::uint8_t>(l - 3);
    if (CarriesData(assembled_[kCommandAt]))
        std::copy_n(assembled_.begin() + kReplyDataAt, result.count, result.data.begin());
    return result;
}

// Handed over only while the command still waits; after a time-out the reply is dropped.
void LinkReplyReader::Deliver(const ReplyResult& result) {
    std::uint64_t expected = generation_;
    if (busy_.compare_exchange_strong(expected, 0)) slot_.Deliver(generation_, result);
}

// A failure is always signalled; the slot drops it if its command stopped waiting.
void LinkReplyReader::Finish(std::uint8_t code) {
    ReplyResult result;
    result.status = code;
    std::uint64_t expected = generation_;
    busy_.compare_exchange_strong(expected, 0);
    slot_.Deliver(generation_, result);
}

}  // namespace vorn::hid
