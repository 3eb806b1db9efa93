// The keyboard link against a hostile keyboard. Input layout:
//
//   byte 0       report length R: 2 + b % 19 for b < 0xE0, else (b & 0x1F) - 4 (-4..27)
//   byte 1       bits 0 and 7 both set: the keyboard goes silent when the answers run dry
//                (replies then time out after a very short wait, and at most 3
//                operations run, since each time-out costs a wait); bits 1-4: operations - 1
//   4 bytes      per operation: kind (% 11), parameter, count, plan
//                plan bits 0-1: set-feature outcome (1 fails, 2 missing, else ok),
//                bits 2-4: at which report; bit 5: write data is null; bit 6: count + 256
//   the rest     the keyboard's answers (HostileHidPlatform.h)
//
// Every operation must come back with a status, and the status, the outputs and the link
// state must be what the reports that went out and came in call for; no output is written
// beyond its bounds, no command is left waiting, and no handle is used after its close.
#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "fuzz/harness/ByteReader.h"
#include "fuzz/harness/FuzzCheck.h"
#include "fuzz/harness/Harnesses.h"
#include "fuzz/harness/HostileHidPlatform.h"
#include "hid/Link.h"
#include "tests/support/ScriptedUser.h"

namespace vorn::fuzz {

namespace {

using hid::HidCall;
using Send = HostileHidPlatform::SendOutcome;

constexpr std::chrono::milliseconds kSilentWait{2};
// Long enough never to run out while the keyboard still answers.
constexpr std::chrono::milliseconds kAnsweringWait{5000};
constexpr std::size_t kMaxData = 252;
constexpr std::uint8_t kCanary = 0xC3;
constexpr std::size_t kCanaryBytes = 16;
constexpr const char* kTimeoutMessage = "WaitForSingleObject timeout";

enum Kind {
    kGetProperty,
    kReadKeymapBlock,
    kEraseKeymap,
    kWriteKeymapBlock,
    kEraseSlot,
    kBeginSlot,
    kWriteScript,
    kSendPacket,
    kCloseLink,
    kMarkClosed,
    kReopen,
    kKinds
};

struct Operation {
    Kind kind = kGetProperty;
    std::uint8_t parameter = 0;
    std::size_t count = 0;
    bool nullData = false;
    HostileHidPlatform::SendPlan plan;
};

int ReportLengthFor(std::uint8_t code) { return code < 0xE0 ? 2 + code % 19 : (code & 0x1F) - 4; }

bool ValidReportLength(int r) { return r >= 2 && r <= 20; }

Operation ReadOperation(ByteReader& in) {
    Operation op;
    op.kind = static_cast<Kind>(in.Byte() % kKinds);
    op.parameter = in.Byte();
    op.count = in.Byte();
    const std::uint8_t plan = in.Byte();
    const int outcome = plan & 0x03;
    op.plan.outcome = outcome == 1 ? Send::kFail : outcome == 2 ? Send::kMissing : Send::kOk;
    op.plan.atReport = (plan >> 2) & 0x07;
    op.nullData = plan & 0x20;
    if (plan & 0x40) op.count += 256;
    return op;
}

Bytes Pattern(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 29 + count);
    return bytes;
}

// EA L command [parameter] data... checksum.
Bytes CommandPacket(std::uint8_t command, std::optional<std::uint8_t> parameter,
                    const Bytes& data = {}) {
    Bytes packet{0xEA, 0, command};
    if (parameter) packet.push_back(*parameter);
    packet.insert(packet.end(), data.begin(), data.end());
    packet[1] = static_cast<std::uint8_t>(packet.size() - 1);
    std::uint8_t x = 0;
    for (std::uint8_t b : packet) x ^= b;
    packet.push_back(x);
    return packet;
}

// The packet as reports of R bytes: report ID 1, R - 1 packet bytes, zeros after the end.
std::vector<Bytes> Reports(const Bytes& packet, int r) {
    std::vector<Bytes> reports;
    const std::size_t payload = static_cast<std::size_t>(r) - 1;
    for (std::size_t at = 0; at < packet.size(); at += payload) {
        Bytes report(static_cast<std::size_t>(r), 0);
        report[0] = 0x01;
        std::copy_n(packet.begin() + at, std::min(payload, packet.size() - at), report.begin() + 1);
        reports.push_back(std::move(report));
    }
    return reports;
}

// What a reply reader must make of the reports it read, worked out from the protocol.
struct Expected {
    bool complete = false;    // the reads hold a whole reply or a failure
    std::size_t reads = 0;    // get-feature calls the reader needs for it
    bool shortReply = false;  // length byte below 3: any non-zero status will do
    std::uint8_t status = 0;
    bool closes = false;  // a failed call closes the link
    std::uint8_t count = 0;
    std::array<std::uint8_t, kMaxData> data{};
};

Expected ExpectReply(const std::vector<HostileHidPlatform::Read>& reads, int r) {
    Expected e;
    const std::size_t size = static_cast<std::size_t>(r) + 1;
    std::size_t i = 0;
    auto failed = [&](std::uint8_t status) {
        e.complete = true;
        e.reads = i;
        e.status = status;
        e.closes = reads[i - 1].call == HidCall::kFailed;
        return e;
    };
    for (;;) {
        if (i == reads.size()) return e;
        if (reads[i++].call != HidCall::kOk) return failed(0xE4);
        if (reads[i - 1].report[0] == 0xED) break;
    }
    Bytes assembled(300 + size * 2, 0);
    std::copy(reads[i - 1].report.begin(), reads[i - 1].report.end(), assembled.begin());
    const int l = assembled[1];
    const int after = ReportsAfterFirst(l, r);
    for (int k = 1; k <= after; ++k) {
        if (i == reads.size()) return e;
        if (reads[i++].call != HidCall::kOk) return failed(0xE5);
        if (k < after) {
            assembled.resize(std::max(assembled.size(), size * (k + 1)));
            std::copy(reads[i - 1].report.begin(), reads[i - 1].report.end(),
                      assembled.begin() + static_cast<std::ptrdiff_t>(size * k));
        }
    }
    e.complete = true;
    e.reads = i;
    std::uint8_t x = 0;
    for (int k = 0; k <= l; ++k) x ^= assembled[k];
    if (x != assembled[l + 1]) {
        e.status = 0xF0;
        return e;
    }
    if (l < 3) {
        e.shortReply = true;
        return e;
    }
    e.status = assembled[3];
    e.count = static_cast<std::uint8_t>(l - 3);
    const std::uint8_t command = assembled[2];
    if (command == 0x2B || command == 0x2C || command == 0xB0) {
        std::copy_n(assembled.begin() + 4, e.count, e.data.begin());
    }
    return e;
}

class LinkRun {
  public:
    LinkRun(std::span<const std::uint8_t> answers, bool silent, int r)
        : platform_(answers, silent),
          owned_(std::make_unique<hid::Link>(platform_, &user_,
                                             silent ? kSilentWait : kAnsweringWait)),
          link_(*owned_) {
        Reopen(r);
    }

