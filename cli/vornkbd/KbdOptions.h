// vornkbd's command line: which keyboard to pretend to be, its keymap geometry and
// contents, and where to leave its state when it is stopped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorn::kbd {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct KbdOptions {
    bool help = false;
    int model = -1;  // row of the model table
    // How the device presents itself: the model's ids and the keyboard link's usage,
    // unless overridden to try a device the program does not take.
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usage = 0x0080;
    int reportLength = 9;  // R, report ID byte included
    std::optional<std::uint16_t> blockSize;
    std::optional<std::uint8_t> blockCount;
    std::string keymapFile;  // loaded before the device appears
    std::string dumpDir;     // keymap.dat, slots.txt and slotK.txt, written on the way out
    bool verbose = false;
    // Refuses the first write of this keymap block (after the --keymap file is loaded), as
    // a keyboard that fails half-way through a download.
    std::optional<std::uint8_t> refuseBlock;
};

// The arguments after the program name; false with what is wrong in `problem`.
bool ParseKbdArguments(const std::vector<std::string>& args, KbdOptions& options,
                       std::string& problem);

std::string VornkbdUsage();
std::string VornkbdHelp();

}  // namespace vorn::kbd
