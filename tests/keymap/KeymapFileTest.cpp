#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "keymap/KeymapFile.h"

namespace vorn::keymap {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// An anonymous file holding `bytes`, positioned at its start.
File FileWith(const Bytes& bytes) {
    File file(std::tmpfile());
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    std::rewind(file.get());
    return file;
}

Bytes Concat(Bytes front, const Bytes& back) {
    front.insert(front.end(), back.begin(), back.end());
    return front;
}

Bytes HeaderOf(const KeymapHeader& header) {
    const HeaderBytes bytes = EncodeHeader(header);
    return Bytes(bytes.begin(), bytes.end());
}

const KeymapHeader kExample{0x0F39, 0x1085, 128, 3};

TEST(KeymapFileTest, HeaderBytesMatchTheDocumentedExample) {
    Bytes expected{0x00, 0x00, 'V',  'O',  'R',  'N',  0x00, 0x00, 0x39, 0x0F, 0x00,
                   0x00, 0x85, 0x10, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x03};
    expected.resize(85, 0x00);
    EXPECT_EQ(HeaderOf(kExample), expected);
}

TEST(KeymapFileTest, WriteHeaderPutsTheEncodedBytesInTheFile) {
    File file(std::tmpfile());
    ASSERT_TRUE(WriteHeader(file.get(), kExample));
    std::rewind(file.get());
    Bytes read(100);
    read.resize(std::fread(read.data(), 1, read.size(), file.get()));
    EXPECT_EQ(read, HeaderOf(kExample));
}

TEST(KeymapFileTest, DecodeIsTheMirrorOfEncode) {
    const KeymapHeader headers[] = {
        {},
        kExample,
        {0x0A34, 0x0211, 252, 255},
        {0xFFFFFFFF, 0x80000001, 0x00010080, 1},
    };
    for (const KeymapHeader& header : headers) {
        EXPECT_EQ(DecodeHeader(EncodeHeader(header)), header) << header.vendorId;
    }
}

struct ReadCase {
    const char* name;
    Bytes content;
    HeaderCheck expected;
};

Bytes Mutated(Bytes bytes, std::size_t offset, std::uint8_t value) {
    bytes.at(offset) = value;
    return bytes;
}

// The example header with other letters in place of "VORN".
Bytes WithLetters(const char* letters) {
    Bytes bytes = HeaderOf(kExample);
    std::copy(letters, letters + 4, bytes.begin() + 2);
    return bytes;
}

Bytes WithReserved(std::uint8_t value) {
    Bytes bytes = HeaderOf(kExample);
    std::fill(bytes.begin() + format::kReservedOffset, bytes.end(), value);
    return bytes;
}

Bytes Truncated(std::size_t length) {
    Bytes bytes = HeaderOf(kExample);
    bytes.resize(length);
    return bytes;
}

TEST(KeymapFileTest, ReadHeaderAcceptsOnlyAWholeHeaderWithTheExactMagic) {
    const ReadCase cases[] = {
        {"empty file", {}, HeaderCheck::kInvalidFormat},
        {"magic cut short", Truncated(7), HeaderCheck::kInvalidFormat},
        {"magic only", Truncated(8), HeaderCheck::kInvalidFormat},
        {"ends inside the ids", Truncated(14), HeaderCheck::kInvalidFormat},
        {"reserved area one byte short", Truncated(84), HeaderCheck::kInvalidFormat},
        {"magic in lower case", WithLetters("vorn"), HeaderCheck::kInvalidFormat},
        {"one magic letter in lower case", WithLetters("VORn"), HeaderCheck::kInvalidFormat},
        {"other letters", WithLetters("VORM"), HeaderCheck::kInvalidFormat},
        {"leading zero byte differs", Mutated(HeaderOf(kExample), 0, 0x01),
         HeaderCheck::kInvalidFormat},
        {"trailing zero byte differs", Mutated(HeaderOf(kExample), 7, 0x20),
         HeaderCheck::kInvalidFormat},
        {"whole header", HeaderOf(kExample), HeaderCheck::kAccepted},
        {"reserved bytes not zero", WithReserved(0xA5), HeaderCheck::kAccepted},
        {"blocks follow", Concat(HeaderOf(kExample), Bytes(384, 0x11)), HeaderCheck::kAccepted},
    };
    for (const ReadCase& c : cases) {
        File file = FileWith(c.content);
        KeymapHeader header;
        EXPECT_EQ(ReadHeader(file.get(), header), c.expected) << c.name;
        if (c.expected == HeaderCheck::kAccepted) {
            EXPECT_EQ(header, kExample) << c.name;
        }
    }
}

TEST(KeymapFileTest, ReadHeaderLeavesTheFileAtTheFirstBlock) {
    File file = FileWith(Concat(HeaderOf(kExample), {0x42, 0x43}));
    KeymapHeader header;
    ASSERT_EQ(ReadHeader(file.get(), header), HeaderCheck::kAccepted);
    EXPECT_EQ(std::fgetc(file.get()), 0x42);
}

TEST(KeymapFileTest, RejectedHeaderLeavesTheOutputAlone) {
    File file = FileWith(Truncated(84));
    KeymapHeader header{1, 2, 3, 4};
    ReadHeader(file.get(), header);
    EXPECT_EQ(header, (KeymapHeader{1, 2, 3, 4}));
}

struct ModelCase {
    const char* name;
    KeymapHeader inFile;
    HeaderCheck expected;
};

TEST(KeymapFileTest, CheckHeaderWantsTheKeyboardsIdsAndGeometry) {
    const ModelCase cases[] = {
        {"same keyboard", kExample, HeaderCheck::kAccepted},
        {"other vendor", {0x0A34, 0x1085, 128, 3}, HeaderCheck::kOtherModel},
        {"other product", {0x0F39, 0x1086, 128, 3}, HeaderCheck::kOtherModel},
        {"other block size", {0x0F39, 0x1085, 64, 3}, HeaderCheck::kOtherModel},
        {"block size differs above 16 bits",
         {0x0F39, 0x1085, 0x00010080, 3},
         HeaderCheck::kOtherModel},
        {"vendor differs above 16 bits", {0x00010F39, 0x1085, 128, 3}, HeaderCheck::kOtherModel},
        {"other block count", {0x0F39, 0x1085, 128, 4}, HeaderCheck::kOtherModel},
    };
    for (const ModelCase& c : cases) {
        File file = FileWith(HeaderOf(c.inFile));
        EXPECT_EQ(CheckHeader(file.get(), kExample), c.expected) << c.name;
    }
}

TEST(KeymapFileTest, FormatBeatsModelWhenBothAreWrong) {
    File file = FileWith(Mutated(HeaderOf({0x0A34, 0x0211, 16, 1}), 2, 'v'));
    EXPECT_EQ(CheckHeader(file.get(), kExample), HeaderCheck::kInvalidFormat);
}

TEST(KeymapFileTest, EachRejectionHasItsMessage) {
    EXPECT_STREQ(HeaderCheckMessage(HeaderCheck::kInvalidFormat), "Invalid file format.");
    EXPECT_STREQ(HeaderCheckMessage(HeaderCheck::kOtherModel),
                 "The selected file is not for the selected model.");
    EXPECT_STREQ(HeaderCheckMessage(HeaderCheck::kAccepted), "");
}

}  // namespace
}  // namespace vorn::keymap
