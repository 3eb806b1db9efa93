// Where a reply reader hands its result to the command waiting for it. The area belongs
// to the link, not to the command, and every command waits under a generation number of
// its own: a reader that outlives its command (after a time-out) delivers into a slot
// nobody waits on any more, and its completion can never wake a later command.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "LinkProtocol.h"

namespace vorn::hid {

// Status (reply byte 3 or the reader's own failure code), data count (L - 3) and data
// (copied only for the reply codes that carry data; zero otherwise).
struct ReplyResult {
    std::uint8_t status = 0;
    std::uint8_t count = 0;
    std::array<std::uint8_t, kMaxData> data{};
};

class LinkReplySlot {
  public:
    // Starts waiting for the reply of `generation`; an earlier delivery is forgotten.
    void Arm(std::uint64_t generation);
    // Kept only while the command of `generation` still waits.
    void Deliver(std::uint64_t generation, const ReplyResult& result);
    // The result of `generation`, or nothing after `wait`. Either way the command stops
    // waiting, so a later delivery for it is dropped.
    std::optional<ReplyResult> Wait(std::uint64_t generation, std::chrono::milliseconds wait);

  private:
    std::mutex mutex_;
    std::condition_variable delivered_;
    std::uint64_t waiting_ = 0;
    std::uint64_t done_ = 0;
    ReplyResult result_;
};

}  // namespace vorn::hid
