// Loading and saving the virtual keyboard's keymap through the keymap procedures, and its
// slots as text.
#include <gtest/gtest.h>

#include "cli/vornkbd/KeymapStore.h"
#include "cli/vornkbd/SlotDump.h"
#include "sim/SimHidPlatform.h"
#include "tests/support/TempDir.h"

namespace vorn::kbd {
namespace {

using Bytes = std::vector<std::uint8_t>;
using vorn::test::ReadBytes;
using vorn::test::ReadText;
using vorn::test::WriteBytes;

Bytes FileOf(std::uint16_t product, std::uint32_t size, std::uint8_t count, std::uint8_t fill) {
    const keymap::HeaderBytes header = keymap::EncodeHeader({0x0F39, product, size, count});
    Bytes file(header.begin(), header.end());
    for (std::uint32_t i = 0; i < size * count; ++i)
        file.push_back(static_cast<std::uint8_t>(fill + i));
    return file;
}

class KeymapStoreTest : public ::testing::Test {
  protected:
    KeymapStoreTest() {
        sim::SimHidPlatform::DeviceDescription desc;
        desc.path = "vornkbd";
        desc.vendorId = 0x0F39;
        desc.productId = 0x1085;
        keyboard = &platform.Attach(desc);
        keyboard->SetGeometry(8, 2);
    }

    sim::SimHidPlatform platform;
    sim::SimKeyboard* keyboard = nullptr;
    KeymapStore store{platform};
    vorn::test::TempDir dir;
};

TEST_F(KeymapStoreTest, WhatIsLoadedIsInTheKeyboardAndSavedBackByteForByte) {
    const Bytes file = FileOf(0x1085, 8, 2, 0x40);
    WriteBytes(dir.File("in.dat"), file);
    EXPECT_EQ(store.Load(dir.File("in.dat")), "");
    EXPECT_EQ(keyboard->Block(2), Bytes(file.begin() + 85 + 8, file.end()));
    EXPECT_EQ(store.Save(dir.File("out.dat")), "");
    EXPECT_EQ(ReadBytes(dir.File("out.dat")), file);
}

TEST_F(KeymapStoreTest, AnotherModelsFileIsRefusedWithTheDownloadsMessage) {
    WriteBytes(dir.File("in.dat"), FileOf(0x108A, 8, 2, 0));
    EXPECT_EQ(store.Load(dir.File("in.dat")), "The selected file is not for the selected model.");
    EXPECT_EQ(keyboard->Block(1), Bytes(8, sim::SimKeyboard::kErasedByte));
}

TEST_F(KeymapStoreTest, TheHeaderGivesTheGeometryOrSaysWhatIsWrong) {
    WriteBytes(dir.File("in.dat"), FileOf(0x1085, 128, 3, 0));
    std::string error;
    const auto header = KeymapStore::Header(dir.File("in.dat"), error);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->blockSize, 128u);
    EXPECT_EQ(header->blockCount, 3);

    WriteBytes(dir.File("short.dat"), Bytes(84, 0));
    EXPECT_FALSE(KeymapStore::Header(dir.File("short.dat"), error));
    EXPECT_EQ(error, dir.File("short.dat") + ": Invalid file format.");
    EXPECT_FALSE(KeymapStore::Header(dir.File("none.dat"), error));
    EXPECT_EQ(error, "open " + dir.File("none.dat") + ": No such file or directory");
}

// Drives the engine's slot commands as a host would, one packet per report (R = 20).
void Command(sim::SimKeyboard& keyboard, Bytes packet) {
    std::uint8_t x = 0;
    for (const std::uint8_t b : packet) x ^= b;
    packet.push_back(x);
    Bytes report(20, 0);
    report[0] = 0x01;
    std::copy(packet.begin(), packet.end(), report.begin() + 1);
    ASSERT_EQ(keyboard.OnSetFeature(report.data(), report.size()), hid::HidCall::kOk);
}

TEST(SlotDump, OneLinePerSlotAndTheInstructionsOfEachProgrammedSlot) {
    sim::SimKeyboard keyboard(20);
    Command(keyboard, {0xEA, 0x03, 0x44, 0x03});                    // erase FN+3
    Command(keyboard, {0xEA, 0x03, 0x45, 0x03});                    // begin FN+3
    Command(keyboard, {0xEA, 0x06, 0x47, 0x00, 0x84, 0x01, 0x0A});  // seq 0
    Command(keyboard, {0xEA, 0x04, 0x47, 0x01, 0xFF});              // seq 1
    Command(keyboard, {0xEA, 0x03, 0x45, 0x05});                    // begin FN+5
    Command(keyboard, {0xEA, 0x04, 0x47, 0x07, 0xFF});              // seq 7: out of sequence
    vorn::test::TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteSlotDump(keyboard, dir.Path(), error)) << error;

    EXPECT_EQ(ReadText(dir.File("slot3.txt")), "84 01 0A\nFF\n");
    EXPECT_EQ(ReadText(dir.File("slot5.txt")), "FF\n");
    EXPECT_FALSE(dir.Exists("slot0.txt"));
    const std::string slots = ReadText(dir.File("slots.txt"));
    EXPECT_NE(slots.find("FN+0 erased 0 begun 0 written 0 in sequence\n"), std::string::npos);
    EXPECT_NE(slots.find("FN+3 erased 1 begun 1 written 2 in sequence\n"), std::string::npos);
    EXPECT_NE(slots.find("FN+5 erased 0 begun 1 written 1 out of sequence\n"), std::string::npos);
}

TEST(SlotDump, AFolderThatCannotBeWrittenIsAFailureWithTheFileNamed) {
    sim::SimKeyboard keyboard(9);
    std::string error;
    EXPECT_FALSE(WriteSlotDump(keyboard, "/nonexistent/dump", error));
    EXPECT_EQ(error, "cannot write /nonexistent/dump/slots.txt");
}

}  // namespace
}  // namespace vorn::kbd
