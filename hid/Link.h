// The keyboard link: one opened keyboard interface, the feature-report transport to it,
// and the seven keyboard commands. Every command returns a one-byte status: 0 is success,
// the HID_ERR_* codes below are the link's own failures, anything else is the keyboard's
// own failure code passed through unchanged. Commands never throw.
//
// Command packet (host to keyboard) and reply packet (keyboard to host):
//
//   EA  L  cmd  param...          xor        L = bytes after L, checksum included
//   ED  L  cmd  status  data...   xor        xor = XOR of every byte before it
//
// A packet travels cut into feature reports of R bytes (report ID 1, then R - 1 packet
// bytes); replies are read as reports of R + 1 bytes. R is the keyboard's feature report
// length, 2 to 20.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "HidPlatform.h"
#include "hid/MessageSink.h"

namespace vorn::hid {

inline constexpr std::uint8_t HID_OK = 0x00;
inline constexpr std::uint8_t HID_ERR_NOT_OPEN = 0xE1;
inline constexpr std::uint8_t HID_ERR_WRITE = 0xE2;
inline constexpr std::uint8_t HID_ERR_TIMEOUT = 0xE3;
inline constexpr std::uint8_t HID_ERR_READ = 0xE4;
inline constexpr std::uint8_t HID_ERR_READ_MORE = 0xE5;
inline constexpr std::uint8_t HID_ERR_CHECKSUM = 0xF0;
// The link's own failures beyond those above:
// The link's report length is outside 2..20: nothing is sent, no report is built.
inline constexpr std::uint8_t HID_ERR_REPORT_LENGTH = 0xE6;
// A reply whose length byte is below 3 has no room for a status (checksum correct).
inline constexpr std::uint8_t HID_ERR_SHORT_REPLY = 0xE7;
// WriteKeymapBlock / WriteScript with more than 252 data bytes (or no data): the length
// byte would wrap, so nothing is sent.
inline constexpr std::uint8_t HID_ERR_TOO_LONG = 0xE8;

inline constexpr std::chrono::milliseconds kReplyWait{5000};

class Link {
  public:
    // `user` receives the time-out message; it may be null (the message is then dropped).
    // Tests pass a shorter reply wait; the program uses kReplyWait.
    Link(HidPlatform& platform, MessageSink* user,
         std::chrono::milliseconds replyWait = kReplyWait);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    HidPlatform& Platform();
    void SetUser(MessageSink* user);

    // Makes `handle` the link's device with report length R (the keyboard opening does
    // this). A handle still open is closed first. An invalid handle leaves the link closed.
    void Attach(HidHandle handle, int reportLength);
    bool IsOpen() const;
    int ReportLength() const;
    // Closes the device if it is open and marks the link closed (a rebuild of the device
    // list does this); safe while a command runs on another thread, which then fails:
    // HID_ERR_WRITE while its packet goes out, HID_ERR_READ while it waits. A transfer in
    // progress is finished first; no platform call sees a closed handle.
    void MarkClosed();
    // Closes the device, drops the reply event and clears the busy flag; a command still
    // waiting on another thread returns HID_ERR_READ. Does nothing when already closed.
    void CloseLink();
    // True while a command waits for its reply.
    bool IsBusy() const;

    // Sends a whole command packet as feature reports. True also for length 0 (nothing is
    // sent); false when the link is closed or its report length is outside 2..20.
    bool SendPacket(const std::uint8_t* packet, std::size_t length);

    // Each command: HID_ERR_NOT_OPEN (nothing sent), HID_ERR_REPORT_LENGTH (nothing sent),
    // HID_ERR_WRITE, HID_ERR_TIMEOUT (also when another command is waiting: the packet has
    // gone out then), or the reply's status. Only one command waits at a time.
    //
    // Status 0: block size (big-endian data 0 and 1) and block count (data 2). A failed
    // reply sets both to 0; a failure before any reply leaves them untouched.
    std::uint8_t GetProperty(std::uint16_t& blockSize, std::uint8_t& blockCount);
    // `destination` has room for 252 bytes. `length` is the reply's data count and that
    // many bytes are copied, whatever the status; with no reply (time-out or a failure
    // before one) `length` is 0 and nothing is copied.
    std::uint8_t ReadKeymapBlock(std::uint8_t* destination, std::uint8_t block,
                                 std::uint8_t& length);
    std::uint8_t EraseKeymap();
    // At most 252 data bytes; more gives HID_ERR_TOO_LONG and nothing is sent.
    std::uint8_t WriteKeymapBlock(std::size_t count, std::uint8_t block, const std::uint8_t* data);
    std::uint8_t EraseSlot(std::uint8_t slot);
    std::uint8_t BeginSlot(std::uint8_t slot);
    std::uint8_t WriteScript(std::size_t count, std::uint8_t sequence, const std::uint8_t* data);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vorn::hid
