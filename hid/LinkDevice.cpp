#include "LinkDevice.h"

namespace vorn::hid {

LinkDevice::LinkDevice(HidPlatform& platform) : platform_(platform) {}

void LinkDevice::Attach(HidHandle handle, int reportLength) {
    std::lock_guard lifecycle(lifecycle_);
    CloseLocked(std::nullopt);
    std::lock_guard lock(mutex_);
    handle_ = handle;
    reportLength_ = reportLength;
    ++epoch_;
}

bool LinkDevice::Close() {
    std::lock_guard lifecycle(lifecycle_);
    return CloseLocked(std::nullopt);
}

void LinkDevice::CloseEpoch(std::uint64_t epoch) {
    std::lock_guard lifecycle(lifecycle_);
    CloseLocked(epoch);
}

bool LinkDevice::CloseLocked(std::optional<std::uint64_t> epoch) {
    HidHandle closing = kInvalidHandle;
    {
        std::unique_lock lock(mutex_);
        if (handle_ == kInvalidHandle || (epoch && *epoch != epoch_)) return false;
        closing = handle_;
        handle_ = kInvalidHandle;  // from here on no transfer starts on it
        idle_.wait(lock, [this] { return users_ == 0; });
    }
    platform_.Close(closing);
    return true;
}

bool LinkDevice::IsOpen() const {
    std::lock_guard lock(mutex_);
    return handle_ != kInvalidHandle;
}

int LinkDevice::ReportLength() const {
    std::lock_guard lock(mutex_);
    return reportLength_;
}

std::optional<LinkTarget> LinkDevice::Current() const {
    std::lock_guard lock(mutex_);
    if (handle_ == kInvalidHandle) return std::nullopt;
    return LinkTarget{epoch_, reportLength_};
}

HidHandle LinkDevice::Acquire(std::uint64_t epoch) {
    std::lock_guard lock(mutex_);
    if (handle_ == kInvalidHandle || epoch != epoch_) return kInvalidHandle;
    ++users_;
    return handle_;
}

void LinkDevice::Release() {
    std::lock_guard lock(mutex_);
    if (--users_ == 0) idle_.notify_all();
}

}  // namespace vorn::hid
