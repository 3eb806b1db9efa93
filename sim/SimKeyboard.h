// A simulated keyboard: the keyboard's side of the feature-report protocol, with the
// state a keymap or script transfer touches and faults to inject.
//
// Host to keyboard: set-feature reports of R bytes (report ID 1, then R - 1 bytes of the
// command packet, the last one padded). The keyboard reassembles the packet, checks its
// checksum (a packet with a wrong one is logged and ignored), carries the command out and
// makes a reply packet.
//
// Keyboard to host: get-feature calls of R + 1 bytes. Until a reply is ready each call
// returns report ID 1 followed by zeros. Then the reply packet is served cut into pieces
// of R + 1 bytes (the first starts with 0xED), followed, when the reply needs continuation
// reports at all, by the one extra report the host reads and drops.
//
// Every member may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "hid/HidPlatform.h"

namespace vorn::sim {

using hid::HidCall;
using Bytes = std::vector<std::uint8_t>;

class SimKeyboard {
  public:
    static constexpr int kSlotCount = 10;
    // Statuses the keyboard answers with for requests it cannot carry out.
    static constexpr std::uint8_t kStatusBadParameter = 0x81;  // block/slot out of range, too long
    static constexpr std::uint8_t kStatusUnknownCommand = 0x82;
    static constexpr std::uint8_t kStatusNoSlotBegun = 0x83;  // WriteScript before BeginSlot
    // What an erased keymap block holds.
    static constexpr std::uint8_t kErasedByte = 0xFF;

    // How to spoil the reply to one command.
    struct ReplyFault {
        bool noReply = false;      // the command is carried out, no reply ever comes
        bool badChecksum = false;  // the checksum byte has its lowest bit flipped
        // Replaces the reply's status. A command that changes state is then not carried
        // out; a keymap read still sends its data.
        std::optional<std::uint8_t> status{};
        // A keymap read answers with this many data bytes instead of S (0 to 252; the
        // block is cut, or padded with zeros).
        std::optional<int> dataLength{};
    };

    // What befalls the next write of one keymap block, as a download that goes wrong half-way
    // meets it.
    struct BlockWriteFault {
        ReplyFault reply{};    // refused (status) or never answered (noReply)
        bool corrupt = false;  // carried out, but the block keeps its first byte inverted
        // The keyboard drops off the bus as the write arrives (the write is not carried out):
        // every transfer fails for this long, then it answers again with the keymap it had
        // then. kGone: it never comes back.
        std::optional<std::chrono::milliseconds> vanishFor{};
    };
    static constexpr std::chrono::milliseconds kGone = std::chrono::milliseconds::max();

    struct ScriptWrite {
        std::uint8_t sequence = 0;
        Bytes bytes;
        friend bool operator==(const ScriptWrite&, const ScriptWrite&) = default;
    };
    // An erase empties `writes`; each WriteScript lands in the slot begun last.
    struct SlotRecord {
        int erases = 0;
        int begins = 0;
        std::vector<ScriptWrite> writes;
    };

    // Every command packet received, whole, including those with a wrong checksum.
    struct CommandRecord {
        Bytes packet;
        bool checksumOk = false;
        std::uint8_t Command() const { return packet.size() > 2 ? packet[2] : 0; }
    };

    // `reportLength` is R, the feature report length of the keyboard's interface.
    explicit SimKeyboard(int reportLength);

    int ReportLength() const { return reportLength_; }

    // The two transfers, as the platform seam passes them on.
    HidCall OnSetFeature(const std::uint8_t* report, std::size_t length);
    HidCall OnGetFeature(std::uint8_t* report, std::size_t length);

    // Keymap geometry and contents: blocks 1 to N of S bytes each, as the commands number
    // them (block 0 and blocks past N do not exist). A new geometry erases every block. The
    // default geometry is 128 bytes by 4 blocks.
    void SetGeometry(std::uint16_t blockSize, std::uint8_t blockCount);
    std::uint16_t BlockSize() const;
    std::uint8_t BlockCount() const;
    // Bytes beyond the block size are ignored, missing ones stay as they were.
    void SetBlock(std::uint8_t block, const Bytes& bytes);
    Bytes Block(std::uint8_t block) const;  // empty for a block outside 1..N