    void Run(const Operation& op);
    // Ends the link (which closes its device and waits for its reader), then every handle
    // must have been closed.
    void Finish() {
        owned_.reset();
        platform_.CheckAllClosed();
    }

  private:
    void Reopen(int r) {
        link_.Attach(platform_.OpenKeyboard(r), r);
        Check(link_.IsOpen() && link_.ReportLength() == r, "attached keyboard is not open");
    }
    void Command(const Operation& op, const Bytes& packet, bool badCount,
                 const std::function<std::uint8_t()>& issue,
                 const std::function<void(std::uint8_t, const Expected*)>& outputs);
    void CheckSend(const Bytes& packet, int r, const HostileHidPlatform::SendPlan& plan,
                   bool& sentWhole);
    void SendPacket(const Operation& op);
    void GetProperty(const Operation& op);
    void ReadKeymapBlock(const Operation& op);
    void Write(const Operation& op, std::uint8_t command);

    HostileHidPlatform platform_;
    test::ScriptedUser user_;
    std::unique_ptr<hid::Link> owned_;
    hid::Link& link_;
};

// The reports that went out are the packet's, whole or up to the planned failure.
void LinkRun::CheckSend(const Bytes& packet, int r, const HostileHidPlatform::SendPlan& plan,
                        bool& sentWhole) {
    std::vector<Bytes> expected = Reports(packet, r);
    sentWhole = plan.outcome == Send::kOk || plan.atReport >= expected.size();
    if (!sentWhole) expected.resize(plan.atReport + 1);
    Check(platform_.SentReports() == expected, "the reports sent are not the packet's");
}

void LinkRun::Command(const Operation& op, const Bytes& packet, bool badCount,
                      const std::function<std::uint8_t()>& issue,
                      const std::function<void(std::uint8_t, const Expected*)>& outputs) {
    const bool wasOpen = link_.IsOpen();
    const int r = link_.ReportLength();
    const std::size_t messages = user_.Messages().size();
    platform_.PlanSend(op.plan);
    const std::uint8_t status = issue();
    // The keyboard may answer with any status byte, the link's own codes included, so
    // only the message tells a time-out apart.
    const std::vector<std::string> shown = user_.Messages();
    const bool timedOut = shown.size() > messages;
    Check(shown.size() <= messages + 1, "one command showed several messages");
    if (timedOut) {
        Check(shown.back() == kTimeoutMessage,
              "a command showed another message than the time-out");
        Check(status == 0xE3, "a time-out did not return HID_ERR_TIMEOUT");
    }
    Check(!link_.IsBusy(), "a command returned with the link still busy");
    if (!wasOpen) {
        Check(status == 0xE1 && !timedOut,
              "a command on a closed link did not return HID_ERR_NOT_OPEN");
        Check(platform_.SentReports().empty(), "a command on a closed link sent reports");
        return outputs(status, nullptr);
    }
    if (badCount || !ValidReportLength(r)) {
        Check((badCount && status == 0xE8) || (!ValidReportLength(r) && status == 0xE6),
              "a packet the link cannot send got another status than its refusal");
        Check(platform_.SentReports().empty() && !timedOut, "a refused packet went out");
        Check(link_.IsOpen(), "a refused packet closed the link");
        return outputs(status, nullptr);
    }
    bool sentWhole = false;
    CheckSend(packet, r, op.plan, sentWhole);
    if (!sentWhole) {
        Check(status == 0xE2 && !timedOut, "a failed send did not return HID_ERR_WRITE");
        Check(link_.IsOpen() == (op.plan.outcome == Send::kMissing),
              "a failed send must close the link, a missing send function must not");
        return outputs(status, nullptr);
    }
    if (timedOut) return outputs(status, nullptr);
    const std::vector<HostileHidPlatform::Read> reads = platform_.ReadsSinceSend();
    const Expected e = ExpectReply(reads, r);
    Check(e.complete, "the reader gave up before the reply was complete");
    if (!e.complete) return;
    Check(reads.size() == e.reads, "the reader read more reports than the reply has");
    if (e.shortReply) {
        Check(status != 0, "a reply without room for a status counted as success");
    } else {
        Check(status == e.status, "status differs from the reply's");
    }
    Check(link_.IsOpen() == !e.closes,
          "the link is open when it should be closed, or closed when it should be open");
    outputs(status, &e);
}

void LinkRun::GetProperty(const Operation& op) {
    std::uint16_t size = 0xA5A5;
    std::uint8_t count = 0x5A;
    Command(
        op, CommandPacket(0x2C, std::nullopt), false,
        [&] { return link_.GetProperty(size, count); },
        [&](std::uint8_t status, const Expected* e) {
            if (!e) {
                Check(size == 0xA5A5 && count == 0x5A,
                      "GetProperty wrote its outputs without a reply");
            } else if (status == 0) {
                Check(size == (e->data[0] << 8 | e->data[1]) && count == e->data[2],
                      "GetProperty outputs are not the reply's data");
            } else if (status != 0) {
                Check(size == 0 && count == 0,
                      "GetProperty outputs not cleared on a failure status");
            }
        });
}

void LinkRun::ReadKeymapBlock(const Operation& op) {
    std::array<std::uint8_t, kCanaryBytes + kMaxData + kCanaryBytes> area;
    area.fill(kCanary);
    std::uint8_t* destination = area.data() + kCanaryBytes;
    std::uint8_t length = 0x77;
    Command(
        op, CommandPacket(0x2B, op.parameter), false,
        [&] { return link_.ReadKeymapBlock(destination, op.parameter, length); },
        [&](std::uint8_t, const Expected* e) {
            Check(std::all_of(area.begin(), area.begin() + kCanaryBytes,
                              [](std::uint8_t b) { return b == kCanary; }) &&
                      std::all_of(area.end() - kCanaryBytes, area.end(),
                                  [](std::uint8_t b) { return b == kCanary; }),
                  "ReadKeymapBlock wrote outside its 252-byte destination");
            Check(length <= kMaxData, "ReadKeymapBlock length beyond 252");
            if (length > kMaxData) return;
            Check(std::all_of(destination + length, destination + kMaxData,
                              [](std::uint8_t b) { return b == kCanary; }),
                  "ReadKeymapBlock wrote beyond the length it reported");
            if (!e) {
                Check(length == 0, "ReadKeymapBlock reported data without a reply");
            } else {
                Check(length == e->count &&
                          std::equal(destination, destination + length, e->data.begin()),
                      "ReadKeymapBlock data is not the reply's");
            }
        });
}

void LinkRun::Write(const Operation& op, std::uint8_t command) {
    const Bytes data = Pattern(op.count);
    const std::uint8_t* bytes = op.nullData ? nullptr : data.data();
    const bool badCount = op.count > kMaxData || (op.count > 0 && !bytes);
    const Bytes packet = badCount ? Bytes{} : CommandPacket(command, op.parameter, data);
    Command(
        op, packet, badCount,
        [&] {
            return command == 0x2A ? link_.WriteKeymapBlock(op.count, op.parameter, bytes)
                                   : link_.WriteScript(op.count, op.parameter, bytes);
        },
        [](std::uint8_t, const Expected*) {});
}

void LinkRun::SendPacket(const Operation& op) {
    const Bytes data = Pattern(op.count);
    const bool wasOpen = link_.IsOpen();
    const int r = link_.ReportLength();
    platform_.PlanSend(op.plan);
    const bool sent = link_.SendPacket(data.data(), data.size());
    if (data.empty()) {
        Check(sent && platform_.SentReports().empty(), "an empty packet must succeed unsent");
    } else if (!wasOpen || !ValidReportLength(r)) {
        Check(!sent && platform_.SentReports().empty(),
              "a packet went out on a closed or unusable link");
    } else {
        bool sentWhole = false;
        CheckSend(data, r, op.plan, sentWhole);
        Check(sent == sentWhole, "SendPacket result differs from what went out");
        Check(link_.IsOpen() == (sentWhole || op.plan.outcome == Send::kMissing),
              "a failed send must close the link, a missing send function must not");
    }
}

void LinkRun::Run(const Operation& op) {
    const auto status = [](std::uint8_t, const Expected*) {};
    switch (op.kind) {
        case kGetProperty:
            return GetProperty(op);
        case kReadKeymapBlock:
            return ReadKeymapBlock(op);
        case kEraseKeymap:
            return Command(
                op, CommandPacket(0x29, std::nullopt), false, [&] { return link_.EraseKeymap(); },
                status);
        case kWriteKeymapBlock:
            return Write(op, 0x2A);
        case kEraseSlot:
            return Command(
                op, CommandPacket(0x44, op.parameter), false,
                [&] { return link_.EraseSlot(op.parameter); }, status);
        case kBeginSlot:
            return Command(
                op, CommandPacket(0x45, op.parameter), false,
                [&] { return link_.BeginSlot(op.parameter); }, status);
        case kWriteScript:
            return Write(op, 0x47);
        case kSendPacket:
            return SendPacket(op);
        case kCloseLink:
            link_.CloseLink();
            Check(!link_.IsOpen() && !link_.IsBusy(), "CloseLink left the link open or busy");
            return;
        case kMarkClosed:
            link_.MarkClosed();
            Check(!link_.IsOpen(), "MarkClosed left the link open");
            return;
        case kReopen:
            return Reopen(ReportLengthFor(op.parameter));
        case kKinds:
            return;
    }
}

}  // namespace

void RunLinkInput(std::span<const std::uint8_t> input) {
    ByteReader in(input);
    const int r = ReportLengthFor(in.Byte());
    const std::uint8_t flags = in.Byte();
    const bool silent = (flags & 0x81) == 0x81;
    const int operations = silent ? 1 + ((flags >> 1) & 0x0F) % 3 : 1 + ((flags >> 1) & 0x0F);
    std::vector<Operation> ops;
    for (int i = 0; i < operations; ++i) ops.push_back(ReadOperation(in));
    LinkRun run(in.Rest(), silent, r);
    for (const Operation& op : ops) run.Run(op);
    run.Finish();
}

}  // namespace vorn::fuzz
