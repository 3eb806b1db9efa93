#include "script/Decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "script/KeyTables.h"

namespace vorn::script {
namespace {

// Every row of the encoding tables with the statement kind it encodes.
struct Row {
    Kind kind;
    std::uint8_t form;  // the record form; the fixed shapes keep the form they imply
    const isa::Encoding* encoding;
};

std::vector<Row> AllRows() {
    std::vector<Row> rows = {
        {KIND_CLS, 0, &isa::kCls},
        {KIND_END, 0, &isa::kEnd},
        {KIND_CLEAR, 0, &isa::kClearInkey},
        {KIND_RND, 0, &isa::kRnd},
        {KIND_INKEY, 0, &isa::kInkey},
        {KIND_WAIT, form::kWaitNumber, &isa::kWaitNumber},
        {KIND_WAIT, form::kWaitRegister, &isa::kWaitRegister},
        {KIND_GOTO, 0, &isa::kJump},
    };
    const auto add = [&rows](Kind kind, std::span<const isa::Encoding> table) {
        for (const isa::Encoding& e : table) rows.push_back({kind, e.form, &e});
    };
    add(KIND_PRINT, isa::kPrintEncodings);
    add(KIND_PSET, isa::kPsetEncodings);
    add(KIND_ASSIGN, isa::kAssignEncodings);
    add(KIND_IF, isa::kIfEncodings);
    return rows;
}

const Row* RowForOpcode(std::uint8_t opcode) {
    static const std::vector<Row> rows = AllRows();
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [opcode](const Row& r) { return r.encoding->opcode == opcode; });
    return row == rows.end() ? nullptr : &*row;
}

std::uint16_t Word(std::uint8_t low, std::uint8_t high) {
    return static_cast<std::uint16_t>(low | (high << 8));
}

std::int16_t Signed(std::uint16_t value) { return static_cast<std::int16_t>(value); }

std::string HexNumber(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0X%X", static_cast<unsigned>(value));
    return text;
}

std::string Register(unsigned n) { return "R" + std::to_string(n); }

// How a number is written where it stands, so that the text compiles to the same bytes.
enum class Style {
    kSigned,        // decimal, negative with '-'
    kHex,           // 0X...
    kNonNegative,   // decimal up to 32767, hexadecimal above
    kFourDigits,    // decimal -9999..9999, hexadecimal otherwise (IF operands)
    kUnsignedFour,  // decimal up to 9999, hexadecimal above (WAIT)
};

std::string Number(std::uint16_t value, Style style) {
    const int s = Signed(value);
    switch (style) {
        case Style::kSigned:
            return std::to_string(s);
        case Style::kHex:
            return HexNumber(value);
        case Style::kNonNegative:
            return value <= 0x7FFF ? std::to_string(value) : HexNumber(value);
        case Style::kFourDigits:
            return s >= -9999 && s <= 9999 ? std::to_string(s) : HexNumber(value);
        case Style::kUnsignedFour:
            return value <= 9999 ? std::to_string(value) : HexNumber(value);
    }
    return std::to_string(value);
}

std::string TermText(const Term& term, Style style) {
    return term.isRegister ? Register(term.reg) : Number(term.value, style);
}

Term RegisterTerm(unsigned n) { return {true, static_cast<std::uint8_t>(n & 0x0F), 0}; }
Term NumberTerm(std::uint16_t value) { return {false, 0, value}; }

struct OperatorRow {
    const form::OperatorForms* forms;
    Operation operation;
    const char* symbol;
};

constexpr OperatorRow kOperators[] = {
    {&form::kAddForms, Operation::kAdd, "+"},
    {&form::kSubtractForms, Operation::kSubtract, "-"},
    {&form::kMultiplyForms, Operation::kMultiply, "*"},
    {&form::kDivideForms, Operation::kDivide, "/"},
    {&form::kModForms, Operation::kMod, " MOD "},
    {&form::kAndForms, Operation::kAnd, " AND "},
    {&form::kOrForms, Operation::kOr, " OR "},
    {&form::kXorForms, Operation::kXor, " XOR "},
};

const OperatorRow* OperatorFor(Operation operation) {
    for (const OperatorRow& row : kOperators) {
        if (row.operation == operation) return &row;
    }
    return nullptr;
}

bool IsBitwise(Operation operation) {
    return operation == Operation::kAnd || operation == Operation::kOr ||
           operation == Operation::kXor || operation == Operation::kNot;
}

struct ComparisonRow {
    const form::ComparisonForms* forms;
    Comparison comparison;
    const char* symbol;
};

constexpr ComparisonRow kComparisons[] = {
    {&form::kEqualForms, Comparison::kEqual, "="},
    {&form::kNotEqualForms, Comparison::kNotEqual, "<>"},
    {&form::kGreaterForms, Comparison::kGreater, ">"},
    {&form::kLessForms, Comparison::kLess, "<"},
    {&form::kGreaterOrEqualForms, Comparison::kGreaterOrEqual, ">="},
    {&form::kLessOrEqualForms, Comparison::kLessOrEqual, "<="},
};

// Operator forms from the table: the one the form is, register-first shapes before the
// number-first ones (a commutative operator shares them).
std::optional<Assignment> OperatorAssignment(const StatementRecord& r, std::uint8_t f) {
    const unsigned a = r[field::kA], b = r[field::kB], c = r[field::kC];
    const Term k = NumberTerm(Word(r[field::kC], r[field::kD]));
    for (const OperatorRow& row : kOperators) {
        const form::OperatorForms& forms = *row.forms;
        Assignment x{row.operation, static_cast<std::uint8_t>(a), {}, {}};
        if (f == forms.registerFirstSame) {
            x.left = RegisterTerm(a), x.right = k;
        } else if (f == forms.registerFirstOther) {
            x.left = RegisterTerm(b), x.right = k;
        } else if (f == forms.leftIsTarget) {
            x.left = RegisterTerm(a), x.right = RegisterTerm(c);
        } else if (f == forms.rightIsTarget) {
            x.left = RegisterTerm(b), x.right = RegisterTerm(a);
        } else if (f == forms.neitherIsTarget) {
            x.left = RegisterTerm(b), x.right = RegisterTerm(c);
        } else if (f == forms.numberFirstSame) {
            x.left = k, x.right = RegisterTerm(a);
        } else if (f == forms.numberFirstOther) {
            x.left = k, x.right = RegisterTerm(b);
        } else {
            continue;
        }
        return x;
    }
    return std::nullopt;
}

std::string AssignmentText(const Decoded& d) {
    const std::optional<Assignment> x = AssignmentOf(d);
    if (!x) return "?";
    const std::string target = Register(x->target) + "=";
    switch (x->operation) {
        case Operation::kFromB:
            return target + "B";
        case Operation::kToB:
            return "B=" + (x->right.isRegister ? Register(x->right.reg)
                                               : std::to_string(x->right.value & 0xFF));
        case Operation::kCopy:
            if (d.form == form::kNegativeNumber) {
                return target +
                       (x->right.value == 0 ? "-0" : Number(x->right.value, Style::kSigned));
            }
            return target + TermText(x->right, Style::kNonNegative);
        case Operation::kNegate:
            return target + "-" + TermText(x->right, Style::kSigned);
        case Operation::kNot:
            return target + "NOT " + TermText(x->right, Style::kHex);
        default:
            break;
    }
    const OperatorRow* row = OperatorFor(x->operation);
    const Style style = IsBitwise(x->operation) ? Style::kHex : Style::kSigned;
    return target + TermText(x->left, style) + row->symbol + TermText(x->right, style);
}

std::string PrintText(const Decoded& d, std::uint8_t layout) {
    const StatementRecord& r = d.record;
    const unsigned a = r[field::kA];
    const std::string text = "\"" + KeyCodeText(r[field::kCodes], layout) + "\"";
    switch (d.form) {
        case form::kPrintRegister:
            return "PRINT " + Register(a);
        case form::kPrintRegisters:
            return "PRINT " + Register(a & 0x0F) + "," + Register(a >> 4);
        case form::kPrintRegisterNumber:
            return "PRINT " + Register(a) + "," + std::to_string(r[field::kB]);
        case form::kPrintText:
            return "PRINT " + text;
        case form::kPrintTextNumber:
            return "PRINT " + text + "," + std::to_string(r[field::kP]);
        case form::kPrintTextRegister:
            return "PRINT " + text + "," + Register(r[field::kP]);
        case form::kPrintAll:
            return "PRINT ALL";
        case form::kPrintAllRegister:
            return "PRINT ALL," + Register(a);
        case form::kPrintAllNumber:
            return "PRINT ALL," + std::to_string(a);
        default:
            return "PRINT ?";
    }
}

// The PSET forms add one bit per register argument to the base form of their count.
std::string PsetText(const Decoded& d) {
    const StatementRecord& r = d.record;
    const bool three = d.form >= form::kPsetThreeArguments;
    const unsigned registers =
        d.form - (three ? form::kPsetThreeArguments : form::kPsetTwoArguments);
    const auto argument = [&](std::size_t i) {
        const unsigned value = r[field::kA + i];
        return (registers >> i) & 1u ? Register(value) : std::to_string(value);
    };
    std::string text = "PSET " + argument(0) + "," + argument(1);
    if (three) text += "," + argument(2);
    return text;
}

}  // namespace

