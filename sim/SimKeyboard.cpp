#include "SimKeyboard.h"

#include <algorithm>
#include <thread>

#include "hid/LinkProtocol.h"

namespace vorn::sim {

namespace {

using namespace vorn::hid;  // the protocol's byte constants

std::uint8_t Xor(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < count; ++i) x ^= bytes[i];
    return x;
}

// How many reports of R + 1 bytes the host reads after the first one of a reply with
// length byte L: none while the packet fits in the first report short of its last byte;
// otherwise the continuation reports it keeps, plus one it drops.
int ReportsAfterFirst(int l, int r) {
    if (l < r - 1) return 0;
    int kept = 1;
    if (l > r - 1) {
        kept = 0;
        for (int covered = r - 1; covered < l; covered += r + 1) ++kept;
    }
    return kept + 1;
}

Bytes ReplyPacket(std::uint8_t command, std::uint8_t status, const Bytes& data) {
    Bytes packet(data.size() + 5);
    packet[kLeadAt] = kReplyLead;
    packet[kLengthAt] = static_cast<std::uint8_t>(data.size() + 3);
    packet[kCommandAt] = command;
    packet[kStatusAt] = status;
    for (std::size_t i = 0; i < data.size(); ++i) packet[kReplyDataAt + i] = data[i];
    packet.back() = Xor(packet.data(), packet.size() - 1);
    return packet;
}

bool ChangesState(std::uint8_t command) {
    return command != CMD_READ_KEYMAP && command != CMD_GET_PROPERTY;
}

}  // namespace

bool SimKeyboard::CallFault::Fails() {
    if (after > 0) {
        --after;
        return false;
    }
    if (count == 0) return false;
    --count;
    return true;
}

SimKeyboard::SimKeyboard(int reportLength) : reportLength_(reportLength) {
    slots_.resize(kSlotCount);
    blocks_.assign(blockCount_, Bytes(blockSize_, kErasedByte));
}

HidCall SimKeyboard::OnSetFeature(const std::uint8_t* report, std::size_t length) {
    Delay();
    std::lock_guard lock(mutex_);
    ++setCalls_;
    if (Gone() || setFault_.Fails()) return HidCall::kFailed;
    if (!report || length != static_cast<std::size_t>(reportLength_) || report[0] != kReportId)
        return HidCall::kFailed;
    Take(report + 1, length - 1);
    return vanished_ ? HidCall::kFailed : HidCall::kOk;
}

HidCall SimKeyboard::OnGetFeature(std::uint8_t* report, std::size_t length) {
    Delay();
    bool ready = false;
    {
        std::lock_guard lock(mutex_);
        ++getCalls_;
        const std::size_t size = static_cast<std::size_t>(reportLength_) + 1;
        if (Gone() || getFault_.Fails()) return HidCall::kFailed;
        if (!report || length != size || report[0] != kReportId) return HidCall::kFailed;
        ready = !hold_ && served_ < outgoing_.size();
        if (ready) {
            std::copy_n(outgoing_.begin() + served_, size, report);
            served_ += size;
            if (served_ == outgoing_.size()) {
                ++repliesServed_;
                changed_.notify_all();
            }
        } else {
            std::fill_n(report + 1, size - 1, std::uint8_t{0});
        }
    }
    // The host polls back to back; let the other threads in while nothing is ready.
    if (!ready) std::this_thread::yield();
    return HidCall::kOk;
}

// Payload bytes of one report: a packet starts at a lead byte and ends after L + 2 bytes;
// whatever follows in the report is padding.
void SimKeyboard::Take(const std::uint8_t* payload, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (incoming_.empty() && payload[i] != kCommandLead) return;
        incoming_.push_back(payload[i]);
        if (incoming_.size() >= 2 && incoming_.size() == incoming_[kLengthAt] + 2u) {
            Bytes packet;
            packet.swap(incoming_);
            Receive(packet);
            return;
        }
    }
}

