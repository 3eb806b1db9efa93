#include "LinkReplySlot.h"

namespace vorn::hid {

void LinkReplySlot::Arm(std::uint64_t generation) {
    std::lock_guard lock(mutex_);
    waiting_ = generation;
    done_ = 0;
}

void LinkReplySlot::Deliver(std::uint64_t generation, const ReplyResult& result) {
    std::lock_guard lock(mutex_);
    if (generation != waiting_) return;
    result_ = result;
    done_ = generation;
    delivered_.notify_all();
}

std::optional<ReplyResult> LinkReplySlot::Wait(std::uint64_t generation,
                                               std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    const bool done = delivered_.wait_for(lock, wait, [&] { return done_ == generation; });
    if (waiting_ == generation) waiting_ = 0;
    if (!done) return std::nullopt;
    return result_;
}

}  // namespace vorn::hid
