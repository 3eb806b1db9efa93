#include "Link.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "LinkDevice.h"
#include "LinkProtocol.h"
#include "LinkReplyReader.h"
#include "LinkReplySlot.h"

namespace vorn::hid {

namespace {

constexpr const char* kTimeoutMessage = "WaitForSingleObject timeout";

// A command packet: lead, length, command, parameters, checksum.
class Packet {
  public:
    Packet(std::uint8_t command, std::uint8_t parameter, const std::uint8_t* data,
           std::size_t count) {
        bytes_[kLeadAt] = kCommandLead;
        bytes_[kCommandAt] = command;
        bytes_[kCommandAt + 1] = parameter;
        std::copy_n(data, count, bytes_.begin() + kCommandAt + 2);
        Seal(kCommandAt + 2 + count);
    }
    explicit Packet(std::uint8_t command) {
        bytes_[kLeadAt] = kCommandLead;
        bytes_[kCommandAt] = command;
        Seal(kCommandAt + 1);
    }
    Packet(std::uint8_t command, std::uint8_t parameter) : Packet(command, parameter, nullptr, 0) {}

    const std::uint8_t* Data() const { return bytes_.data(); }
    std::size_t Length() const { return length_; }

  private:
    // `end` is the offset of the checksum byte.
    void Seal(std::size_t end) {
        bytes_[kLengthAt] = static_cast<std::uint8_t>(end - kLengthAt);
        bytes_[end] = Checksum(bytes_.data(), end);
        length_ = end + 1;
    }

    std::array<std::uint8_t, kMaxPacketLength> bytes_{};
    std::size_t length_ = 0;
};

// What a command got: `replied` when the reply result is valid (a reply or a failure
// of the reader), otherwise `status` is the link's failure before any reply.
struct Outcome {
    std::uint8_t status = HID_OK;
    bool replied = false;
    ReplyResult reply;
};

}  // namespace

struct Link::State {
    State(HidPlatform& p, MessageSink* u, std::chrono::milliseconds wait)
        : platform(p), user(u), replyWait(wait), device(p) {}

    HidPlatform& platform;
    std::atomic<MessageSink*> user;
    const std::chrono::milliseconds replyWait;
    LinkDevice device;
    LinkReplySlot slot;
    // Generation of the command waiting for a reply, 0 when none: the busy flag.
    std::atomic<std::uint64_t> busy{0};
    std::atomic<std::uint64_t> lastGeneration{0};
    std::mutex readerMutex;
    std::thread reader;