void SimKeyboard::Receive(const Bytes& packet) {
    const std::size_t l = packet[kLengthAt];
    const bool ok = l >= 2 && Xor(packet.data(), l + 1) == packet[l + 1];
    log_.push_back({packet, ok});
    changed_.notify_all();
    if (!ok) return;
    std::optional<BlockWriteFault> blockFault;
    if (packet[kCommandAt] == CMD_WRITE_KEYMAP && l >= 3) {
        const auto found = blockFaults_.find(packet[kCommandAt + 1]);
        if (found != blockFaults_.end()) {
            blockFault = found->second;
            blockFaults_.erase(found);
        }
    }
    if (blockFault && blockFault->vanishFor) return DropOff(*blockFault->vanishFor);
    const std::optional<ReplyFault> fault =
        blockFault ? std::optional<ReplyFault>(blockFault->reply) : FaultFor(packet[kCommandAt]);
    const bool refused = fault && fault->status && ChangesState(packet[kCommandAt]);
    Reply reply = Execute(packet, !refused);
    if (blockFault && blockFault->corrupt && !refused) {
        if (Bytes* block = Find(packet[kCommandAt + 1]); block && !block->empty())
            block->front() = static_cast<std::uint8_t>(~block->front());
    }
    if (!rawReplies_.empty()) {
        Serve(rawReplies_.front());
        rawReplies_.pop_front();
        return;
    }
    if (fault && fault->noReply) return;
    if (fault && fault->status) reply.status = *fault->status;
    if (fault && fault->dataLength && packet[kCommandAt] == CMD_READ_KEYMAP)
        reply.data.resize(static_cast<std::size_t>(std::clamp(*fault->dataLength, 0, 252)));
    Bytes bytes = ReplyPacket(reply.command, reply.status, reply.data);
    if (fault && fault->badChecksum) bytes.back() ^= 0x01;
    Serve(bytes);
}

std::optional<SimKeyboard::ReplyFault> SimKeyboard::FaultFor(std::uint8_t command) {
    if (!nextFaults_.empty()) {
        ReplyFault fault = nextFaults_.front();
        nextFaults_.pop_front();
        return fault;
    }
    auto it = commandFaults_.find(command);
    if (it == commandFaults_.end()) return std::nullopt;
    ReplyFault fault = it->second.fault;
    if (it->second.times != kForever && --it->second.times == 0) commandFaults_.erase(it);
    return fault;
}

// The packet's parameters start at byte 3 and end before the checksum.
SimKeyboard::Reply SimKeyboard::Execute(const Bytes& packet, bool carryOut) {
    const std::uint8_t command = packet[kCommandAt];
    const std::size_t params = packet[kLengthAt] - 2u;
    const std::uint8_t first = params > 0 ? packet[kCommandAt + 1] : 0;
    const std::uint8_t* data = packet.data() + kCommandAt + 2;
    const std::size_t count = params > 0 ? params - 1 : 0;
    Reply reply{command, 0, {}};
    if (command == CMD_GET_PROPERTY) {
        reply.data = {static_cast<std::uint8_t>(blockSize_ >> 8),
                      static_cast<std::uint8_t>(blockSize_ & 0xFF), blockCount_};
    } else if (command == CMD_READ_KEYMAP) {
        reply = ReadKeymap(first);
    } else if (!carryOut) {
        // refused: the injected status goes back instead
    } else if (command == CMD_ERASE_KEYMAP) {
        for (Bytes& block : blocks_) std::fill(block.begin(), block.end(), kErasedByte);
    } else if (command == CMD_WRITE_KEYMAP) {
        reply.status = WriteKeymap(first, data, count);
    } else if (command == CMD_ERASE_SLOT || command == CMD_BEGIN_SLOT) {
        if (first >= kSlotCount) return {command, kStatusBadParameter, {}};
        SlotRecord& slot = slots_[first];
        if (command == CMD_ERASE_SLOT) {
            ++slot.erases;
            slot.writes.clear();
        } else {
            ++slot.begins;
            begunSlot_ = first;
        }
    } else if (command == CMD_WRITE_SCRIPT) {
        reply.status = WriteScript(first, data, count);
    } else {
        reply.status = kStatusUnknownCommand;
    }
    return reply;
}