bool ParseIntermediateText(std::string_view text, std::vector<Instruction>& instructions,
                           int& badLine) {
    instructions.clear();
    std::uint32_t address = 0;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        badLine = lineNumber;
        const std::size_t end = text.find("\r\n");
        if (end == std::string_view::npos) return false;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 2);
        // "XX" then " XX" for each further byte.
        if (line.size() % 3 != 2 || line.size() > 3 * kMaxInstructionBytes - 1) return false;
        Instruction instruction;
        instruction.address = address;
        for (std::size_t i = 0; i < line.size(); i += 3) {
            if (i > 0 && line[i - 1] != ' ') return false;
            unsigned value = 0;
            for (std::size_t j = i; j < i + 2; ++j) {
                const char c = line[j];
                const bool digit = c >= '0' && c <= '9';
                if (!digit && !(c >= 'A' && c <= 'F')) return false;
                value = value * 16 + static_cast<unsigned>(digit ? c - '0' : c - 'A' + 10);
            }
            instruction.bytes[instruction.length++] = static_cast<std::uint8_t>(value);
        }
        address += instruction.length;
        instructions.push_back(instruction);
    }
    badLine = 0;
    return true;
}

std::string HexBytes(const Instruction& instruction) {
    std::string text;
    for (std::size_t i = 0; i < instruction.length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%s%02X", i == 0 ? "" : " ", instruction.bytes[i]);
        text += pair;
    }
    return text;
}

