#include "app/DemoKeyboards.h"

#include <chrono>
#include <cstdint>
#include <fstream>

namespace vorn::app {
namespace {

using namespace std::chrono_literals;

struct DemoScript {
    const char* name;
    const char* text;
};

// The example scripts of examples/, as they are installed with the documentation.
constexpr DemoScript kExamples[] = {
#include "app/DemoExamples.inc"
};

// Besides the examples, a script with a mistake, to see how the program reports one.
constexpr DemoScript kBroken = {"broken.vs",
                                "' A script with a mistake, to see how the program reports one.\r\n"
                                "PRINT \"Hi\"\r\n"
                                "JUMP SOMEWHERE\r\n"
                                "END\r\n"};

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
    auto write = [&](const DemoScript& script) {
        std::ofstream(folder + "/" + script.name, std::ios::binary) << script.text;
        names.push_back(script.name);
    };
    for (const DemoScript& script : kExamples) write(script);
    write(kBroken);
    return names;
}

}  // namespace vorn::app
