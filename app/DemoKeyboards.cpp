#include "app/DemoKeyboards.h"

#include <chrono>
#include <cstdint>
#include <fstream>

namespace vorn::app {
namespace {

using namespace std::chrono_literals;

struct DemoScript {
    const char* name;
    const char* text;  // lines ended by CR LF, as the script editor writes them
};

constexpr DemoScript kScripts[] = {
    {"hello.vs",
     "' Types a greeting.\r\n"
     "PRINT \"Hello<ENT>\"\r\n"
     "END\r\n"},
    {"countdown.vs",
     "' Counts down from 5, one number a second.\r\n"
     "R1=5\r\n"
     "AGAIN:\r\n"
     "PRINT R1\r\n"
     "WAIT 1000\r\n"
     "R1=R1-1\r\n"
     "IF R1>0 THEN\r\n"
     "  GOTO AGAIN\r\n"
     "END IF\r\n"
     "END\r\n"},
    {"broken.vs",
     "' A script with a mistake, to see how the program reports one.\r\n"
     "PRINT \"Hi\"\r\n"
     "JUMP SOMEWHERE\r\n"
     "END\r\n"},
};

// A keymap that reads like one: every block, 1 to N as the keyboard numbers them, holds a
// run of key codes.
void FillKeymap(sim::SimKeyboard& keyboard, std::uint8_t first) {
    for (int block = 1; block <= keyboard.BlockCount(); ++block) {
        sim::Bytes bytes(keyboard.BlockSize());
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(first + block * 16 + i);
        keyboard.SetBlock(static_cast<std::uint8_t>(block), bytes);
    }
}

sim::SimKeyboard& AttachKeyboard(sim::SimHidPlatform& platform, const char* path,
                                 std::uint16_t productId) {
    sim::SimHidPlatform::DeviceDescription desc;
    desc.path = path;
    desc.vendorId = 0x0F39;
    desc.productId = productId;
    sim::SimKeyboard& keyboard = platform.Attach(desc);
    keyboard.SetLatency(2ms);
    return keyboard;
}

}  // namespace

void AttachDemoKeyboards(sim::SimHidPlatform& platform) {
    FillKeymap(AttachKeyboard(platform, kDemoOrvanePath, 0x1085), 0x04);
    FillKeymap(AttachKeyboard(platform, kDemoTessikPath, 0x0876), 0x1E);
}

std::vector<std::string> WriteDemoScripts(const std::string& folder) {
    std::vector<std::string> names;
    for (const DemoScript& script : kScripts) {
        std::ofstream(folder + "/" + script.name, std::ios::binary) << script.text;
        names.push_back(script.name);
    }
    return names;
}

}  // namespace vorn::app