SimKeyboard::Reply SimKeyboard::ReadKeymap(std::uint8_t block) const {
    const Bytes* found = Find(block);
    if (!found) return {CMD_READ_KEYMAP, kStatusBadParameter, {}};
    const Bytes& bytes = *found;
    return {CMD_READ_KEYMAP, 0,
            Bytes(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 252))};
}

std::uint8_t SimKeyboard::WriteKeymap(std::uint8_t block, const std::uint8_t* data,
                                      std::size_t count) {
    Bytes* found = Find(block);
    if (!found || count > found->size()) return kStatusBadParameter;
    std::copy_n(data, count, found->begin());
    return 0;
}

std::uint8_t SimKeyboard::WriteScript(std::uint8_t sequence, const std::uint8_t* data,
                                      std::size_t count) {
    if (!begunSlot_) return kStatusNoSlotBegun;
    slots_[*begunSlot_].writes.push_back({sequence, Bytes(data, data + count)});
    return 0;
}

// Lays the reply out as the reports the host will ask for; a reply not yet fully served
// is replaced.
void SimKeyboard::Serve(const Bytes& packet) {
    const std::size_t size = static_cast<std::size_t>(reportLength_) + 1;
    const int l = packet.size() > 1 ? packet[kLengthAt] : 0;
    std::size_t reports = 1 + static_cast<std::size_t>(ReportsAfterFirst(l, reportLength_));
    reports = std::max(reports, (packet.size() + size - 1) / size);
    outgoing_.assign(reports * size, 0);
    std::copy(packet.begin(), packet.end(), outgoing_.begin());
    served_ = 0;
}

// Keymap blocks are numbered from 1.
Bytes* SimKeyboard::Find(std::uint8_t block) {
    if (block < 1 || block > blocks_.size()) return nullptr;
    return &blocks_[block - 1u];
}

const Bytes* SimKeyboard::Find(std::uint8_t block) const {
    if (block < 1 || block > blocks_.size()) return nullptr;
    return &blocks_[block - 1u];
}

void SimKeyboard::Delay() const {
    std::chrono::microseconds latency;
    {
        std::lock_guard lock(mutex_);
        latency = latency_;
    }
    if (latency.count() <= 0) return;
    // Sleeps until the whole latency has passed: with mingw's threads on Windows a sleep
    // is cut down to whole milliseconds, so one of 200 us returns at once.
    const auto until = std::chrono::steady_clock::now() + latency;
    do {
        std::this_thread::sleep_for(until - std::chrono::steady_clock::now());
    } while (std::chrono::steady_clock::now() < until);
}

bool SimKeyboard::Gone() {
    if (vanished_ && backAt_ && std::chrono::steady_clock::now() >= *backAt_) {
        vanished_ = false;
        backAt_.reset();
    }
    return vanished_;
}

// Whatever was half sent or half served is lost with the connection.
void SimKeyboard::DropOff(std::chrono::milliseconds duration) {
    vanished_ = true;
    backAt_.reset();
    if (duration != kGone) backAt_ = std::chrono::steady_clock::now() + duration;
    incoming_.clear();
    outgoing_.clear();
    served_ = 0;
}

void SimKeyboard::FaultBlockWrite(std::uint8_t block, const BlockWriteFault& fault) {
    std::lock_guard lock(mutex_);
    blockFaults_[block] = fault;
}

void SimKeyboard::SetGeometry(std::uint16_t blockSize, std::uint8_t blockCount) {
    std::lock_guard lock(mutex_);
    blockSize_ = blockSize;
    blockCount_ = blockCount;
    blocks_.assign(blockCount, Bytes(blockSize, kErasedByte));
}

