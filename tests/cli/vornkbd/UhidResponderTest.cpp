// The virtual keyboard's answers to the kernel's report requests, on the protocol engine.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "cli/vornkbd/UhidResponder.h"
#include "hid/LinkProtocol.h"

namespace vorn::kbd {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kR = 9;
const Bytes kGetProperty = {0x01, 0xEA, 0x02, 0x2C, 0xC4, 0x00, 0x00, 0x00, 0x00};

uhid_event Get(std::uint32_t id, std::uint8_t number = 1, std::uint8_t type = UHID_FEATURE_REPORT) {
    uhid_event event;
    std::memset(&event, 0, sizeof event);
    event.type = UHID_GET_REPORT;
    event.u.get_report = {id, number, type};
    return event;
}

uhid_event Set(std::uint32_t id, const Bytes& data, std::uint8_t number = 1,
               std::uint8_t type = UHID_FEATURE_REPORT) {
    uhid_event event;
    std::memset(&event, 0, sizeof event);
    event.type = UHID_SET_REPORT;
    event.u.set_report.id = id;
    event.u.set_report.rnum = number;
    event.u.set_report.rtype = type;
    event.u.set_report.size = static_cast<std::uint16_t>(data.size());
    std::memcpy(event.u.set_report.data, data.data(), data.size());
    return event;
}

Bytes ReplyBytes(const uhid_event& reply) {
    const auto& r = reply.u.get_report_reply;
    return Bytes(r.data, r.data + r.size);
}

class UhidResponderTest : public ::testing::Test {
  protected:
    sim::SimKeyboard keyboard{kR};
    std::ostringstream log;
    UhidResponder responder{keyboard, &log};
};

TEST_F(UhidResponderTest, ASetOfFeatureReportOneReachesTheEngineAndIsAcknowledged) {
    const std::optional<uhid_event> reply = responder.Answer(Set(7, kGetProperty));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->type, UHID_SET_REPORT_REPLY);
    EXPECT_EQ(reply->u.set_report_reply.id, 7u);
    EXPECT_EQ(reply->u.set_report_reply.err, 0);
    EXPECT_EQ(keyboard.Commands(), std::vector<std::uint8_t>{hid::CMD_GET_PROPERTY});
}

TEST_F(UhidResponderTest, AGetRepliesWithTheReportIdByteFirstAndRPlusOneBytes) {
    keyboard.SetGeometry(0x0080, 3);
    responder.Answer(Set(1, kGetProperty));
    const std::optional<uhid_event> reply = responder.Answer(Get(8));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->type, UHID_GET_REPORT_REPLY);
    EXPECT_EQ(reply->u.get_report_reply.id, 8u);
    EXPECT_EQ(reply->u.get_report_reply.err, 0);
    // The engine's first report of the reply: ED 06 2C 00 00 80 03 checksum, then padding.
    const std::uint8_t x = 0xED ^ 0x06 ^ 0x2C ^ 0x00 ^ 0x00 ^ 0x80 ^ 0x03;
    EXPECT_EQ(ReplyBytes(*reply), (Bytes{0xED, 0x06, 0x2C, 0x00, 0x00, 0x80, 0x03, x, 0, 0}));
}

TEST_F(UhidResponderTest, AGetWithNoReplyReadyServesTheReportIdAndZeros) {
    const std::optional<uhid_event> reply = responder.Answer(Get(1));
    ASSERT_TRUE(reply);
    EXPECT_EQ(ReplyBytes(*reply), (Bytes{0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(log.str(), "");  // idle polls are counted, not logged one by one
}

struct Refusal {
    const char* name;
    uhid_event event;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class UhidRefusal : public UhidResponderTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(UhidRefusal, GetsAnIoErrorAndLeavesTheEngineAlone) {
    const std::optional<uhid_event> reply = responder.Answer(GetParam().event);
    ASSERT_TRUE(reply);
    const int err = reply->type == UHID_GET_REPORT_REPLY ? reply->u.get_report_reply.err
                                                         : reply->u.set_report_reply.err;
    EXPECT_EQ(err, EIO);
    EXPECT_TRUE(keyboard.Commands().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, UhidRefusal,
    ::testing::Values(Refusal{"get_of_report_2", Get(1, 2)},
                      Refusal{"get_of_an_input_report", Get(1, 1, UHID_INPUT_REPORT)},
                      Refusal{"set_of_report_2", Set(1, kGetProperty, 2)},
                      Refusal{"set_of_an_output_report",
                              Set(1, kGetProperty, 1, UHID_OUTPUT_REPORT)},
                      Refusal{"set_shorter_than_r",
                              Set(1, Bytes(kGetProperty.begin(), kGetProperty.begin() + 5))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UhidResponderTest, OtherEventsNeedNoReply) {
    for (const std::uint32_t type : {UHID_START, UHID_STOP, UHID_OPEN, UHID_CLOSE, UHID_OUTPUT}) {
        uhid_event event;
        std::memset(&event, 0, sizeof event);
        event.type = type;
        EXPECT_FALSE(responder.Answer(event)) << type;
    }
}

TEST_F(UhidResponderTest, TheLogShowsTheProtocolBytesAndCountsIdlePolls) {
    responder.Answer(Get(1));
    responder.Answer(Get(2));
    responder.Answer(Set(3, kGetProperty));
    EXPECT_EQ(log.str(),
              "vornkbd: (2 GET with no reply ready)\n"
              "vornkbd: SET 01 EA 02 2C C4 00 00 00 00\n");
    EXPECT_EQ(responder.GetRequests(), 2u);
    EXPECT_EQ(responder.SetRequests(), 1u);
}

}  // namespace
}  // namespace vorn::kbd
