// The link's device handle and report length, and the rule that keeps a handle alive
// while a transfer uses it: closing waits for the transfers in progress and refuses new
// ones, so no platform call ever sees a handle that another thread has closed.
//
// Every Attach starts a new epoch. A command remembers the epoch its packet went to, so
// its reply reader never reads from a device that was closed and replaced meanwhile.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "HidPlatform.h"

namespace vorn::hid {

struct LinkTarget {
    std::uint64_t epoch = 0;
    int reportLength = 0;
};

class LinkDevice {
  public:
    explicit LinkDevice(HidPlatform& platform);

    // Closes the device still open, then takes `handle` (an invalid one leaves it closed).
    void Attach(HidHandle handle, int reportLength);
    // Closes the device if one is open; false when it was already closed.
    bool Close();
    // Closes the device only if it is still the one of `epoch` (a failed transfer on an
    // old device must not close its successor).
    void CloseEpoch(std::uint64_t epoch);

    bool IsOpen() const;
    int ReportLength() const;
    std::optional<LinkTarget> Current() const;

    // Calls `transfer(handle)` while the device of `epoch` is held open. False, without
    // calling, when that device is closed or replaced.
    template <class Transfer>
    bool Use(std::uint64_t epoch, Transfer&& transfer) {
        const HidHandle handle = Acquire(epoch);
        if (handle == kInvalidHandle) return false;
        transfer(handle);
        Release();
        return true;
    }

  private:
    HidHandle Acquire(std::uint64_t epoch);
    void Release();
    bool CloseLocked(std::optional<std::uint64_t> epoch);

    HidPlatform& platform_;
    std::mutex lifecycle_;  // one Attach or Close at a time
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    HidHandle handle_ = kInvalidHandle;
    int reportLength_ = 0;
    std::uint64_t epoch_ = 0;
    int users_ = 0;
};

}  // namespace vorn::hid
