// The keymap file (*.dat): an 85-byte header naming the keyboard it came from, then the
// keymap blocks exactly as the keyboard returned them. All numbers are little-endian.
//
//   offset  size  content
//        0     8  magic: 00 00 'V' 'O' 'R' 'N' 00 00
//        8     4  vendor id (16-bit value, zero-extended)
//       12     4  product id (16-bit value, zero-extended)
//       16     4  block size S (16-bit value, zero-extended)
//       20     1  block count N
//       21    64  reserved, written as zeros, never looked at
//       85   S*N  blocks 1 to N, S bytes each
//
// EncodeHeader and DecodeHeader are mirror images; ReadHeader and CheckHeader add the
// checks a download makes before it touches the keyboard.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vorn::keymap {

namespace format {
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kMagicSize = 8;
inline constexpr std::array<std::uint8_t, kMagicSize> kMagic{0x00, 0x00, 'V',  'O',
                                                             'R',  'N',  0x00, 0x00};
inline constexpr std::size_t kVendorIdOffset = 8;
inline constexpr std::size_t kProductIdOffset = 12;
inline constexpr std::size_t kBlockSizeOffset = 16;
inline constexpr std::size_t kBlockCountOffset = 20;
inline constexpr std::size_t kReservedOffset = 21;
inline constexpr std::size_t kReservedSize = 64;
inline constexpr std::size_t kHeaderSize = kReservedOffset + kReservedSize;
static_assert(kHeaderSize == 85);

// A reply carries at most 252 data bytes and the write command's count is one byte, so a
// larger block can be read from no keyboard and written to none.
inline constexpr std::size_t kMaxBlockSize = 252;
}  // namespace format

using HeaderBytes = std::array<std::uint8_t, format::kHeaderSize>;

// What a header says about the keyboard: its ids and the geometry it reported.
struct KeymapHeader {
    std::uint32_t vendorId = 0;
    std::uint32_t productId = 0;
    std::uint32_t blockSize = 0;
    std::uint8_t blockCount = 0;
    friend bool operator==(const KeymapHeader&, const KeymapHeader&) = default;
};

enum class HeaderCheck {
    kAccepted,
    kInvalidFormat,  // short header or wrong magic
    kOtherModel,     // ids or geometry differ from the keyboard's
};

HeaderBytes EncodeHeader(const KeymapHeader& header);
// Only the fields; the caller has checked the magic.
KeymapHeader DecodeHeader(const HeaderBytes& bytes);

// Writes the 85 header bytes at the file's position; false on a short write.
bool WriteHeader(std::FILE* file, const KeymapHeader& header);
// Reads the 85 header bytes from the file's position. kInvalidFormat when fewer than 8
// bytes arrive, the magic differs, or the reserved area is short; `header` is then
// untouched.
HeaderCheck ReadHeader(std::FILE* file, KeymapHeader& header);
// ReadHeader, then the file must have been made on a keyboard like `keyboard`: same vendor
// id, product id, block size (all 32 bits) and block count.
HeaderCheck CheckHeader(std::FILE* file, const KeymapHeader& keyboard);

// The message a download shows for a rejected header; empty for kAccepted.
const char* HeaderCheckMessage(HeaderCheck check);

}  // namespace vorn::keymap