    SlotRecord Slot(int slot) const;  // empty record for a slot outside 0..9

    std::vector<CommandRecord> Log() const;
    std::vector<std::uint8_t> Commands() const;  // the command codes of Log()
    void ClearLog();
    // Waits until at least `count` commands were received since the last ClearLog.
    bool WaitForCommands(std::size_t count, std::chrono::milliseconds wait) const;

    // Faults of the reply. FaultNext applies to the next command received; FaultCommand
    // to every command with this code, or to the next `times` of them.
    void FaultNext(const ReplyFault& fault);
    void FaultCommand(std::uint8_t command, const ReplyFault& fault, int times = kForever);
    // The next command received is carried out and answered with exactly these bytes
    // (served as a reply with length byte packet[1]), whatever they are.
    void QueueRawReply(Bytes packet);
    // Applies to the next write of keymap block `block` only (and before FaultNext).
    void FaultBlockWrite(std::uint8_t block, const BlockWriteFault& fault);
    // While held, replies are made but not served: get-feature answers "not ready".
    void HoldReplies(bool hold);
    // Replies served to their last report so far, and a wait for that count.
    std::uint64_t RepliesServed() const;
    bool WaitRepliesServed(std::uint64_t count, std::chrono::milliseconds wait) const;

    // Faults of the transfers: after `after` good calls, the next `count` calls fail.
    void FailSetFeature(int count, int after = 0);
    void FailGetFeature(int count, int after = 0);
    // From now on every transfer fails, as for a keyboard pulled out.
    void Vanish();
    bool Vanished() const;
    // Time every transfer takes.
    void SetLatency(std::chrono::microseconds latency);
    void ClearFaults();

    std::uint64_t SetFeatureCalls() const;
    std::uint64_t GetFeatureCalls() const;

    static constexpr int kForever = -1;

  private:
    struct Reply {
        std::uint8_t command = 0;
        std::uint8_t status = 0;
        Bytes data;
    };
    struct CallFault {
        int after = 0;
        int count = 0;
        bool Fails();
    };
    struct CommandFault {
        ReplyFault fault;
        int times = kForever;
    };

    void Take(const std::uint8_t* payload, std::size_t length);
    void Receive(const Bytes& packet);
    std::optional<ReplyFault> FaultFor(std::uint8_t command);
    Reply Execute(const Bytes& packet, bool carryOut);
    Reply ReadKeymap(std::uint8_t block) const;
    std::uint8_t WriteKeymap(std::uint8_t block, const std::uint8_t* data, std::size_t count);
    std::uint8_t WriteScript(std::uint8_t sequence, const std::uint8_t* data, std::size_t count);
    void Serve(const Bytes& packet);
    void Delay() const;
    bool Gone();  // vanished, unless the time to come back has come
    void DropOff(std::chrono::milliseconds duration);
    Bytes* Find(std::uint8_t block);
    const Bytes* Find(std::uint8_t block) const;

    const int reportLength_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;

    std::uint16_t blockSize_ = 128;
    std::uint8_t blockCount_ = 4;
    std::vector<Bytes> blocks_;
    std::vector<SlotRecord> slots_;
    std::optional<int> begunSlot_;
    std::vector<CommandRecord> log_;

    Bytes incoming_;  // a command packet being reassembled
    Bytes outgoing_;  // the reply reports still to serve, back to back
    std::size_t served_ = 0;
    std::uint64_t repliesServed_ = 0;
    bool hold_ = false;

    std::deque<ReplyFault> nextFaults_;
    std::map<std::uint8_t, CommandFault> commandFaults_;
    std::deque<Bytes> rawReplies_;
    CallFault setFault_;
    CallFault getFault_;
    bool vanished_ = false;
    std::optional<std::chrono::steady_clock::time_point> backAt_;  // none: gone for good
    std::map<std::uint8_t, BlockWriteFault> blockFaults_;
    std::chrono::microseconds latency_{0};
    std::uint64_t setCalls_ = 0;
    std::uint64_t getCalls_ = 0;
};

}  // namespace vorn::sim
