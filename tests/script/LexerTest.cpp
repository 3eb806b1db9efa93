#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "script/Lexer.h"

namespace vorn::script {
namespace {

// A line buffer as the passes hold it: the text, then LF, with room to spare.
struct LineBuffer {
    explicit LineBuffer(const std::string& text) : length(static_cast<int>(text.size())) {
        std::memcpy(bytes.data(), text.data(), text.size());
        bytes[text.size()] = '\n';
    }
    std::array<char, 300> bytes{};
    int length;
};

TEST(SqueezeBlanksTest, NormalisesBlanks) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"   IF  R1 =  5   THEN  ", "IF R1=5 THEN"},
        {"PSET 1 , 2", "PSET 1,2"},
        {"R1 = R2  AND  R3", "R1=R2 AND R3"},
        {"R1 + R2 - R3 * R4 / R5", "R1+R2-R3*R4/R5"},
        {"IF R1 < 5 THEN", "IF R1<5 THEN"},
        {"IF R1 > 5 THEN", "IF R1>5 THEN"},
        {"WAIT -5", "WAIT-5"},
        {"PRINT \"A  B\"", "PRINT \"A B\""},
        {"CLS", "CLS"},
        {" X ", "X"},
        {"", ""},
        {"     ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        LineBuffer line(c.in);
        const int length = SqueezeBlanks(line.bytes.data(), line.length);
        EXPECT_EQ(std::string(line.bytes.data(), length), c.out);
        EXPECT_EQ(line.bytes[length], '\n');
    }
}

TEST(IsRegisterTokenTest, AcceptsR0ToR15EndedByADelimiter) {
    struct Case {
        const char* text;
        bool is;
        int length;  // -1: not reported
    };
    const Case cases[] = {
        {"R0\n", true, 2},     {"R9 ", true, 2},    {"R15\n", true, 3},  {"R10=", true, 3},
        {"R1,", true, 2},      {"R1<", true, 2},    {"R1>", true, 2},    {"R1+", true, 2},
        {"R1-", true, 2},      {"R1*", true, 2},    {"R1/", true, 2},    {"R16\n", false, 3},
        {"R01\n", false, 3},   {"R1A\n", false, 3}, {"RA\n", false, 2},  {"R\n", false, 1},
        {"R=", false, 1},      {"R1)\n", false, 3}, {"R1:\n", false, 3}, {"R123\n", false, 4},
        {"R1234\n", false, 5}, {"X1\n", false, -1}, {"r1\n", false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int length = -1;
        EXPECT_EQ(IsRegisterToken(c.text, length), c.is);
        EXPECT_EQ(length, c.length);
    }
}

struct NumberCase {
    const char* text;
    int widthClass;
    std::uint8_t layout;
    bool is;
    int length;  // when accepted
};

void CheckNumbers(const std::vector<NumberCase>& cases) {
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " class " + std::to_string(c.widthClass) + " layout " +
                     std::to_string(c.layout));
        int length = -1;
        EXPECT_EQ(IsNumberToken(c.text, length, c.widthClass, c.layout), c.is);
        EXPECT_EQ(length, c.is ? c.length : -1);
    }
}

TEST(IsNumberTokenTest, WidthClassOneIsASingleDigitUpToFive) {
    CheckNumbers({{"0\n", 1, 1, true, 1},
                  {"5\n", 1, 1, true, 1},
                  {"6\n", 1, 1, false, 0},
                  {"10\n", 1, 1, false, 0},
                  {"0X5\n", 1, 1, true, 3},
                  {"-0\n", 1, 1, false, 0}});
}

TEST(IsNumberTokenTest, WidthClassTwoIsBoundedByTheLayout) {
    CheckNumbers({{"22,", 2, 1, true, 2},
                  {"23,", 2, 1, false, 0},
                  {"18,", 2, 2, true, 2},
                  {"19,", 2, 2, false, 0},
                  {"99,", 2, 0, true, 2},
                  {"99,", 2, 3, true, 2},
                  {"100,", 2, 0, false, 0},
                  {"0X16,", 2, 1, true, 4},
                  {"0X17,", 2, 1, false, 0},
                  {"-1,", 2, 1, false, 0},
                  {"-1,", 2, 0, false, 0}});
}

TEST(IsNumberTokenTest, WidthClassThreeIsAByte) {
    CheckNumbers({{"255\n", 3, 1, true, 3},
                  {"256\n", 3, 1, false, 0},
                  {"-1\n", 3, 1, false, 0},
                  {"-0\n", 3, 1, false, 0},
                  {"0XFF\n", 3, 1, true, 4},
                  {"0X100\n", 3, 1, false, 0},
                  {"0XG\n", 3, 1, false, 0},
                  {"0X\n", 3, 1, false, 0},
                  {"1234\n", 3, 1, false, 0},
                  {"007\n", 3, 1, true, 3}});
}

TEST(IsNumberTokenTest, WidthClassFourTakesFourDigitsAndASign) {
    CheckNumbers({{"-9999 ", 4, 1, true, 5},
                  {"9999 ", 4, 1, true, 4},
                  {"10000 ", 4, 1, false, 0},
                  {"0XFFFF\n", 4, 1, true, 6},
                  {"0X10000\n", 4, 1, false, 0},
                  {"-0X10\n", 4, 1, false, 0}});
}