std::string HexAddress(std::uint32_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(address & 0xFFFF));
    return text;
}

bool DecodeInstruction(const Instruction& instruction, Decoded& decoded) {
    decoded = Decoded{};
    if (instruction.length == 0) return false;
    const Row* row = RowForOpcode(instruction.bytes[0]);
    if (row == nullptr || instruction.length != 1u + row->encoding->operandCount) return false;
    decoded.encoding = row->encoding;
    decoded.kind = row->kind;
    decoded.form = row->form;
    StatementRecord& r = decoded.record;
    r[field::kKind] = row->kind;
    r[field::kForm] = row->form;
    bool aKnown = false;
    bool targetInB = false;
    std::uint16_t target = 0;
    int targetBytes = 0;
    const auto pair = [&r](std::size_t high, std::size_t low, std::uint8_t v) {
        r[high] = static_cast<std::uint8_t>(v >> 4);
        r[low] = static_cast<std::uint8_t>(v & 0x0F);
    };
    for (std::size_t i = 0; i < row->encoding->operandCount; ++i) {
        const std::uint8_t v = instruction.bytes[1 + i];
        switch (row->encoding->operands[i]) {
            case isa::kA:
                r[field::kA] = v, aKnown = true;
                break;
            case isa::kB:
                r[field::kB] = v;
                break;
            case isa::kC:
                r[field::kC] = v;
                break;
            case isa::kD:
                r[field::kD] = v;
                break;
            case isa::kP:
                r[field::kP] = v;
                break;
            case isa::kKey:
                r[field::kCodes] = v, r[field::kCount] = 1;
                break;
            case isa::kTarget:
                target |= static_cast<std::uint16_t>(v << (8 * targetBytes++));
                break;
            case isa::kBA:
            case isa::kBA4:
                pair(field::kB, field::kA, v), aKnown = true;
                break;
            case isa::kCA:
            case isa::kCA4:
                pair(field::kC, field::kA, v), aKnown = true;
                break;
            case isa::kCB:
            case isa::kCB4:
                pair(field::kC, field::kB, v), targetInB = true;
                break;
            case isa::kPosition:
                r[field::kA] = v & 0x1F, r[field::kB] = v >> 5, aKnown = true;
                break;
        }
    }
    // The two-register forms that keep the target in b (c:b) leave a to be read from it.
    if (targetInB && !aKnown) r[field::kA] = r[field::kB];
    if (targetBytes == 2) decoded.target = target;
    return true;
}

