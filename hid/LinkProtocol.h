// The bytes of the keyboard's feature-report protocol, written once for the link and for
// anything that speaks the keyboard's side of it.
//
//   command packet  EA  L  cmd  param...          xor    (L + 2 bytes)
//   reply packet    ED  L  cmd  status  data...   xor    (L + 2 bytes)
//
// L counts the bytes after it, checksum included; xor is the XOR of every byte before it.
// Outgoing packets travel in reports of R bytes (report ID, then R - 1 packet bytes);
// replies are read in reports of R + 1 bytes, the first one starting with the lead byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorn::hid {

inline constexpr std::uint8_t kReportId = 0x01;
inline constexpr std::uint8_t kCommandLead = 0xEA;
inline constexpr std::uint8_t kReplyLead = 0xED;

inline constexpr std::uint8_t CMD_ERASE_KEYMAP = 0x29;
inline constexpr std::uint8_t CMD_WRITE_KEYMAP = 0x2A;
inline constexpr std::uint8_t CMD_READ_KEYMAP = 0x2B;
inline constexpr std::uint8_t CMD_GET_PROPERTY = 0x2C;
inline constexpr std::uint8_t CMD_ERASE_SLOT = 0x44;
inline constexpr std::uint8_t CMD_BEGIN_SLOT = 0x45;
inline constexpr std::uint8_t CMD_WRITE_SCRIPT = 0x47;
// A reply code whose data the link also hands over (no request of ours produces it).
inline constexpr std::uint8_t kReplyWithData = 0xB0;

// Offsets inside a packet.
inline constexpr std::size_t kLeadAt = 0;
inline constexpr std::size_t kLengthAt = 1;
inline constexpr std::size_t kCommandAt = 2;
inline constexpr std::size_t kStatusAt = 3;  // reply only
inline constexpr std::size_t kReplyDataAt = 4;

// Report lengths the link can drive: an outgoing report is built in 20 bytes.
inline constexpr int kMinReportLength = 2;
inline constexpr int kMaxReportLength = 20;

// The length byte is 8 bits: a reply carries at most 255 - 3 data bytes, and a write
// command (cmd, one parameter byte, data, checksum) at most 255 - 3 data bytes too.
inline constexpr std::size_t kMaxPacketLength = 255 + 2;
inline constexpr std::size_t kMaxData = 252;
// Command and status byte plus the checksum: the shortest reply that holds a status.
inline constexpr std::uint8_t kMinReplyLength = 3;

inline constexpr bool ValidReportLength(int r) {
    return r >= kMinReportLength && r <= kMaxReportLength;
}

inline constexpr std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < count; ++i) x ^= bytes[i];
    return x;
}

// Reports of R + 1 bytes that follow the first one of a reply with length byte L. The
// reader reads one more than this and drops it; the keyboard serves that one too.
inline constexpr int ContinuationCount(int l, int r) {
    if (l < r - 1) return 0;
    if (l == r - 1) return 1;
    const int beyond = l - (r - 1);
    return (beyond + r) / (r + 1);  // beyond / (R + 1), rounded up
}

// Bytes the reader stores for a reply: the first report and every continuation report,
// each R + 1 bytes (the dropped extra report is not stored).
inline constexpr std::size_t AssembledLength(int l, int r) {
    return static_cast<std::size_t>(r + 1) * static_cast<std::size_t>(ContinuationCount(l, r) + 1);
}

namespace detail {
constexpr std::size_t LongestAssembly() {
    std::size_t longest = 0;
    for (int r = kMinReportLength; r <= kMaxReportLength; ++r)
        for (int l = 0; l <= 255; ++l)
            if (AssembledLength(l, r) > longest) longest = AssembledLength(l, r);
    return longest;
}
}  // namespace detail

inline constexpr std::size_t kAssembledCapacity = 273;
static_assert(detail::LongestAssembly() == kAssembledCapacity,
              "the longest reply (R = 20, L = 255) fills 273 assembled bytes");

}  // namespace vorn::hid
