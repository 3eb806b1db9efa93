#include "script/Translate.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "script/Lexer.h"

namespace vorn::script {
namespace {

// KeyTextToCodes takes at most this many characters and writes one code per character.
constexpr int kMaxKeyText = 255;

// One line being translated into its record.
struct Translation {
    const CompilerState& state;
    const char* line;  // text, LF, zero byte
    int length;        // up to and including the LF
    StatementRecord& record;

    void Set(std::size_t at, unsigned value) { record[at] = static_cast<std::uint8_t>(value); }
    // A 16-bit number, low byte first, as the low bits of its two's complement.
    void Set16(std::size_t at, std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        Set(at, bits & 0xFF);
        Set(at + 1, (bits >> 8) & 0xFF);
    }
    // True when position `at` of the line is its LF.
    bool EndsAt(int at) const { return at == length - 1; }
};

bool StartsWith(const char* text, std::string_view word) {
    return std::strncmp(text, word.data(), word.size()) == 0;
}

bool ReadRegister(const char* text, std::uint8_t& number, int& tokenLength) {
    if (!IsRegisterToken(text, tokenLength)) return false;
    number = RegisterNumber(text, tokenLength);
    return true;
}

bool ReadNumber(const Translation& t, const char* text, int widthClass, std::int32_t& value,
                int& tokenLength) {
    if (!IsNumberToken(text, tokenLength, widthClass, t.state.scriptLayout)) return false;
    value = NumberValue(text, tokenLength);
    return true;
}

// ---- assignments ------------------------------------------------------------------------

// One operator and the forms it gives.
struct Operator {
    std::string_view text;
    bool commutative;  // two-register forms then put the non-target register first
    form::OperatorForms forms;
};

// Word operators first: they begin with the blank that no single-character operator has.
constexpr Operator kOperators[] = {
    {" MOD ", false, form::kModForms}, {" AND ", true, form::kAndForms},
    {" OR ", true, form::kOrForms},    {" XOR ", true, form::kXorForms},
    {"+", true, form::kAddForms},      {"-", false, form::kSubtractForms},
    {"*", true, form::kMultiplyForms}, {"/", false, form::kDivideForms},
};

const Operator* FindOperator(const char* text) {
    for (const Operator& op : kOperators) {
        if (StartsWith(text, op.text)) return &op;
    }
    return nullptr;
}

// Rn=k | Rn=-k | Rn=k op Rm
void TranslateNumberFirst(Translation& t, std::uint8_t n, std::int32_t k, int start, int after) {
    if (t.EndsAt(after)) {
        t.Set16(field::kB, k);
        t.Set(field::kForm, t.line[start] == '-' ? form::kNegativeNumber : form::kNumber);
        return;
    }
    t.Set16(field::kC, k);
    const char* expression = t.line + after;
    const Operator* op = FindOperator(expression);
    std::uint8_t m = 0;
    int length = 0;
    // Two numbers with one operator never reach here; the register is still checked so
    // that no stray digits become a register number.
    if (op == nullptr || !ReadRegister(expression + op->text.size(), m, length)) return;
    t.Set(field::kB, m);
    t.Set(field::kForm, m == n ? op->forms.numberFirstSame : op->forms.numberFirstOther);
}

// Rn=Rl op Rm, ordered so that the register that is not the target lands in the high
// nibble of the instruction's register byte.
void TranslateTwoRegisters(Translation& t, const Operator& op, std::uint8_t n, std::uint8_t l,
                           std::uint8_t m) {
    t.Set(field::kC, m);
    if (l == n) {
        t.Set(field::kForm, op.forms.leftIsTarget);
    } else if (m == n) {
        t.Set(field::kForm, op.forms.rightIsTarget);
        if (op.commutative) {
            t.Set(field::kB, m);
            t.Set(field::kC, l);
        }
    } else {
        t.Set(field::kForm, op.forms.neitherIsTarget);
    }
}

// Rn=Rl | Rn=Rl op Rm | Rn=Rl op k
void TranslateRegisterFirst(Translation& t, std::uint8_t n, std::uint8_t l, int after) {
    t.Set(field::kB, l);
    if (t.EndsAt(after)) {
        t.Set(field::kForm, form::kRegister);
        return;
    }
    const Operator* op = FindOperator(t.line + after);
    if (op == nullptr) return;
    const char* operand = t.line + after + op->text.size();
    std::uint8_t m = 0;
    std::int32_t k = 0;
    int length = 0;
    if (ReadRegister(operand, m, length)) {
        TranslateTwoRegisters(t, *op, n, l, m);
    } else if (ReadNumber(t, operand, kWordClass, k, length)) {
        t.Set16(field::kC, k);
        t.Set(field::kForm, l == n ? op->forms.registerFirstSame : op->forms.registerFirstOther);
    }
}

// Rn=NOT k | Rn=NOT Rm
void TranslateNot(Translation& t, const char* operand) {
    std::int32_t k = 0;
    std::uint8_t m = 0;
    int length = 0;
    if (ReadNumber(t, operand, kWordClass, k, length)) {
        t.Set(field::kForm, form::kNotNumber);
        t.Set16(field::kB, k);
    } else if (ReadRegister(operand, m, length)) {
        t.Set(field::kForm, form::kNotRegister);
        t.Set(field::kB, m);
    }
}

// Rn=<expression>, the target register being a register token
void TranslateRegisterAssignment(Translation& t) {
    int targetLength = 0;
    std::uint8_t n = 0;
    if (IsRegisterToken(t.line, targetLength)) n = RegisterNumber(t.line, targetLength);
    t.Set(field::kA, n);
    const int start = targetLength + 1;
    const char* expression = t.line + start;
    std::uint8_t r = 0;
    std::int32_t k = 0;
    int length = 0;
    if (expression[0] == '-' && ReadRegister(expression + 1, r, length) &&
        t.EndsAt(start + 1 + length)) {
        t.Set(field::kForm, form::kNegativeRegister);
        t.Set(field::kB, r);
    } else if (StartsWith(expression, "INKEY$")) {
        t.Set(field::kKind, KIND_INKEY);
    } else if (StartsWith(expression, "RND")) {
        t.Set(field::kKind, KIND_RND);
    } else if (ReadNumber(t, expression, kWordClass, k, length)) {
        TranslateNumberFirst(t, n, k, start, start + length);
    } else if (ReadRegister(expression, r, length)) {
        TranslateRegisterFirst(t, n, r, start + length);
    } else if (StartsWith(expression, kNotWord)) {
        TranslateNot(t, expression + kNotWord.size());
    }
}

// B=Rm | B=k
void TranslateBForm(Translation& t, int equals) {
    std::uint8_t m = 0;
    int length = 0;
    if (ReadRegister(t.line + 2, m, length)) {
        t.Set(field::kForm, form::kBFromRegister);
        t.Set(field::kA, m);
        return;
    }
    t.Set(field::kForm, form::kBFromNumber);
    const int digits = std::max(t.length - equals - 2, 0);
    t.Set(field::kA, static_cast<std::uint32_t>(NumberValue(t.line + equals + 1, digits)) & 0xFF);
}

// Rn=B | B=Rm | B=k | Rn=<expression>
void TranslateAssignment(Translation& t, int equals) {
    t.Set(field::kKind, KIND_ASSIGN);
    if (t.line[0] == 'R' && t.line[equals + 1] == 'B') {
        t.Set(field::kForm, form::kRegisterFromB);
        t.Set(field::kA, RegisterNumber(t.line, equals));
    } else if (t.line[0] == 'B') {
        TranslateBForm(t, equals);
    } else if (t.line[0] != 'R') {
        t.Set(field::kForm, form::kNoTarget);
    } else {
        TranslateRegisterAssignment(t);
    }
}

// ---- statements -------------------------------------------------------------------------

struct Comparison {
    std::string_view text;
    form::ComparisonForms forms;
};

// Two-character comparisons first, so that a lone '<' or '>' is one not followed by '='
// or '>'.
constexpr Comparison kComparisons[] = {
    {"<>", form::kNotEqualForms},    {">=", form::kGreaterOrEqualForms},
    {"<=", form::kLessOrEqualForms}, {"=", form::kEqualForms},
    {">", form::kGreaterForms},      {"<", form::kLessForms},
};

// IF Rn<comparison>X THEN, X a register or a number
bool ReadCondition(Translation& t, int operand) {
    const char* text = t.line + operand;
    std::uint8_t n = 0;
    int length = 0;
    if (!ReadRegister(text, n, length)) return true;
    t.Set(field::kA, n);
    for (const Comparison& comparison : kComparisons) {
        if (!StartsWith(text + length, comparison.text)) continue;
        const char* right = text + length + comparison.text.size();
        std::uint8_t m = 0;
        std::int32_t k = 0;
        int rightLength = 0;
        if (ReadRegister(right, m, rightLength)) {
            t.Set(field::kForm, comparison.forms.withRegister);
            t.Set(field::kB, m);
        } else if (ReadNumber(t, right, kWordClass, k, rightLength)) {
            t.Set(field::kForm, comparison.forms.withNumber);
            t.Set16(field::kB, k);
        }
        return true;
    }
    return true;
}

// WAIT Rm | WAIT k
bool ReadWaitOperand(Translation& t, int operand) {
    const char* text = t.line + operand;
    const int characters = t.length - 1 - operand;  // up to the LF
    std::uint8_t m = 0;
    int length = 0;
    if (ReadRegister(text, m, length)) {
        t.Set(field::kForm, form::kWaitRegister);
        t.Set(field::kA, m);
        t.Set(field::kCount, 1);
        return true;
    }
    if (characters < 1) return false;
    const auto v = static_cast<std::uint32_t>(NumberValue(text, characters));
    t.Set(field::kForm, form::kWaitNumber);
    t.Set(field::kA, v & 0xFF);
    if (v > 0xFF) {
        t.Set(field::kB, (v >> 8) & 0xFF);
        t.Set(field::kCount, 2);
    }
    return true;
}

// GOTO name: the index of the label "name:", or the label count when there is none
bool ReadGotoLabel(Translation& t, int operand) {
    const char* name = t.line + operand;
    const int k = t.length - 1 - operand;
    const std::uint32_t count = std::min<std::uint32_t>(t.state.labelCount, kMaxLabels);
    t.Set(field::kA, count);
    if (k < 0 || k >= static_cast<int>(kLabelSize)) return true;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto& label = t.state.labels[i];
        if (std::memcmp(label.data(), name, k) == 0 && label[k] == ':') {
            t.Set(field::kA, i);
            break;
        }
    }
    return true;
}

// Key codes of `length` characters of PRINT text, stored from record byte 3.
bool PutKeyCodes(Translation& t, const char* text, int length) {
    std::uint8_t codes[kMaxKeyText];
    if (length < 1 || length > kMaxKeyText) return false;
    const int count = KeyTextToCodes(text, length, codes, t.state.scriptLayout);
    if (count < 0 || count > static_cast<int>(field::kMaxCodes)) return false;
    std::copy(codes, codes + count, t.record.begin() + field::kCodes);
    t.Set(field::kCount, count);
    return true;
}

// PRINT ALL | PRINT ALL,Rk | PRINT ALL,k
void ReadPrintAll(Translation& t, const char* text) {
    if (text[kAllWord.size()] == '\n') {
        t.Set(field::kForm, form::kPrintAll);
        return;
    }
    const char* second = text + kAllWord.size() + 1;  // after the comma
    std::uint8_t k = 0;
    std::int32_t value = 0;
    int length = 0;
    if (ReadRegister(second, k, length)) {
        t.Set(field::kForm, form::kPrintAllRegister);
        t.Set(field::kA, k);
    } else if (ReadNumber(t, second, kByteClass, value, length)) {
        t.Set(field::kForm, form::kPrintAllNumber);
        t.Set(field::kA, value);
    }
}

// PRINT Rn | PRINT Rn,Rk | PRINT Rn,k
void ReadPrintRegister(Translation& t, const char* text, int m, std::uint8_t n, int length) {
    if (m - length == 1) {
        t.Set(field::kForm, form::kPrintRegister);
        t.Set(field::kA, n);
        return;
    }
    const char* second = text + length + 1;
    std::uint8_t k = 0;
    std::int32_t value = 0;
    int secondLength = 0;
    if (ReadRegister(second, k, secondLength)) {
        t.Set(field::kForm, form::kPrintRegisters);
        t.Set(field::kA, (k * 16 + n) & 0xFF);
    } else if (ReadNumber(t, second, kByteClass, value, secondLength)) {
        t.Set(field::kForm, form::kPrintRegisterNumber);
        t.Set(field::kA, n);
        t.Set(field::kB, std::min<std::uint32_t>(static_cast<std::uint32_t>(value), 0xFF));
    }
}

// PRINT "Q" | PRINT "Q",k | PRINT "Q",Rk; the closing quote is the last one of the line
bool ReadPrintText(Translation& t, const char* text, int m) {
    int q = 1;
    for (int i = m - 1; i >= 2; --i) {
        if (text[i] == '"') {
            q = i;
            break;
        }
    }
    if (q == 1) return true;
    if (q == m - 2) {
        t.Set(field::kForm, form::kPrintText);
        return PutKeyCodes(t, text + 1, m - 3);
    }
    const char* second = text + q + 2;
    std::uint8_t k = 0;
    int length = 0;
    if (ReadRegister(second, k, length)) {
        t.Set(field::kForm, form::kPrintTextRegister);
        t.Set(field::kP, k);
    } else {
        const auto value = static_cast<std::uint32_t>(NumberValue(second, m - q - 3));
        t.Set(field::kForm, form::kPrintTextNumber);
        t.Set(field::kP, std::min<std::uint32_t>(value, 0xFF));
    }
    return PutKeyCodes(t, text + 1, q - 1);
}

// PRINT ALL... | PRINT Rn... | PRINT "Q"...
bool ReadPrintArguments(Translation& t, int operand) {
    const char* text = t.line + operand;
    const int m = t.length - operand;  // up to and including the LF
    std::uint8_t n = 0;
    int length = 0;
    if (StartsWith(text, kAllWord)) {
        ReadPrintAll(t, text);
    } else if (ReadRegister(text, n, length)) {
        ReadPrintRegister(t, text, m, n, length);
    } else if (text[0] == '"') {
        return ReadPrintText(t, text, m);
    }
    return true;
}

// PSET x,y | PSET x,y,v, each argument a register or a number
bool ReadPsetArguments(Translation& t, int operand) {
    const char* text = t.line + operand;
    const int m = t.length - 1 - operand;  // up to the LF
    unsigned registers = 0;
    int j = 0;
    for (int pos = 0; pos < m && j < 3;) {
        std::uint8_t value = 0;
        std::int32_t number = 0;
        int length = 0;
        if (text[pos] == 'R' && ReadRegister(text + pos, value, length)) {
            registers |= 1u << j;
        } else if (text[pos] >= '0' && text[pos] <= '9') {
            if (!ReadNumber(t, text + pos, kPsetArgumentClasses[j], number, length)) return true;
            value = static_cast<std::uint8_t>(number & 0xFF);
        } else {
            ++pos;
            continue;
        }
        t.Set(field::kA + j, value);
        pos += length;
        ++j;
        if (j == 2 && pos == m) t.Set(field::kForm, form::kPsetTwoArguments + registers);
        if (j == 3) t.Set(field::kForm, form::kPsetThreeArguments + registers);
    }
    return true;
}

struct KeywordStatement {
    std::string_view keyword;
    Kind kind;
    bool (*read)(Translation&, int operand);  // null: nothing more to read
};

constexpr KeywordStatement kKeywordStatements[] = {
    {"IF", KIND_IF, ReadCondition},
    {"END", KIND_END_IF, nullptr},  // every END line but the program's last
    {"WAIT", KIND_WAIT, ReadWaitOperand},
    {"GOTO", KIND_GOTO, ReadGotoLabel},
    {"ELSE", KIND_ELSE, nullptr},
    {"PSET", KIND_PSET, ReadPsetArguments},
    {"PRINT", KIND_PRINT, ReadPrintArguments},
    {"CLEAR", KIND_CLEAR, nullptr},  // INKEY$ is the only thing CLEAR clears
};

bool TranslateKeyword(Translation& t, int keywordLength) {
    const std::string_view keyword(t.line, keywordLength);
    if (keyword == "END" && t.length == 4) {
        if (t.state.trace) std::fputs("Command END\n", stdout);
        t.Set(field::kKind, KIND_END);
        return true;
    }
    if (keyword == "CLS") {
        if (t.state.trace) std::fputs("Command CLR\n", stdout);
        t.Set(field::kKind, KIND_CLS);
        return true;
    }
    for (const KeywordStatement& statement : kKeywordStatements) {
        if (keyword != statement.keyword) continue;
        if (t.state.trace) std::printf("Command:%.*s\n", keywordLength, t.line);
        t.Set(field::kKind, statement.kind);
        const int operand = static_cast<int>(statement.keyword.size()) + kKeywordBlank;
        return statement.read == nullptr || statement.read(t, operand);
    }
    return false;
}

enum class Shape { kKeyword, kAssignment, kLabel, kNone };

// What decides the line's shape: the end of its first word, an '=' (unless the line ends
// in a colon, which makes it a label that holds an '='), or a colon.
Shape FindShape(const char* line, int length, int& at) {
    const bool endsInColon = length >= 2 && line[length - 2] == ':';
    for (int i = 0; i < length; ++i) {
        at = i;
        const char c = line[i];
        if (c == ' ' || c == '\n' || c == '\0') return Shape::kKeyword;
        if (c == '=' && !endsInColon) return Shape::kAssignment;
        if (c == ':') return Shape::kLabel;
    }
    return Shape::kNone;
}

}  // namespace

std::uint8_t RegisterNumber(const char* token, int tokenLength) {
    if (tokenLength == 3) return static_cast<std::uint8_t>((token[1] - '0') * 10 + token[2] - '0');
    return static_cast<std::uint8_t>(token[1] - '0');
}

bool TranslateStatement(const CompilerState& state, const char* line, int length,
                        StatementRecord& record) {
    Translation t{state, line, length, record};
    int at = 0;
    switch (FindShape(line, length, at)) {
        case Shape::kLabel:
            t.Set(field::kKind, KIND_LABEL);
            return true;
        case Shape::kAssignment:
            TranslateAssignment(t, at);
            return true;
        case Shape::kKeyword:
            return TranslateKeyword(t, at);
        case Shape::kNone:
            break;
    }
    return false;
}

}  // namespace vorn::script