std::optional<Assignment> AssignmentOf(const Decoded& d) {
    if (d.kind != KIND_ASSIGN) return std::nullopt;
    const StatementRecord& r = d.record;
    const std::uint8_t a = r[field::kA], b = r[field::kB];
    const Term bc = NumberTerm(Word(r[field::kB], r[field::kC]));
    switch (d.form) {
        case form::kRegisterFromB:
            return Assignment{Operation::kFromB, a, {}, {}};
        case form::kBFromRegister:
            return Assignment{Operation::kToB, 0, {}, RegisterTerm(a)};
        case form::kBFromNumber:
            return Assignment{Operation::kToB, 0, {}, NumberTerm(a)};
        case form::kNumber:
        case form::kNegativeNumber:
            return Assignment{Operation::kCopy, a, {}, bc};
        case form::kRegister:
            return Assignment{Operation::kCopy, a, {}, RegisterTerm(b)};
        case form::kNegativeRegister:
            return Assignment{Operation::kNegate, a, {}, RegisterTerm(b)};
        case form::kNotNumber:
            return Assignment{Operation::kNot, a, {}, bc};
        case form::kNotRegister:
            return Assignment{Operation::kNot, a, {}, RegisterTerm(b)};
        default:
            return OperatorAssignment(r, d.form);
    }
}

std::optional<Condition> ConditionOf(const Decoded& d) {
    if (d.kind != KIND_IF) return std::nullopt;
    const StatementRecord& r = d.record;
    for (const ComparisonRow& row : kComparisons) {
        if (d.form == row.forms->withNumber) {
            return Condition{row.comparison, r[field::kA],
                             NumberTerm(Word(r[field::kB], r[field::kC]))};
        }
        if (d.form == row.forms->withRegister) {
            return Condition{row.comparison, r[field::kA], RegisterTerm(r[field::kB])};
        }
    }
    return std::nullopt;
}

namespace {

// The first of `characters` that the character key table gives `code`.
std::optional<char> CharacterFor(std::uint8_t code, std::string_view characters) {
    for (const char c : characters) {
        if (CharacterKeyCode(static_cast<unsigned char>(c)) == code) return c;
    }
    return std::nullopt;
}

const char* KeyNameFor(std::uint8_t code, std::uint8_t layout) {
    const std::uint8_t bit = layout == 2 ? kInLayout2 : kInLayout1;
    const char* other = nullptr;
    for (const KeyName& key : AllKeyNames()) {
        if (key.code != code) continue;
        if (key.layouts & bit) return key.name;
        if (other == nullptr) other = key.name;
    }
    return other;
}

constexpr std::string_view kLettersAndDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890";

}  // namespace