    bool Send(LinkTarget target, const std::uint8_t* packet, std::size_t length);
    bool SendReport(LinkTarget target, const std::uint8_t* report);
    bool AwaitReply(LinkTarget target, ReplyResult& result);
    void StartReader(std::uint64_t generation, LinkTarget target);
    void JoinReader();
    Outcome Command(const Packet& packet);
    void ShowMessage(const char* text);
};

// Cuts the packet into reports of R bytes: report ID 1, then R - 1 packet bytes, the
// last report padded with zeros.
bool Link::State::Send(LinkTarget target, const std::uint8_t* packet, std::size_t length) {
    const std::size_t payload = static_cast<std::size_t>(target.reportLength) - 1;
    for (std::size_t offset = 0; offset < length; offset += payload) {
        std::array<std::uint8_t, kMaxReportLength> report{};
        report[0] = kReportId;
        std::copy_n(packet + offset, std::min(payload, length - offset), report.begin() + 1);
        if (!SendReport(target, report.data())) return false;
    }
    return true;
}

// A missing send function leaves the device open; a failed send closes it.
bool Link::State::SendReport(LinkTarget target, const std::uint8_t* report) {
    HidCall call = HidCall::kFailed;
    const bool held = device.Use(target.epoch, [&](HidHandle handle) {
        call = platform.SetFeature(handle, report, static_cast<std::size_t>(target.reportLength));
    });
    if (!held || call == HidCall::kNotAvailable) return false;
    if (call == HidCall::kFailed) {
        device.CloseEpoch(target.epoch);
        return false;
    }
    return true;
}

// The time-out message is shown while the busy flag is still set, so the reader keeps
// polling meanwhile; whatever it delivers then is dropped.
bool Link::State::AwaitReply(LinkTarget target, ReplyResult& result) {
    const std::uint64_t generation = lastGeneration.fetch_add(1) + 1;
    std::uint64_t idle = 0;
    if (!busy.compare_exchange_strong(idle, generation)) return false;
    slot.Arm(generation);
    StartReader(generation, target);
    if (auto reply = slot.Wait(generation, replyWait)) {
        result = *reply;
        return true;
    }
    ShowMessage(kTimeoutMessage);
    std::uint64_t mine = generation;
    busy.compare_exchange_strong(mine, 0);
    return false;
}

void Link::State::StartReader(std::uint64_t generation, LinkTarget target) {
    std::lock_guard lock(readerMutex);
    if (reader.joinable()) reader.join();  // a reader left behind ends at its next poll
    try {
        reader = std::thread([this, generation, target] {
            LinkReplyReader(platform, device, slot, busy, generation, target).Run();
        });
    } catch (const std::system_error&) {
        ReplyResult failed;
        failed.status = HID_ERR_READ;
        std::uint64_t mine = generation;
        busy.compare_exchange_strong(mine, 0);
        slot.Deliver(generation, failed);
    }
}

// A reader left behind by a time-out could still take the first report of the next
// reply; it is waited for before the next packet goes out. While a command waits, its
// reader is left alone: the new command only sends and then finds the link busy.
void Link::State::JoinReader() {
    if (busy.load() != 0) return;
    std::lock_guard lock(readerMutex);
    if (reader.joinable()) reader.join();
}

// Send first, then look at the busy flag.
Outcome Link::State::Command(const Packet& packet) {
    Outcome outcome;
    const std::optional<LinkTarget> target = device.Current();
    outcome.status = !target                                    ? HID_ERR_NOT_OPEN
                     : !ValidReportLength(target->reportLength) ? HID_ERR_REPORT_LENGTH
                                                                : HID_OK;
    if (outcome.status != HID_OK) return outcome;
    JoinReader();
    if (!Send(*target, packet.Data(), packet.Length())) {
        outcome.status = HID_ERR_WRITE;
    } else if (!AwaitReply(*target, outcome.reply)) {
        outcome.status = HID_ERR_TIMEOUT;
    } else {
        outcome.status = outcome.reply.status;
        outcome.replied = true;
    }
    return outcome;
}

void Link::State::ShowMessage(const char* text) {
    if (MessageSink* u = user.load()) u->ShowMessage(text);
}

Link::Link(HidPlatform& platform, MessageSink* user, std::chrono::milliseconds replyWait)
    : state_(std::make_unique<State>(platform, user, replyWait)) {}

// Closing the device makes a reader still running fail at its next report.
Link::~Link() {
    state_->busy.store(0);
    state_->device.Close();
    std::lock_guard lock(state_->readerMutex);
    if (state_->reader.joinable()) state_->reader.join();
}

HidPlatform& Link::Platform() { return state_->platform; }
void Link::SetUser(MessageSink* user) { state_->user.store(user); }

void Link::Attach(HidHandle handle, int reportLength) {
    state_->device.Attach(handle, reportLength);
}
bool Link::IsOpen() const { return state_->device.IsOpen(); }
int Link::ReportLength() const { return state_->device.ReportLength(); }
void Link::MarkClosed() { state_->device.Close(); }
bool Link::IsBusy() const { return state_->busy.load() != 0; }

// A command still waiting learns at once that its device is gone, rather than at the end
// of its wait: its reader may already have stopped polling when the flag went down.
void Link::CloseLink() {
    if (!state_->device.Close()) return;
    if (const std::uint64_t waiting = state_->busy.exchange(0)) {
        ReplyResult failed;
        failed.status = HID_ERR_READ;
        state_->slot.Deliver(waiting, failed);
    }
}

bool Link::SendPacket(const std::uint8_t* packet, std::size_t length) {
    if (length == 0) return true;
    const std::optional<LinkTarget> target = state_->device.Current();
    if (!packet || !target || !ValidReportLength(target->reportLength)) return false;
    return state_->Send(*target, packet, length);
}

std::uint8_t Link::GetProperty(std::uint16_t& blockSize, std::uint8_t& blockCount) {
    const Outcome outcome = state_->Command(Packet(CMD_GET_PROPERTY));
    if (!outcome.replied) return outcome.status;
    const bool ok = outcome.status == HID_OK;
    const auto& data = outcome.reply.data;
    blockSize = ok ? static_cast<std::uint16_t>(data[0] << 8 | data[1]) : 0;
    blockCount = ok ? data[2] : 0;
    return outcome.status;
}

// The keyboard's data is handed over whatever the status says.
std::uint8_t Link::ReadKeymapBlock(std::uint8_t* destination, std::uint8_t block,
                                   std::uint8_t& length) {
    const Outcome outcome = state_->Command(Packet(CMD_READ_KEYMAP, block));
    length = outcome.replied ? outcome.reply.count : 0;
    if (destination) std::copy_n(outcome.reply.data.begin(), length, destination);
    return outcome.status;
}

std::uint8_t Link::EraseKeymap() { return state_->Command(Packet(CMD_ERASE_KEYMAP)).status; }

std::uint8_t Link::WriteKeymapBlock(std::size_t count, std::uint8_t block,
                                    const std::uint8_t* data) {
    if (!IsOpen()) return HID_ERR_NOT_OPEN;
    if (count > kMaxData || (count > 0 && !data)) return HID_ERR_TOO_LONG;
    return state_->Command(Packet(CMD_WRITE_KEYMAP, block, data, count)).status;
}

std::uint8_t Link::EraseSlot(std::uint8_t slot) {
    return state_->Command(Packet(CMD_ERASE_SLOT, slot)).status;
}

std::uint8_t Link::BeginSlot(std::uint8_t slot) {
    return state_->Command(Packet(CMD_BEGIN_SLOT, slot)).status;
}

std::uint8_t Link::WriteScript(std::size_t count, std::uint8_t sequence, const std::uint8_t* data) {
    if (!IsOpen()) return HID_ERR_NOT_OPEN;
    if (count > kMaxData || (count > 0 && !data)) return HID_ERR_TOO_LONG;
    return state_->Command(Packet(CMD_WRITE_SCRIPT, sequence, data, count)).status;
}

}  // namespace vorn::hid
