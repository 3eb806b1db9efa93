#include "keymap/KeymapFile.h"

#include <algorithm>

#include "keymap/KeymapMessages.h"

namespace vorn::keymap {

namespace {

void PutLe32(HeaderBytes& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t GetLe32(const HeaderBytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

bool HasMagic(const HeaderBytes& bytes) {
    return std::equal(format::kMagic.begin(), format::kMagic.end(),
                      bytes.begin() + format::kMagicOffset);
}

}  // namespace

HeaderBytes EncodeHeader(const KeymapHeader& header) {
    HeaderBytes bytes{};  // the reserved area stays zero
    std::copy(format::kMagic.begin(), format::kMagic.end(), bytes.begin() + format::kMagicOffset);
    PutLe32(bytes, format::kVendorIdOffset, header.vendorId);
    PutLe32(bytes, format::kProductIdOffset, header.productId);
    PutLe32(bytes, format::kBlockSizeOffset, header.blockSize);
    bytes[format::kBlockCountOffset] = header.blockCount;
    return bytes;
}

KeymapHeader DecodeHeader(const HeaderBytes& bytes) {
    KeymapHeader header;
    header.vendorId = GetLe32(bytes, format::kVendorIdOffset);
    header.productId = GetLe32(bytes, format::kProductIdOffset);
    header.blockSize = GetLe32(bytes, format::kBlockSizeOffset);
    header.blockCount = bytes[format::kBlockCountOffset];
    return header;
}

bool WriteHeader(std::FILE* file, const KeymapHeader& header) {
    const HeaderBytes bytes = EncodeHeader(header);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// A file that ends inside the id and geometry fields also ends before the reserved area is
// whole, and all three ways of being short give the same answer as a wrong magic. So one
// read of the whole header rejects exactly the files that reading magic, fields and
// reserved area one after the other would reject.
HeaderCheck ReadHeader(std::FILE* file, KeymapHeader& header) {
    HeaderBytes bytes{};
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    if (got < format::kHeaderSize || !HasMagic(bytes)) return HeaderCheck::kInvalidFormat;
    header = DecodeHeader(bytes);
    return HeaderCheck::kAccepted;
}

HeaderCheck CheckHeader(std::FILE* file, const KeymapHeader& keyboard) {
    KeymapHeader header;
    const HeaderCheck check = ReadHeader(file, header);
    if (check != HeaderCheck::kAccepted) return check;
    return header == keyboard ? HeaderCheck::kAccepted : HeaderCheck::kOtherModel;
}

const char* HeaderCheckMessage(HeaderCheck check) {
    switch (check) {
        case HeaderCheck::kInvalidFormat:
            return message::kInvalidFormat;
        case HeaderCheck::kOtherModel:
            return message::kOtherModel;
        case HeaderCheck::kAccepted:
            break;
    }
    return "";
}

}  // namespace vorn::keymap