std::string KeyCodeText(std::uint8_t code, std::uint8_t layout) {
    // Signs that stand in PRINT text as they are ('=' would make the line an assignment,
    // '>' would close no key name).
    if (const auto c = CharacterFor(code, std::string(kLettersAndDigits) + "-+[]\\;'`,./")) {
        return std::string(1, *c);
    }
    if (const char* name = KeyNameFor(code, layout)) return std::string("<") + name + ">";
    return "<" + HexNumber(code) + ">";
}

std::string KeyCodeName(std::uint8_t code, std::uint8_t layout) {
    if (const auto c = CharacterFor(code, std::string(kLettersAndDigits) + "-=[]\\;'`,./")) {
        return std::string(1, *c);
    }
    if (const char* name = KeyNameFor(code, layout)) return name;
    char text[8];
    std::snprintf(text, sizeof text, "0X%02X", code);
    return text;
}

std::string LabelsAt(std::uint32_t address, std::span<const LabelAt> labels) {
    std::string names;
    for (const LabelAt& label : labels) {
        if (label.address != address) continue;
        if (!names.empty()) names += ", ";
        names += label.name;
    }
    return names;
}

std::string StatementText(const Decoded& d, std::uint8_t layout, std::span<const LabelAt> labels) {
    const StatementRecord& r = d.record;
    switch (d.kind) {
        case KIND_CLS:
            return "CLS";
        case KIND_END:
            return "END";
        case KIND_CLEAR:
            return "CLEAR INKEY$";
        case KIND_RND:
            return Register(r[field::kA]) + "=RND";
        case KIND_INKEY:
            return Register(r[field::kA]) + "=INKEY$";
        case KIND_WAIT:
            return d.form == form::kWaitRegister
                       ? "WAIT " + Register(r[field::kA])
                       : "WAIT " + Number(Word(r[field::kA], r[field::kB]), Style::kUnsignedFour);
        case KIND_GOTO: {
            for (const LabelAt& label : labels) {
                if (d.target && label.address == *d.target) return "GOTO " + label.name;
            }
            return "GOTO";
        }
        case KIND_IF: {
            const std::optional<Condition> condition = ConditionOf(d);
            if (!condition) return "IF ? THEN";
            const auto row = std::find_if(
                std::begin(kComparisons), std::end(kComparisons),
                [&](const ComparisonRow& c) { return c.comparison == condition->comparison; });
            // A lone < or > must be followed by a digit or R, so a negative number
            // after it is written in hexadecimal.
            const bool lone = condition->comparison == Comparison::kLess ||
                              condition->comparison == Comparison::kGreater;
            const Style style =
                lone && Signed(condition->operand.value) < 0 ? Style::kHex : Style::kFourDigits;
            return "IF " + Register(condition->reg) + row->symbol +
                   TermText(condition->operand, style) + " THEN";
        }
        case KIND_PRINT:
            return PrintText(d, layout);
        case KIND_PSET:
            return PsetText(d);
        case KIND_ASSIGN:
            return AssignmentText(d);
        default:
            return "?";
    }
}

std::string ReadableForm(const Decoded& d, std::uint8_t layout, std::span<const LabelAt> labels) {
    if (!d.target) return StatementText(d, layout, labels);
    std::string text = d.kind == KIND_GOTO ? "GOTO" : StatementText(d, layout, labels) + " else";
    text += " -> " + HexAddress(*d.target);
    const std::string names = LabelsAt(*d.target, labels);
    if (!names.empty()) text += " (" + names + ")";
    return text;
}

}  // namespace vorn::script
