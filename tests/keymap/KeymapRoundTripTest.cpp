#include "KeymapFixture.h"
#include "keymap/KeymapTransfer.h"

namespace vorn::keymap {
namespace {

class KeymapRoundTripTest : public KeymapFixture {};

// What one keyboard uploads, a second keyboard of the same model takes over byte for byte,
// whatever keymap it had before.
TEST_F(KeymapRoundTripTest, SecondKeyboardEndsWithTheFirstOnesKeymap) {
    sim::SimKeyboard& first = Plug("/dev/hidraw-sim0");
    sim::SimKeyboard& second = Plug("/dev/hidraw-sim1");
    for (sim::SimKeyboard* keyboard : {&first, &second}) keyboard->SetGeometry(200, 5);
    FillKeymap(first, 1);
    FillKeymap(second, 2);
    ASSERT_NE(KeymapOf(first), KeymapOf(second));
    ListKeyboards();
    const std::string path = dir.File("keys.dat");

    state.keyboards.SetSelected(0);
    user.AnswerFile(path);
    KeymapUpload(state, link, user);
    state.keyboards.SetSelected(1);
    user.AnswerFile(path);
    KeymapDownload(state, link, user);

    EXPECT_EQ(user.Messages(), (Strings{"Upload successfully.", "Download successfully."}));
    EXPECT_EQ(KeymapOf(second), KeymapOf(first));
    EXPECT_EQ(test::ReadBytes(path).size(), 85u + 200u * 5u);
}

}  // namespace
}  // namespace vorn::keymap
