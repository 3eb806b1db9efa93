// One entry point per fuzz target. Each takes an arbitrary input, drives the code under
// test with it and checks the invariants that must hold for every input (FuzzCheck.h).
// The libFuzzer targets (fuzz/targets/) and the regression test (tests/fuzz/) call the
// same functions, so an input that once broke something is replayed exactly.
#pragma once

#include <cstdint>
#include <span>

namespace vorn::fuzz {

// The bytes are a script file; compiled for layout 1, layout 2, then layout 1 again.
void RunCompilerInput(std::span<const std::uint8_t> input);

// Four bytes of keyboard (block size, block count, injected fault), then the keymap file:
// the header check alone, and a download of the file into a simulated keyboard.
void RunKeymapInput(std::span<const std::uint8_t> input);

// A report length, a list of link operations, then the answers of a hostile device to
// every get-feature call (LinkHarness.cpp has the layout).
void RunLinkInput(std::span<const std::uint8_t> input);

// The bytes are a HID report descriptor.
void RunReportDescriptorInput(std::span<const std::uint8_t> input);

// The bytes are a version block, or an executable file that may hold one.
void RunVersionBlockInput(std::span<const std::uint8_t> input);

}  // namespace vorn::fuzz
