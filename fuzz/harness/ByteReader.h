// Reads a fuzz input front to back. Past the end every byte reads as 0, so a harness can
// take what it needs without testing the length at each step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vorn::fuzz {

class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t Byte() { return position_ < bytes_.size() ? bytes_[position_++] : 0; }
    std::uint16_t Word() {
        const std::uint16_t high = Byte();
        return static_cast<std::uint16_t>(high << 8 | Byte());
    }
    // The next `count` bytes, fewer when the input ends first.
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        const std::size_t n = count < Remaining() ? count : Remaining();
        const std::span<const std::uint8_t> taken = bytes_.subspan(position_, n);
        position_ += n;
        return taken;
    }
    std::span<const std::uint8_t> Rest() { return Bytes(Remaining()); }
    std::size_t Remaining() const { return bytes_.size() - position_; }
    bool Empty() const { return Remaining() == 0; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

}  // namespace vorn::fuzz
