// vornctl run in-process on simulated keyboards: the arguments go in, the exit status and
// the two streams come out, and the keyboards can be looked at afterwards.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "cli/vornctl/VornctlRun.h"
#include "sim/SimHidPlatform.h"
#include "tests/support/TempDir.h"

namespace vorn::cli::test {

using namespace ::vorn::test;  // the temporary folder and the file helpers

inline constexpr std::uint16_t kBrellowVendor = 0x0F39;
inline constexpr std::uint16_t kOrvaneProProduct = 0x1085;
inline constexpr std::uint16_t kBrellowProduct = 0x108A;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class VornctlFixture : public ::testing::Test {
  protected:
    using Desc = sim::SimHidPlatform::DeviceDescription;

    sim::SimHidPlatform platform;
    vorn::test::TempDir dir;
    PlatformProblem problem;  // what the platform says about its last failure
    bool terminal = false;
    std::chrono::milliseconds replyWait = hid::kReplyWait;
    script::CompileStep compile;  // empty: the compiler itself

    Outcome Run(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const VornctlContext context{platform,
                                     out,
                                     err,
                                     terminal,
                                     [this](hid::HidHandle) { return problem; },
                                     replyWait,
                                     dir.File("temp.o"),
                                     compile,
                                     dir.File("backups"),
                                     std::chrono::milliseconds(10)};
        Outcome outcome;
        outcome.status = VornctlMain(args, context);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }

    static Desc Device(const std::string& path, std::uint16_t vendor, std::uint16_t product) {
        Desc desc;
        desc.path = path;
        desc.vendorId = vendor;
        desc.productId = product;
        return desc;
    }
    sim::SimKeyboard& PlugOrvanePro(const std::string& path = "/dev/hidraw-sim0") {
        return platform.Attach(Device(path, kBrellowVendor, kOrvaneProProduct));
    }
    sim::SimKeyboard& PlugBrellow(const std::string& path = "/dev/hidraw-sim1") {
        return platform.Attach(Device(path, kBrellowVendor, kBrellowProduct));
    }
};

}  // namespace vorn::cli::test