TEST(IsNumberTokenTest, WidthClassFiveIsSixteenBits) {
    CheckNumbers({{"-32768\n", 5, 1, true, 6},
                  {"32767\n", 5, 1, true, 5},
                  {"32768\n", 5, 1, false, 0},
                  {"-32769\n", 5, 1, false, 0},
                  {"0XFFFF\n", 5, 1, true, 6},
                  {"0XFFFFF\n", 5, 1, false, 0},
                  {"0X1FFFF\n", 5, 1, false, 0},
                  {"-0X10\n", 5, 1, false, 0},
                  {"99999\n", 5, 1, false, 0},
                  {"123456\n", 5, 1, false, 0}});
}

TEST(IsNumberTokenTest, EndsOnlyAtItsTerminators) {
    CheckNumbers({{"5,R1", 3, 1, true, 1},
                  {"5 THEN", 4, 1, true, 1},
                  {"5=", 5, 1, true, 1},
                  {"5+R2", 5, 1, true, 1},
                  {"5*R2", 5, 1, true, 1},
                  {"5/R2", 5, 1, true, 1},
                  {"5-R2", 5, 1, true, 1},
                  {"-5-R2", 5, 1, true, 2},
                  {"--5\n", 5, 1, false, 0},
                  {"-\n", 5, 1, false, 0},
                  {"\n", 5, 1, false, 0},
                  {"5)\n", 5, 1, false, 0},
                  {"5:\n", 5, 1, false, 0},
                  {"5<R1", 5, 1, false, 0},
                  {"5>R1", 5, 1, false, 0},
                  {"5A\n", 5, 1, false, 0},
                  {"0XAF\n", 5, 1, true, 4},
                  {"0Xaf\n", 5, 1, false, 0}});
}

TEST(IsNumberTokenTest, RefusesAnUnknownWidthClass) {
    CheckNumbers({{"1\n", 0, 1, false, 0}, {"1\n", 6, 1, false, 0}});
}

TEST(NumberValueTest, ReadsDecimalNegativeAndHexadecimal) {
    struct Case {
        const char* text;
        int length;
        std::int32_t value;
    };
    const Case cases[] = {
        {"0", 1, 0},      {"255", 3, 255},  {"-5", 2, -5},        {"-32768", 6, -32768},
        {"0X1F", 4, 31},  {"0Xff", 4, 255}, {"0XFFFF", 6, 65535}, {"0X", 2, 0},
        {"12,34", 2, 12}, {"0", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(NumberValue(c.text, c.length), c.value);
    }
}

TEST(NumberValueTest, LongTokensWrapInsteadOfOverflowing) {
    const std::string digits(40, '9');
    NumberValue(digits.c_str(), static_cast<int>(digits.size()));
    const std::string hex = "0X" + std::string(40, 'F');
    EXPECT_EQ(NumberValue(hex.c_str(), static_cast<int>(hex.size())), -1);
}

std::vector<std::uint8_t> Codes(const std::string& text, std::uint8_t layout) {
    std::vector<std::uint8_t> codes(text.size() + 1, 0xCC);
    const int count =
        KeyTextToCodes(text.data(), static_cast<int>(text.size()), codes.data(), layout);
    EXPECT_GE(count, 0);
    EXPECT_EQ(codes[std::max(count, 0)], 0xCC) << "wrote past its count";
    codes.resize(std::max(count, 0));
    return codes;
}

using CodeList = std::vector<std::uint8_t>;

TEST(KeyTextToCodesTest, TurnsTextIntoKeyCodes) {
    struct Case {
        const char* text;
        std::uint8_t layout;
        CodeList codes;
    };
    const Case cases[] = {
        {"HELLO<SPACE>1!", 1, {0x0B, 0x08, 0x0F, 0x0F, 0x12, 0x2C, 0x1E, 0x1E}},
        {"HELLO<SPACE>1!", 2, {0x0B, 0x08, 0x0F, 0x0F, 0x12, 0x2C, 0x1E, 0x1E}},
        {"<FN>", 1, {0xF0}},
        {"<FN>", 2, {}},
        {"<F12>", 1, {0x45}},
        {"<F12>", 2, {}},
        {"<ABCDEFG>", 1, {}},
        {"<X>", 1, {}},
        {"<>", 1, {}},
        {"A_B", 1, {0x04, 0x2D, 0x05}},
        {"Z0", 1, {0x1D, 0x27}},
        {"<LCTRL>C<ENT>", 1, {0xE0, 0x06, 0x28}},
        {"<ENT", 1, {0x28}},
        {"A<", 1, {0x04}},
        {"\"'", 1, {0x34, 0x34}},
        {"a \x7F\x80\xFF\t", 1, {}},
        {"<ent>", 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Codes(c.text, c.layout), c.codes);
    }
}

TEST(KeyTextToCodesTest, WritesNothingWithoutAKeyNameTable) {
    for (std::uint8_t layout : {0, 3, 255}) {
        std::uint8_t code = 0xCC;
        EXPECT_EQ(KeyTextToCodes("A", 1, &code, layout), -1);
        EXPECT_EQ(code, 0xCC);
    }
}

TEST(KeyTextToCodesTest, ConvertsTheLongestTextItTakes) {
    const std::string text(255, 'A');
    EXPECT_EQ(Codes(text, 1), CodeList(255, 0x04));
}

}  // namespace
}  // namespace vorn::script