std::uint16_t SimKeyboard::BlockSize() const {
    std::lock_guard lock(mutex_);
    return blockSize_;
}

std::uint8_t SimKeyboard::BlockCount() const {
    std::lock_guard lock(mutex_);
    return blockCount_;
}

void SimKeyboard::SetBlock(std::uint8_t block, const Bytes& bytes) {
    std::lock_guard lock(mutex_);
    Bytes* target = Find(block);
    if (!target) return;
    std::copy_n(bytes.begin(), std::min(bytes.size(), target->size()), target->begin());
}

Bytes SimKeyboard::Block(std::uint8_t block) const {
    std::lock_guard lock(mutex_);
    const Bytes* found = Find(block);
    return found ? *found : Bytes{};
}

SimKeyboard::SlotRecord SimKeyboard::Slot(int slot) const {
    std::lock_guard lock(mutex_);
    return slot >= 0 && slot < kSlotCount ? slots_[slot] : SlotRecord{};
}

std::vector<SimKeyboard::CommandRecord> SimKeyboard::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::vector<std::uint8_t> SimKeyboard::Commands() const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> codes;
    for (const CommandRecord& record : log_) codes.push_back(record.Command());
    return codes;
}

void SimKeyboard::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

bool SimKeyboard::WaitForCommands(std::size_t count, std::chrono::milliseconds wait) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, wait, [&] { return log_.size() >= count; });
}

void SimKeyboard::FaultNext(const ReplyFault& fault) {
    std::lock_guard lock(mutex_);
    nextFaults_.push_back(fault);
}

void SimKeyboard::FaultCommand(std::uint8_t command, const ReplyFault& fault, int times) {
    std::lock_guard lock(mutex_);
    if (times == 0) return;
    commandFaults_[command] = {fault, times};
}

void SimKeyboard::QueueRawReply(Bytes packet) {
    std::lock_guard lock(mutex_);
    rawReplies_.push_back(std::move(packet));
}

void SimKeyboard::HoldReplies(bool hold) {
    std::lock_guard lock(mutex_);
    hold_ = hold;
}

std::uint64_t SimKeyboard::RepliesServed() const {
    std::lock_guard lock(mutex_);
    return repliesServed_;
}

bool SimKeyboard::WaitRepliesServed(std::uint64_t count, std::chrono::milliseconds wait) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, wait, [&] { return repliesServed_ >= count; });
}

void SimKeyboard::FailSetFeature(int count, int after) {
    std::lock_guard lock(mutex_);
    setFault_ = {after, count};
}

void SimKeyboard::FailGetFeature(int count, int after) {
    std::lock_guard lock(mutex_);
    getFault_ = {after, count};
}

void SimKeyboard::Vanish() {
    std::lock_guard lock(mutex_);
    vanished_ = true;
    backAt_.reset();
}

bool SimKeyboard::Vanished() const {
    std::lock_guard lock(mutex_);
    return vanished_;
}

void SimKeyboard::SetLatency(std::chrono::microseconds latency) {
    std::lock_guard lock(mutex_);
    latency_ = latency;
}

void SimKeyboard::ClearFaults() {
    std::lock_guard lock(mutex_);
    nextFaults_.clear();
    commandFaults_.clear();
    blockFaults_.clear();
    backAt_.reset();
    rawReplies_.clear();
    setFault_ = {};
    getFault_ = {};
    vanished_ = false;
    hold_ = false;
    latency_ = std::chrono::microseconds{0};
}

std::uint64_t SimKeyboard::SetFeatureCalls() const {
    std::lock_guard lock(mutex_);
    return setCalls_;
}

std::uint64_t SimKeyboard::GetFeatureCalls() const {
    std::lock_guard lock(mutex_);
    return getCalls_;
}

}  // namespace vorn::sim
