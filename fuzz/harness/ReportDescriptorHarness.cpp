// The report-descriptor parser over arbitrary bytes. Besides not crashing, it must give
// the same answer for the same bytes, describe at least one collection when it accepts,
// give every report length as 0 (no such report) or at least 2 (one data byte and the
// report ID), skip a leading long item, and refuse a descriptor whose last item is cut
// short.
#include <vector>

#include "fuzz/harness/FuzzCheck.h"
#include "fuzz/harness/Harnesses.h"
#include "hid/linux/ReportDescriptor.h"

namespace vorn::fuzz {

namespace {

bool SameCaps(const hid::HidCaps& a, const hid::HidCaps& b) {
    return a.usage == b.usage && a.usagePage == b.usagePage &&
           a.inputReportByteLength == b.inputReportByteLength &&
           a.outputReportByteLength == b.outputReportByteLength &&
           a.featureReportByteLength == b.featureReportByteLength;
}

bool Same(const std::optional<std::vector<hid::HidCaps>>& a,
          const std::optional<std::vector<hid::HidCaps>>& b) {
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    if (a->size() != b->size()) return false;
    for (std::size_t i = 0; i < a->size(); ++i) {
        if (!SameCaps((*a)[i], (*b)[i])) return false;
    }
    return true;
}

bool PlausibleLength(std::uint16_t length) { return length == 0 || length >= 2; }

}  // namespace

void RunReportDescriptorInput(std::span<const std::uint8_t> input) {
    // An exact-size copy, so that a read past the end is caught even when the caller's
    // buffer is larger.
    const std::vector<std::uint8_t> bytes(input.begin(), input.end());
    const auto parsed = hid::ParseReportDescriptor(bytes);
    Check(Same(parsed, hid::ParseReportDescriptor(bytes)), "the parser answers differently twice");
    if (parsed) {
        Check(!parsed->empty(), "an accepted descriptor without collections");
        for (const hid::HidCaps& caps : *parsed) {
            Check(PlausibleLength(caps.inputReportByteLength) &&
                      PlausibleLength(caps.outputReportByteLength) &&
                      PlausibleLength(caps.featureReportByteLength),
                  "a report length of 1: the report ID byte without any data");
        }
    }

    // A long item (prefix FE, data size 0, a tag) carries nothing the parser uses.
    std::vector<std::uint8_t> longFirst{0xFE, 0x00, 0x10};
    longFirst.insert(longFirst.end(), bytes.begin(), bytes.end());
    Check(Same(parsed, hid::ParseReportDescriptor(longFirst)),
          "a leading long item changed the parse");

    // After an accepted descriptor (which ends between items), a Usage Page item that
    // announces two data bytes and brings one.
    if (!parsed) return;
    std::vector<std::uint8_t> cut = bytes;
    cut.insert(cut.end(), {0x06, 0x00});
    Check(!hid::ParseReportDescriptor(cut), "a descriptor with a truncated last item was accepted");
}

}  // namespace vorn::fuzz
