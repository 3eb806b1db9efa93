#include "script/Lexer.h"

#include "script/KeyTables.h"

namespace vorn::script {
namespace {

constexpr int kMinWidthClass = kPsetRowClass;
constexpr int kMaxWidthClass = kWordClass;

// Blanks next to these characters carry no meaning and are squeezed away.
bool IsOperatorCharacter(char c) {
    switch (c) {
        case ',':
        case '=':
        case '+':
        case '-':
        case '*':
        case '/':
        case '<':
        case '>':
            return true;
        default:
            return false;
    }
}

bool IsRegisterDelimiter(char c) { return c == '\n' || c == ' ' || IsOperatorCharacter(c); }

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) { return IsDecimalDigit(c) || (c >= 'A' && c <= 'F'); }

// A '-' ends a number only after its first character: "5-R2" is 5, "-5" is minus five.
bool EndsNumber(char c, bool atFirstDigit) {
    switch (c) {
        case '\n':
        case ',':
        case ' ':
        case '=':
        case '+':
        case '*':
        case '/':
            return true;
        case '-':
            return !atFirstDigit;
        default:
            return false;
    }
}

std::uint32_t HexDigitValue(char c) {
    if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
    return static_cast<std::uint32_t>(static_cast<unsigned char>(c) - '0');
}

// Only the WAIT, IF and general assignment numbers may be negative.
bool TakesSign(int widthClass) { return widthClass >= kFourDigitClass; }

bool InWidthClassRange(std::int32_t value, int widthClass, bool hex, std::uint8_t layout) {
    switch (widthClass) {
        case kPsetRowClass:
            return value <= 5;
        case kPsetColumnClass:
            if (layout == 1) return value <= 22;
            if (layout == 2) return value <= 18;
            return true;
        case kByteClass:
            return value <= 255;
        case kWordClass:
            return hex ? value <= 0xFFFF : value >= -32768 && value <= 32767;
        default:
            return true;  // four digits cannot leave the 16 bits of the instruction
    }
}

// Skips a key name opened by the '<' at `open`: appends its code when the layout's table
// knows it and returns the position after its '>' (or the end of the text).
int AppendKeyName(const char* text, int length, int open, std::uint8_t* codes, int& count,
                  std::uint8_t layout) {
    int close = open + 1;
    while (close < length && text[close] != '>') ++close;
    const int code = KeyNameCode(text + open + 1, close - open - 1, layout);
    if (code >= 0) codes[count++] = static_cast<std::uint8_t>(code);
    return close + 1;
}

}  // namespace

int SqueezeBlanks(char* line, int length) {
    int out = 0;
    int in = 0;
    while (in < length) {
        if (line[in] != ' ') {
            line[out++] = line[in++];
            continue;
        }
        int runEnd = in;
        while (runEnd < length && line[runEnd] == ' ') ++runEnd;
        const bool between = out > 0 && runEnd < length;
        if (between && !IsOperatorCharacter(line[out - 1]) && !IsOperatorCharacter(line[runEnd])) {
            line[out++] = ' ';
        }
        in = runEnd;
    }
    line[out] = '\n';
    return out;
}

bool IsRegisterToken(const char* text, int& tokenLength) {
    if (text[0] != 'R') return false;
    int k = 1;
    while (k <= 4 && !IsRegisterDelimiter(text[k])) ++k;
    tokenLength = k;
    if (k == 2) return IsDecimalDigit(text[1]);
    return k == 3 && text[1] == '1' && text[2] >= '0' && text[2] <= '5';
}

bool IsNumberToken(const char* text, int& tokenLength, int widthClass, std::uint8_t layout) {
    if (widthClass < kMinWidthClass || widthClass > kMaxWidthClass) return false;
    const bool negative = text[0] == '-';
    if (negative && !TakesSign(widthClass)) return false;
    int start = negative ? 1 : 0;
    const bool hex = text[start] == '0' && text[start + 1] == 'X';
    if (hex && negative) return false;
    if (hex) start = 2;
    int stop = start;
    while (!EndsNumber(text[stop], stop == start)) {
        const bool digit = hex ? IsHexDigit(text[stop]) : IsDecimalDigit(text[stop]);
        if (!digit || stop - start == widthClass) return false;
        ++stop;
    }
    if (stop == start) return false;
    if (!InWidthClassRange(NumberValue(text, stop), widthClass, hex, layout)) return false;
    tokenLength = stop;
    return true;
}

std::int32_t NumberValue(const char* text, int tokenLength) {
    if (tokenLength <= 0) return 0;
    const bool negative = text[0] == '-';
    int position = negative ? 1 : 0;
    const bool hex =
        position + 1 < tokenLength && text[position] == '0' && text[position + 1] == 'X';
    // Unsigned arithmetic: a token longer than its width class wraps instead of overflowing.
    std::uint32_t value = 0;
    if (hex) {
        for (position += 2; position < tokenLength; ++position) {
            value = value * 16 + HexDigitValue(text[position]);
        }
        return static_cast<std::int32_t>(value);
    }
    for (; position < tokenLength; ++position) {
        value = value * 10 +
                static_cast<std::uint32_t>(static_cast<unsigned char>(text[position]) - '0');
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

int KeyTextToCodes(const char* text, int length, std::uint8_t* codes, std::uint8_t layout) {
    if (layout != 1 && layout != 2) return -1;
    int count = 0;
    int position = 0;
    while (position < length) {
        const unsigned char c = static_cast<unsigned char>(text[position]);
        if (c == '<') {
            position = AppendKeyName(text, length, position, codes, count, layout);
            continue;
        }
        const int code = CharacterKeyCode(c);
        if (code >= 0) codes[count++] = static_cast<std::uint8_t>(code);
        ++position;
    }
    return count;
}

}  // namespace vorn::script
