// vornkbd: a virtual keyboard of one of the supported models, made through /dev/uhid and
// driven by the simulated keyboard's protocol engine. See VornkbdHelp() for the options.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/OwnVersion.h"
#include "cli/vornkbd/KbdOptions.h"
#include "cli/vornkbd/KeyboardDescriptor.h"
#include "cli/vornkbd/KeymapStore.h"
#include "cli/vornkbd/SlotDump.h"
#include "cli/vornkbd/UhidDevice.h"
#include "hid/ModelTable.h"
#include "sim/SimHidPlatform.h"

namespace {

using vorn::kbd::KbdOptions;

// The engine's default geometry, as a keyboard fresh from the factory reports it.
constexpr std::uint16_t kDefaultBlockSize = 128;
constexpr std::uint8_t kDefaultBlockCount = 4;
constexpr char kEnginePath[] = "vornkbd";

static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
std::atomic<bool> stopRequested{false};

extern "C" void OnStopSignal(int) { stopRequested.store(true); }

// Without SA_RESTART, so that the signal also ends a poll that is waiting.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int Fail(const std::string& text) {
    std::cerr << "vornkbd: " << text << '\n';
    return vorn::kbd::kExitFailed;
}

std::string ModelName(const KbdOptions& options) {
    return std::string(vorn::hid::kModelTable[static_cast<std::size_t>(options.model)].name);
}

// The engine as the in-process link sees it: the model's own ids and the keyboard usage,
// whatever the device shows the kernel, so that its keymap can always be loaded and saved.
vorn::sim::SimHidPlatform::DeviceDescription EngineSpec(const KbdOptions& options) {
    const vorn::hid::ModelRow& row =
        vorn::hid::kModelTable[static_cast<std::size_t>(options.model)];
    vorn::sim::SimHidPlatform::DeviceDescription desc;
    desc.path = kEnginePath;
    desc.vendorId = row.vendorId;
    desc.productId = row.productId;
    desc.featureReportByteLength = static_cast<std::uint16_t>(options.reportLength);
    return desc;
}

// Given on the command line, else what the keymap file says, else the factory's.
bool SetGeometry(const KbdOptions& options, vorn::sim::SimKeyboard& keyboard, std::string& error) {
    std::uint16_t size = kDefaultBlockSize;
    std::uint8_t count = kDefaultBlockCount;
    if (!options.keymapFile.empty()) {
        const auto header = vorn::kbd::KeymapStore::Header(options.keymapFile, error);
        if (!header) return false;
        size = static_cast<std::uint16_t>(header->blockSize);
        count = header->blockCount;
    }
    keyboard.SetGeometry(options.blockSize.value_or(size), options.blockCount.value_or(count));
    return true;
}

vorn::kbd::UhidIdentity IdentityFor(const KbdOptions& options) {
    vorn::kbd::UhidIdentity identity;
    identity.name = "VORN " + ModelName(options) + " (vornkbd)";
    identity.phys = "vornkbd/" + std::to_string(::getpid());
    identity.uniq = "vornkbd-" + std::to_string(::getpid());
    identity.vendorId = options.vendorId;
    identity.productId = options.productId;
    identity.descriptor = vorn::kbd::KeyboardDescriptor(options.usage, options.reportLength);
    return identity;
}

void Announce(const KbdOptions& options, const vorn::sim::SimKeyboard& keyboard) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "vornkbd: %s %04x:%04x usage 0x%04X, report length %d, keymap %u x %u; "
                  "stop with Ctrl-C\n",
                  ModelName(options).c_str(), options.vendorId, options.productId, options.usage,
                  options.reportLength, keyboard.BlockSize(), keyboard.BlockCount());
    std::cerr << text << std::flush;
}

bool WriteDump(const std::string& dir, vorn::kbd::KeymapStore& store,
               const vorn::sim::SimKeyboard& keyboard, std::string& error) {
    std::error_code made;
    std::filesystem::create_directories(dir, made);
    if (made) {
        error = "cannot make " + dir + ": " + made.message();
        return false;
    }
    const std::string saved = store.Save(dir + "/keymap.dat");
    if (!saved.empty()) {
        error = dir + "/keymap.dat: " + saved;
        return false;
    }
    return vorn::kbd::WriteSlotDump(keyboard, dir, error);
}

int Serve(const KbdOptions& options, vorn::sim::SimKeyboard& keyboard) {
    vorn::kbd::UhidDevice device;
    std::string error;
    if (!device.Open("/dev/uhid", error) || !device.Create(IdentityFor(options), error)) {
        return Fail(error);
    }
    Announce(options, keyboard);
    vorn::kbd::UhidResponder responder(keyboard, options.verbose ? &std::cerr : nullptr);
    const bool served = device.Serve(responder, stopRequested, error);
    device.Destroy();
    std::cerr << "vornkbd: removed after " << responder.GetRequests() << " GET and "
              << responder.SetRequests() << " SET requests\n";
    return served ? vorn::kbd::kExitOk : Fail(error);
}

int Run(const KbdOptions& options) {
    vorn::sim::SimHidPlatform platform;
    vorn::sim::SimKeyboard& keyboard = platform.Attach(EngineSpec(options));
    vorn::kbd::KeymapStore store(platform);
    std::string error;
    if (!SetGeometry(options, keyboard, error)) return Fail(error);
    if (!options.keymapFile.empty()) {
        const std::string loaded = store.Load(options.keymapFile);
        if (!loaded.empty()) return Fail(options.keymapFile + ": " + loaded);
    }
    if (options.refuseBlock) {
        vorn::sim::SimKeyboard::BlockWriteFault refusal;
        refusal.reply.status = 0x12;  // the keyboard's own refusal, no link failure
        keyboard.FaultBlockWrite(*options.refuseBlock, refusal);
    }
    CatchStopSignals();
    const int status = Serve(options, keyboard);
    if (!options.dumpDir.empty() && !WriteDump(options.dumpDir, store, keyboard, error)) {
        return Fail(error);
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (vorn::app::AsksForVersion(argc, argv)) {
        std::cout << vorn::app::VersionLine("vornkbd");
        return vorn::kbd::kExitOk;
    }
    KbdOptions options;
    std::string problem;
    if (!vorn::kbd::ParseKbdArguments(std::vector<std::string>(argv + 1, argv + argc), options,
                                      problem)) {
        std::cerr << "vornkbd: " << problem << '\n'
                  << vorn::kbd::VornkbdUsage() << "Try 'vornkbd --help' for more.\n";
        return vorn::kbd::kExitUsage;
    }
    if (options.help) {
        std::cout << vorn::kbd::VornkbdHelp();
        return vorn::kbd::kExitOk;
    }
    return Run(options);
}
