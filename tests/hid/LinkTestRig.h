// A link attached to one simulated keyboard, for the link tests.
#pragma once

#include <chrono>
#include <thread>

#include "hid/Link.h"
#include "sim/SimHidPlatform.h"
#include "tests/support/ScriptedUser.h"

namespace vorn::test {

using namespace std::chrono_literals;

// Long enough never to run out on a loaded machine, when a reply does come.
inline constexpr std::chrono::milliseconds kGenerousWait = 3000ms;
// For the tests where the reply never comes (or comes too late).
inline constexpr std::chrono::milliseconds kShortWait = 150ms;

inline constexpr const char* kKeyboardPath = "/sim/hidraw0";

struct LinkRig {
    explicit LinkRig(int reportLength = 9, std::chrono::milliseconds wait = kGenerousWait)
        : keyboard(platform.Attach(
              {.path = kKeyboardPath,
               .vendorId = 0x0F39,
               .productId = 0x0211,
               .featureReportByteLength = static_cast<std::uint16_t>(reportLength)})),
          link(platform, &user, wait) {
        link.Attach(platform.Open(kKeyboardPath, hid::OpenPurpose::kTransfer), reportLength);
    }

    sim::SimHidPlatform platform;
    sim::SimKeyboard& keyboard;
    ScriptedUser user;
    hid::Link link;
};

// Polls `condition` until it holds or a few seconds passed.
template <class Condition>
bool Eventually(Condition condition) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

}  // namespace vorn::test
