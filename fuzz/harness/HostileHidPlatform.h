// A HID platform with one hostile keyboard behind it. Every get-feature call is answered
// from a byte stream (the fuzzer's input): well-formed replies of any length byte, command
// and status, replies with a spoiled checksum, raw reports, short reports, silence, failed
// calls and missing entry points. Set-feature calls succeed, fail or are missing as the
// harness plans for each packet.
//
// The platform also polices its caller: a transfer on a handle that is not open, a
// report of the wrong length or one that does not start with report ID 1, a second
// Close of a handle, a handle never closed: each is a broken invariant (FuzzCheck.h).
//
// Answer stream, one control byte per get-feature call (bits 0-2 pick the kind):
//   0-2  reply: bit 3 spoils the checksum; bits 4-5 pick the reply command (0x2B, 0x2C,
//        0xB0, or the next byte); bit 6: the status is the next byte (else 0); bit 7: the
//        data bytes come from the stream (else a fixed pattern). Then the length byte L.
//        The reply is served over as many reports as the reader is to read for it.
//   3    raw: the next R + 1 bytes are the report
//   4    the call fails            5  the entry point is missing
//   6    nothing ready (report ID 1 and zeros)
//   7    short: the next byte n, then n bytes; the rest of the report stays as it was
// A dry stream fails every call, or answers "nothing ready" for a keyboard that never
// replies (`silentWhenDry`).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <span>
#include <vector>

#include "fuzz/harness/ByteReader.h"
#include "hid/HidPlatform.h"

namespace vorn::fuzz {

using Bytes = std::vector<std::uint8_t>;

class HostileHidPlatform : public hid::HidPlatform {
  public:
    enum class SendOutcome { kOk, kFail, kMissing };
    // What the set-feature call for report `atReport` (from 0) of the next packet answers;
    // the reports before it succeed. A packet with fewer reports goes out whole.
    struct SendPlan {
        SendOutcome outcome = SendOutcome::kOk;
        std::size_t atReport = 0;
    };
    // One get-feature call: what it answered and the report it left.
    struct Read {
        hid::HidCall call = hid::HidCall::kOk;
        Bytes report;
    };

    HostileHidPlatform(std::span<const std::uint8_t> answers, bool silentWhenDry);

    // Opens the keyboard; its transfers must use `reportLength` bytes out and one more in.
    hid::HidHandle OpenKeyboard(int reportLength);
    void PlanSend(SendPlan plan);
    // The reports sent since the last PlanSend.
    std::vector<Bytes> SentReports() const;
    // The get-feature calls since the last set-feature call.
    std::vector<Read> ReadsSinceSend() const;
    // Every handle opened has been closed exactly once.
    void CheckAllClosed() const;

    hid::HidCall GetHidGuid(hid::HidGuid& guid) override;
    hid::HidCall OpenInterfaceSet(const hid::HidGuid& interfaceClass,
                                  hid::InterfaceSet& set) override;
    hid::HidCall EnumInterface(hid::InterfaceSet set, int index) override;
    hid::HidCall GetInterfacePath(hid::InterfaceSet set, int index, std::string& path) override;
    hid::HidCall CloseInterfaceSet(hid::InterfaceSet set) override;
    hid::HidHandle Open(const std::string& path, hid::OpenPurpose purpose) override;
    hid::HidCall GetAttributes(hid::HidHandle handle, hid::HidAttributes& attributes) override;
    hid::HidCall GetCaps(hid::HidHandle handle, hid::HidCaps& caps) override;
    hid::HidCall SetFeature(hid::HidHandle handle, const std::uint8_t* report,
                            std::size_t length) override;
    hid::HidCall GetFeature(hid::HidHandle handle, std::uint8_t* report,
                            std::size_t length) override;
    void Close(hid::HidHandle handle) override;

  private:
    struct Device {
        int reportLength = 0;
        bool open = true;
    };

    // With mutex_ held: the device behind an open handle, or null (a broken invariant).
    const Device* OpenDevice(hid::HidHandle handle, const char* call) const;
    hid::HidCall Answer(std::uint8_t* report, std::size_t length);
    void QueueReply(std::uint8_t control, std::size_t length);

    const bool silentWhenDry_;
    mutable std::mutex mutex_;
    ByteReader answers_;
    std::deque<Bytes> queued_;  // reports of a reply still to be served
    std::map<hid::HidHandle, Device> devices_;
    hid::HidHandle nextHandle_ = 1;
    SendPlan plan_;
    std::vector<Bytes> sent_;
    std::vector<Read> reads_;
};

// Reports of R + 1 bytes that follow the first one of a reply with length byte L, the
// dropped extra one included: what the keyboard serves and the reader reads.
int ReportsAfterFirst(int l, int r);

}  // namespace vorn::fuzz
