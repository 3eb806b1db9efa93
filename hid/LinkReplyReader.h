// The reply reader: runs on a thread of its own for one command. It polls feature reports
// until one starts with the reply lead byte, reads the continuation reports the length
// byte calls for, checks the checksum and hands status and data to the waiting command.
//
// `busy` holds the generation of the command that waits (0 when none): the reader keeps
// polling only while it still holds its own generation, and it clears the flag only from
// its own generation, so a reader left behind by a time-out never disturbs a later command.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

#include "HidPlatform.h"
#include "LinkDevice.h"
#include "LinkProtocol.h"
#include "LinkReplySlot.h"

namespace vorn::hid {

class LinkReplyReader {
  public:
    LinkReplyReader(HidPlatform& platform, LinkDevice& device, LinkReplySlot& slot,
                    std::atomic<std::uint64_t>& busy, std::uint64_t generation, LinkTarget target);

    void Run();

  private:
    enum class Read { kOk, kMissing, kFailed, kGone };
    enum class First { kReply, kFailed, kAbandoned };

    bool StillWaited() const;
    Read ReadReport(std::uint8_t* buffer);
    First ReadFirstReport();
    bool ReadContinuation();
    ReplyResult Unpack() const;
    void Deliver(const ReplyResult& result);
    void Finish(std::uint8_t code);

    HidPlatform& platform_;
    LinkDevice& device_;
    LinkReplySlot& slot_;
    std::atomic<std::uint64_t>& busy_;
    const std::uint64_t generation_;
    const LinkTarget target_;
    std::array<std::uint8_t, kAssembledCapacity> assembled_{};
};

}  // namespace vorn::hid
