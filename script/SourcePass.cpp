#include "script/SourcePass.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "script/KeyTables.h"
#include "script/Lexer.h"

namespace vorn::script {
namespace {

// Storage limits of the pass. A line that would exceed one is refused like any other bad
// line, so the later passes never meet more than they have room for.
constexpr int kMaxLineLength = 200;      // characters once the comment is dropped
constexpr int kMaxPhysicalLength = 251;  // characters of the physical line, comment included
constexpr int kLineBufferSize = kMaxPhysicalLength + 1;
constexpr int kMaxLeadingLetters = 31;
constexpr int kMaxGotos = 100;
constexpr int kMaxGotoTarget = static_cast<int>(kLabelSize) - 1;  // leaves room for the ':'
constexpr int kMaxIfDepth = 20;
constexpr int kMaxPrintCodes = 50;  // what a statement record holds
constexpr int kMaxPrintText = kMaxLineLength;

constexpr char kProgramEnd[] = "END\n";
constexpr int kProgramEndLength = 4;
constexpr int kLineEndLength = 2;  // CR LF after every accepted line

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A GOTO target with the colon it is looked up with; 31 bytes hold 30 characters and ':'.
struct GotoTarget {
    std::array<char, kLabelSize> text;
    int length;
    int line;  // of the GOTO, for the explanation of a missing label
};

// Everything the pass keeps between lines; lives on the stack for one call.
struct PassState {
    CompilerState& compiler;
    std::FILE* file = nullptr;
    long endPosition = 0;  // offset of the E of the final END
    long offset = 0;
    int lineNumber = 1;
    std::array<char, kLineBufferSize> line{};
    // The line as read, before its blanks were squeezed: columns are counted in it.
    std::array<char, kLineBufferSize> unsqueezed{};
    int unsqueezedLength = 0;
    bool lastLineHeldEnd = false;
    int endLine =
        1;  // the line of the final END  // the last line read ended at the final END, not at LF
    int ifDepth = 0;
    std::array<bool, kMaxIfDepth + 1> elseSeen{};  // per open block, index = its depth
    std::array<int, kMaxIfDepth + 1> ifLines{};    // the line of each open IF
    std::array<GotoTarget, kMaxGotos> gotos{};
    int gotoCount = 0;
};

enum class ReadResult { kLine, kRefused, kReadError };

// Checks a statement line of n characters whose operands start at `operand`.
using LineCheck = bool (*)(PassState&, const char* line, int n, int operand);

// --- Explanations ---

// The column (from 1) in the line as read of the squeezed line's `position`: squeezing only
// drops blanks, so the squeezed text is matched into the unsqueezed one.
int ColumnOf(const PassState& pass, int position) {
    const char* squeezed = pass.line.data();
    const char* raw = pass.unsqueezed.data();
    const int rawLength = pass.unsqueezedLength;
    int i = 0;
    for (int j = 0; j < position; ++j) {
        while (i < rawLength && raw[i] != squeezed[j]) ++i;
        if (i < rawLength) ++i;
    }
    while (i < rawLength && raw[i] == ' ' && squeezed[position] != ' ') ++i;
    return i + 1;
}

// The formats below follow C99 (%zu and the like). mingw names Microsoft's runtime "printf"
// for the format check, while the vsnprintf it calls here is its C99 one.
#ifdef __MINGW32__
#define VORN_PRINTF_FORMAT gnu_printf
#else
#define VORN_PRINTF_FORMAT printf
#endif

void VFormat(std::array<char, kExplanationSize>& out, const char* format, std::va_list args) {
    std::vsnprintf(out.data(), out.size(), format, args);
}

// Records why the current line is refused, at the squeezed line's `position`; the first
// reason given for a line stands. Returns false for the caller to return.
[[gnu::format(VORN_PRINTF_FORMAT, 3, 4)]] bool Refuse(PassState& pass, int position,
                                                      const char* format, ...) {
    Explanation& explanation = pass.compiler.explanation;
    if (!explanation.Empty()) return false;
    explanation.line = pass.lineNumber;
    explanation.column = position < 0 ? 0 : ColumnOf(pass, position);
    std::va_list args;
    va_start(args, format);
    VFormat(explanation.why, format, args);
    va_end(args);
    return false;
}

// What to do about the refusal just recorded; only the first suggestion stands.
[[gnu::format(VORN_PRINTF_FORMAT, 2, 3)]] bool Suggest(PassState& pass, const char* format, ...) {
    Explanation& explanation = pass.compiler.explanation;
    if (explanation.suggestion[0] != '\0') return false;
    std::va_list args;
    va_start(args, format);
    VFormat(explanation.suggestion, format, args);
    va_end(args);
    return false;
}

// A refusal of the whole file (no line is to blame), or of a line given by number.
[[gnu::format(VORN_PRINTF_FORMAT, 4, 5)]] void ExplainAt(CompilerState& compiler, int line,
                                                         int column, const char* format, ...) {
    Explanation& explanation = compiler.explanation;
    explanation.Clear();
    explanation.line = line;
    explanation.column = column;
    std::va_list args;
    va_start(args, format);
    VFormat(explanation.why, format, args);
    va_end(args);
}

// --- Text helpers. `line` holds n characters and an LF at line[n]; none reads past it. ---

bool Matches(const char* line, int n, int position, std::string_view word) {
    const int length = static_cast<int>(word.size());
    return position + length <= n && std::memcmp(line + position, word.data(), length) == 0;
}

bool IsWhole(const char* line, int n, int position, std::string_view word) {
    return Matches(line, n, position, word) && position + static_cast<int>(word.size()) == n;
}

bool Holds(const char* line, int n, char c) { return std::memchr(line, c, n) != nullptr; }

bool RegisterReachesEnd(const char* line, int n, int position) {
    int length = 0;
    return position <= n && IsRegisterToken(line + position, length) && position + length == n;
}

bool NumberReachesEnd(const char* line, int n, int position, int widthClass, std::uint8_t layout) {
    int length = 0;
    return position <= n && IsNumberToken(line + position, length, widthClass, layout) &&
           position + length == n;
}

bool OperandReachesEnd(const char* line, int n, int position, int widthClass, std::uint8_t layout) {
    return RegisterReachesEnd(line, n, position) ||
           NumberReachesEnd(line, n, position, widthClass, layout);
}

// --- Operands that do not fit, in words ---

// The text of the token at `position` for quoting: up to the next delimiter, at most 16.
std::string_view TokenText(const char* line, int n, int position) {
    int end = position;
    while (end < n && end - position < 16) {
        const char c = line[end];
        const bool delimiter = c == ' ' || c == ',' || c == '=' || c == '+' || c == '*' ||
                               c == '/' || c == '<' || c == '>' || (c == '-' && end > position);
        if (delimiter) break;
        ++end;
    }
    return {line + position, static_cast<std::size_t>(end - position)};
}

const char* RangeText(int widthClass, std::uint8_t layout) {
    switch (widthClass) {
        case kPsetRowClass:
            return "0 to 5";
        case kPsetColumnClass:
            return layout == 2 ? "0 to 18" : "0 to 22";
        case kByteClass:
            return "0 to 255";
        case kFourDigitClass:
            return "-9999 to 9999, or 0X0 to 0XFFFF";
        default:
            return "-32768 to 32767, or 0X0 to 0XFFFF";
    }
}

bool LooksNumeric(const char* text) {
    const char c = text[0] == '-' ? text[1] : text[0];
    return c >= '0' && c <= '9';
}

// Says why no operand of `widthClass` (`what`, e.g. "the WAIT time") stands at `position`
// so that it ends the line (or the argument). Always false.
bool ExplainOperand(PassState& pass, const char* line, int n, int position, int widthClass,
                    const char* what) {
    if (position >= n) return Refuse(pass, n, "%s is missing", what);
    const std::uint8_t layout = pass.compiler.scriptLayout;
    const std::string_view token = TokenText(line, n, position);
    const int shown = static_cast<int>(token.size());
    int length = 0;
    if (line[position] == 'R') {
        if (!IsRegisterToken(line + position, length)) {
            Refuse(pass, position, "\"%.*s\" is not a register: R0 to R15", shown, token.data());
            if (shown == 3 && line[position + 1] == '0')
                Suggest(pass, "write R%c", line[position + 2]);
            return false;
        }
    } else if (LooksNumeric(line + position)) {
        if (!IsNumberToken(line + position, length, widthClass, layout)) {
            if (widthClass == kPsetColumnClass && layout != 0) {
                return Refuse(pass, position,
                              "column %.*s is past the last column (%d) of this layout", shown,
                              token.data(), layout == 2 ? 18 : 22);
            }
            if (line[position] == '-' && widthClass < kFourDigitClass) {
                return Refuse(pass, position, "%s cannot be negative: %s", what,
                              RangeText(widthClass, layout));
            }
            return Refuse(pass, position, "\"%.*s\" is not a number %s can hold: %s", shown,
                          token.data(), what, RangeText(widthClass, layout));
        }
    } else {
        return Refuse(pass, position, "%s must be a register or a number, not \"%.*s\"", what,
                      shown, token.data());
    }
    return Refuse(pass, position + length, "unexpected \"%.*s\" after %s",
                  static_cast<int>(std::min(n - position - length, 20)), line + position + length,
                  what);
}

bool OperandOrExplain(PassState& pass, const char* line, int n, int position, int widthClass,
                      const char* what) {
    return OperandReachesEnd(line, n, position, widthClass, pass.compiler.scriptLayout) ||
           ExplainOperand(pass, line, n, position, widthClass, what);
}

// ',' then a register or a byte, ending the line: the second operand of PRINT.
bool SecondPrintOperand(PassState& pass, const char* line, int n, int position) {
    if (position < n && line[position] == ',') {
        return OperandOrExplain(pass, line, n, position + 1, kByteClass, "the PRINT count");
    }
    return Refuse(pass, position,
                  "unexpected \"%.*s\": after the text comes the end of the line "
                  "or a comma and a count",
                  std::min(n - position, 20), line + position);
}

// --- Assignment lines ---

// A register or a number of width class 5 at `position`; reports its length and kind.
bool AssignOperand(const char* line, int n, int position, std::uint8_t layout, int& length,
                   bool& isNumber) {
    if (position > n) return false;
    isNumber = false;
    if (IsRegisterToken(line + position, length)) return true;
    isNumber = IsNumberToken(line + position, length, kWordClass, layout);
    return isNumber;
}

// The length of the operator at `position`, or 0. Word operators keep a blank each side.
int OperatorLength(const char* line, int n, int position) {
    if (position >= n) return 0;
    switch (line[position]) {
        case '+':
        case '-':
        case '*':
        case '/':
            return 1;
        default:
            break;
    }
    for (const std::string_view word : {" MOD ", " AND ", " XOR ", " OR "}) {
        if (Matches(line, n, position, word)) return static_cast<int>(word.size());
    }
    return 0;
}

// operand | operand op operand, not both numbers: one instruction does one operation, and
// none of them takes two constants.
bool CheckArithmetic(PassState& pass, const char* line, int n, int position) {
    const std::uint8_t layout = pass.compiler.scriptLayout;
    int length = 0;
    bool firstIsNumber = false;
    if (!AssignOperand(line, n, position, layout, length, firstIsNumber)) {
        if (Matches(line, n, position, "INKEY$") || Matches(line, n, position, "RND")) {
            Refuse(pass, position, "INKEY$ and RND stand alone on the right of the =");
            return Suggest(pass, "assign them to a register first, then compute with it");
        }
        return ExplainOperand(pass, line, n, position, kWordClass, "the value");
    }
    position += length;
    if (position == n) return true;
    const int operatorLength = OperatorLength(line, n, position);
    if (operatorLength == 0) {
        return Refuse(pass, position, "\"%.*s\" is not an operator: + - * / MOD AND OR XOR",
                      static_cast<int>(TokenText(line, n, position).size()), line + position);
    }
    const int operatorAt = position;
    position += operatorLength;
    bool secondIsNumber = false;
    if (!AssignOperand(line, n, position, layout, length, secondIsNumber)) {
        return ExplainOperand(pass, line, n, position, kWordClass, "the second operand");
    }
    if (position + length != n) {
        if (OperatorLength(line, n, position + length) != 0) {
            Refuse(pass, position + length, "a second operator: an assignment does one operation");
            return Suggest(pass, "split it: R1=R2+R3 then R1=R1+R4");
        }
        return ExplainOperand(pass, line, n, position, kWordClass, "the second operand");
    }
    if (firstIsNumber && secondIsNumber) {
        Refuse(pass, operatorAt, "both operands are numbers: one of them must be a register");
        return Suggest(pass, "write the result as one number");
    }
    return true;
}

// Rn=B | Rn=INKEY$ | Rn=RND | Rn=-Rm | Rn=NOT operand | Rn=operand [op operand]
bool CheckRegisterAssignment(PassState& pass, const char* line, int n, int position) {
    if (IsWhole(line, n, position, "B") || IsWhole(line, n, position, "INKEY$") ||
        IsWhole(line, n, position, "RND")) {
        return true;
    }
    if (line[position] == '-' && RegisterReachesEnd(line, n, position + 1)) return true;
    if (Matches(line, n, position, kNotWord)) {
        const int operand = position + static_cast<int>(kNotWord.size());
        return OperandOrExplain(pass, line, n, operand, kWordClass, "the operand of NOT");
    }
    return CheckArithmetic(pass, line, n, position);
}

// Rn=... | B=Rm | B=k
bool CheckAssignment(PassState& pass, const char* line, int n) {
    const auto* equals = static_cast<const char*>(std::memchr(line, '=', n));
    const int at = static_cast<int>(equals - line);
    if (const auto* second = static_cast<const char*>(std::memchr(equals + 1, '=', n - at - 1))) {
        if (!Matches(line, n, 0, "PRINT")) {
            return Refuse(pass, static_cast<int>(second - line), "a second = in one assignment");
        }
    }
    if (Matches(line, n, 0, "PRINT")) {
        Refuse(pass, at, "a PRINT text cannot hold an =: the line is read as an assignment");
        return Suggest(pass, "type = with the key of + (PRINT \"+\"): they share a key");
    }
    if (at + 1 == n) return Refuse(pass, n, "nothing after the =");
    if (at == 1 && line[0] == 'B') {
        return OperandOrExplain(pass, line, n, at + 1, kByteClass, "the value of B");
    }
    int length = 0;
    if (!IsRegisterToken(line, length) || length != at) {
        if (at == 0)
            return Refuse(pass, 0, "nothing before the =: assign to a register R0 to R15 or to B");
        return ExplainOperand(pass, line, at, 0, kWordClass, "the left side") ||
               Refuse(pass, 0, "the left side of = must be a register R0 to R15 or B, not \"%.*s\"",
                      at, line);
    }
    return CheckRegisterAssignment(pass, line, n, at + 1);
}

// --- Statement lines ---

// The comparison after the tested register: = <> <= >= < >; its length or 0.
int ComparisonLength(const char* line, int n, int position) {
    if (Matches(line, n, position, "<>") || Matches(line, n, position, "<=") ||
        Matches(line, n, position, ">=")) {
        return 2;
    }
    if (Matches(line, n, position, "=")) return 1;
    if ((line[position] == '<' || line[position] == '>') &&
        (line[position + 1] == 'R' || (line[position + 1] >= '0' && line[position + 1] <= '9'))) {
        return 1;
    }
    return 0;
}

// IF Rn cmp operand THEN, cmp one of = <> <= >= < >
bool CheckIf(PassState& pass, const char* line, int n, int operand) {
    int length = 0;
    if (n < operand || !IsRegisterToken(line + operand, length)) {
        if (n >= operand && LooksNumeric(line + operand)) {
            Refuse(pass, operand, "IF tests a register first");
            return Suggest(pass, "turn the comparison round: IF R1=5 THEN");
        }
        return ExplainOperand(pass, line, n, operand, kFourDigitClass, "the tested register");
    }
    int position = operand + length;
    const int comparison = ComparisonLength(line, n, position);
    if (comparison == 0) {
        if ((line[position] == '<' || line[position] == '>') && line[position + 1] == '-') {
            Refuse(pass, position,
                   "a negative number after %c needs the comparison written "
                   "with = as well",
                   line[position]);
            return Suggest(pass, "write IF R1<=-6 THEN for IF R1<-5 THEN");
        }
        return Refuse(pass, position, "expected a comparison (= <> < > <= >=) after the register");
    }
    position += comparison;
    const std::uint8_t layout = pass.compiler.scriptLayout;
    if (!IsRegisterToken(line + position, length) &&
        !IsNumberToken(line + position, length, kFourDigitClass, layout)) {
        return ExplainOperand(pass, line, n, position, kFourDigitClass, "the compared value");
    }
    if (!IsWhole(line, n, position + length, " THEN")) {
        if (Matches(line, n, position + length, " THEN")) {
            Refuse(pass, position + length + 5, "nothing may follow THEN on its line");
            return Suggest(pass,
                           "put the statement on the next line and close the block with END IF");
        }
        return Refuse(pass, position + length, "expected THEN after the condition");
    }
    if (pass.ifDepth == kMaxIfDepth) {
        return Refuse(pass, 0, "more than %d IF blocks open at once", kMaxIfDepth);
    }
    pass.elseSeen[++pass.ifDepth] = false;
    pass.ifLines[pass.ifDepth] = pass.lineNumber;
    return true;
}

bool NothingAfter(PassState& pass, const char* line, int n, std::string_view whole) {
    if (IsWhole(line, n, 0, whole)) return true;
    const int at = static_cast<int>(whole.size());
    return Refuse(pass, at, "nothing may follow %.*s on its line", at, whole.data());
}

// CLS
bool CheckCls(PassState& pass, const char* line, int n, int) {
    return NothingAfter(pass, line, n, "CLS");
}

// END IF
bool CheckEndIf(PassState& pass, const char* line, int n, int) {
    if (IsWhole(line, n, 0, "END")) {
        Refuse(pass, 0, "END stands only as the last text of the file");
        return Suggest(pass, "to stop here, jump to a label just before the final END");
    }
    if (!IsWhole(line, n, 0, "END IF")) {
        return Refuse(pass, 4, "expected END IF");
    }
    if (pass.ifDepth == 0) return Refuse(pass, 0, "END IF without an open IF block");
    --pass.ifDepth;
    return true;
}

// ELSE, once per IF block
bool CheckElse(PassState& pass, const char* line, int n, int) {
    if (!NothingAfter(pass, line, n, "ELSE")) return false;
    if (pass.ifDepth == 0) return Refuse(pass, 0, "ELSE without an open IF block");
    if (pass.elseSeen[pass.ifDepth]) {
        return Refuse(pass, 0, "a second ELSE in the IF block of line %d",
                      pass.ifLines[pass.ifDepth]);
    }
    pass.elseSeen[pass.ifDepth] = true;
    return true;
}

// WAIT Rn | WAIT k
bool CheckWait(PassState& pass, const char* line, int n, int operand) {
    return OperandOrExplain(pass, line, n, operand, kFourDigitClass, "the WAIT time");
}

// GOTO name. Targets are resolved after the last line, so labels may come later.
bool CheckGoto(PassState& pass, const char* line, int n, int operand) {
    const int length = n - operand;
    if (length < 1) return Refuse(pass, n, "GOTO names no label");
    if (length > kMaxGotoTarget) {
        return Refuse(pass, operand, "the label name has %d characters; at most %d", length,
                      kMaxGotoTarget);
    }
    if (pass.gotoCount == kMaxGotos) {
        return Refuse(pass, 0, "more than %d GOTO lines in one script", kMaxGotos);
    }
    // A colon would make the target and the label lookup of the translator disagree.
    if (const char* colon = static_cast<const char*>(std::memchr(line + operand, ':', length))) {
        Refuse(pass, static_cast<int>(colon - line), "GOTO names the label without its colon");
        return Suggest(pass, "write GOTO %.*s", static_cast<int>(colon - line - operand),
                       line + operand);
    }
    GotoTarget& target = pass.gotos[pass.gotoCount++];
    std::memcpy(target.text.data(), line + operand, length);
    target.text[length] = ':';
    target.length = length + 1;
    target.line = pass.lineNumber;
    return true;
}

// One PSET argument: a register, or a number of `widthClass` that starts with a digit.
int PsetArgumentLength(const char* line, int position, int widthClass, std::uint8_t layout) {
    int length = 0;
    if (line[position] == 'R') return IsRegisterToken(line + position, length) ? length : 0;
    if (line[position] < '0' || line[position] > '9') return 0;
    return IsNumberToken(line + position, length, widthClass, layout) ? length : 0;
}

constexpr const char* kPsetArgumentNames[] = {"the column", "the row", "the value"};

// PSET | PSET column,row | PSET column,row,value
bool CheckPset(PassState& pass, const char* line, int n, int operand) {
    if (n < operand) return true;  // the keyword alone
    if (line[n - 1] == ',')
        return Refuse(pass, n - 1, "a comma ends the line: an argument is missing");
    int position = operand;
    for (int argument = 0; argument < 3; ++argument) {
        const int widthClass = kPsetArgumentClasses[argument];
        const int length =
            PsetArgumentLength(line, position, widthClass, pass.compiler.scriptLayout);
        if (length == 0) {
            return ExplainOperand(pass, line, n, position, widthClass,
                                  kPsetArgumentNames[argument]);
        }
        position += length;
        if (position == n) {
            if (argument >= 1) return true;
            Refuse(pass, n, "PSET takes a column and a row");
            return Suggest(pass, "for example PSET 3,2");
        }
        if (argument == 2) return Refuse(pass, position, "PSET takes at most three arguments");
        if (line[position] != ',') {
            return ExplainOperand(pass, line, n, position - length, widthClass,
                                  kPsetArgumentNames[argument]);
        }
        ++position;
    }
    return false;
}

// PRINT Rn | PRINT Rn,operand; the register ends before `end`.
bool CheckPrintRegister(PassState& pass, const char* line, int n, int end) {
    if (end == n) return true;
    if (line[end] != ',') {
        return Refuse(pass, end,
                      "after the register comes the end of the line or a comma and a "
                      "count");
    }
    return OperandOrExplain(pass, line, n, end + 1, kByteClass, "the PRINT count");
}

// One <name> of PRINT text from the '<' at `open` to the '>' at `close`.
bool IsKnownKeyName(PassState& pass, const char* line, int open, int close) {
    std::array<std::uint8_t, kLineBufferSize> codes{};
    const std::uint8_t layout = pass.compiler.scriptLayout;
    const int length = close - open - 1;
    if (length < kMinKeyNameLength) {
        return Refuse(pass, open, "a key name has 2 to 6 characters between < and >");
    }
    if (KeyTextToCodes(line + open, close - open + 1, codes.data(), layout) > 0) return true;
    Refuse(pass, open + 1, "\"%.*s\" is not a key name of script layout %d", length,
           line + open + 1, layout);
    const std::uint8_t other = layout == 1 ? 2 : 1;
    if (length <= kMaxKeyNameLength && KeyNameCode(line + open + 1, length, other) >= 0) {
        return Suggest(pass, "<%.*s> is a key of script layout %d only", length, line + open + 1,
                       other);
    }
    return Suggest(pass, "the key names are listed in the script language reference");
}

// The text between the quotes, from `first` to before `close`: no blank, key names well
// formed and known.
bool CheckPrintText(PassState& pass, const char* line, int first, int close) {
    int open = -1;
    for (int position = first; position < close; ++position) {
        const char c = line[position];
        if (c == ' ') {
            Refuse(pass, position, "a blank in PRINT text");
            return Suggest(pass, "type a blank with <SPACE>");
        }
        if (c == '<' && open >= 0) {
            return Refuse(pass, position, "a < inside the key name opened at column %d",
                          ColumnOf(pass, open));
        }
        if (c == '>' && open < 0) {
            return Refuse(pass, position, "a > with no key name open: < and > enclose a key name");
        }
        if (c == '<') open = position;
        if (c != '>') continue;
        if (!IsKnownKeyName(pass, line, open, position)) return false;
        open = -1;
    }
    if (open >= 0) return Refuse(pass, open, "the key name is not closed with >");
    std::array<std::uint8_t, kMaxPrintText> codes{};
    const int count =
        KeyTextToCodes(line + first, close - first, codes.data(), pass.compiler.scriptLayout);
    if (count < 0)
        return Refuse(pass, first, "the keyboard model has no key names (no script layout)");
    if (count > kMaxPrintCodes) {
        Refuse(pass, first - 1, "the text types %d keys; one PRINT types at most %d", count,
               kMaxPrintCodes);
        return Suggest(pass, "split the text over two PRINT lines");
    }
    return true;
}

// PRINT "text" | PRINT "text",operand; the closing quote is the last one of the line.
bool CheckPrintQuoted(PassState& pass, const char* line, int n, int operand) {
    const int first = operand + 1;  // after the opening quote
    int close = n - 1;
    while (close > first && line[close] != '"') --close;
    if (first < n && line[first] == '"') return Refuse(pass, operand, "the PRINT text is empty");
    if (close <= first || line[close] != '"') {
        return Refuse(pass, operand, "the PRINT text has no closing \"");
    }
    if (!CheckPrintText(pass, line, first, close)) return false;
    return close == n - 1 || SecondPrintOperand(pass, line, n, close + 1);
}

// PRINT Rn[,operand] | PRINT "text"[,operand] | PRINT ALL[,operand]
bool CheckPrint(PassState& pass, const char* line, int n, int operand) {
    if (n <= operand) return Refuse(pass, n, "PRINT needs a register, a text in quotes or ALL");
    int length = 0;
    if (IsRegisterToken(line + operand, length)) {
        return CheckPrintRegister(pass, line, n, operand + length);
    }
    if (line[operand] == '"') return CheckPrintQuoted(pass, line, n, operand);
    if (!Matches(line, n, operand, kAllWord)) {
        if (line[operand] == 'R')
            return ExplainOperand(pass, line, n, operand, kByteClass, "PRINT");
        Refuse(pass, operand, "PRINT needs a register, a text in quotes or ALL");
        return Suggest(pass, "put the text in double quotes: PRINT \"%.*s\"",
                       static_cast<int>(TokenText(line, n, operand).size()), line + operand);
    }
    const int afterAll = operand + static_cast<int>(kAllWord.size());
    return n == afterAll || SecondPrintOperand(pass, line, n, afterAll);
}

// CLEAR INKEY$
bool CheckClear(PassState& pass, const char* line, int n, int) {
    if (IsWhole(line, n, 0, "CLEAR INKEY$")) return true;
    Refuse(pass, 0, "CLEAR clears INKEY$ only");
    return Suggest(pass, "write CLEAR INKEY$");
}

struct Statement {
    std::string_view keyword;
    LineCheck check;
};

constexpr Statement kStatements[] = {
    {"IF", CheckIf},     {"CLS", CheckCls},     {"END", CheckEndIf},
    {"WAIT", CheckWait}, {"GOTO", CheckGoto},   {"ELSE", CheckElse},
    {"PSET", CheckPset}, {"PRINT", CheckPrint}, {"CLEAR", CheckClear},
};

// Two words are one slip apart: one letter changed, added or left out.
bool OneSlipApart(std::string_view a, std::string_view b) {
    if (a.size() < b.size()) std::swap(a, b);
    if (a.size() - b.size() > 1) return false;
    std::size_t i = 0;
    while (i < b.size() && a[i] == b[i]) ++i;
    if (a.size() == b.size()) return a.substr(i + 1) == b.substr(i + 1);
    return a.substr(i + 1) == b.substr(i);
}

bool RefuseUnknownKeyword(PassState& pass, std::string_view keyword) {
    Refuse(pass, 0, "\"%.*s\" is not a statement: IF ELSE END IF GOTO WAIT PRINT PSET CLS CLEAR",
           static_cast<int>(keyword.size()), keyword.data());
    for (const Statement& statement : kStatements) {
        if (OneSlipApart(keyword, statement.keyword)) {
            return Suggest(pass, "did you mean %.*s?", static_cast<int>(statement.keyword.size()),
                           statement.keyword.data());
        }
    }
    return Suggest(pass, "a label ends with a colon (LOOP:); an assignment holds an = (R1=5)");
}

bool CheckStatement(PassState& pass, const char* line, int n, int keywordLength) {
    const std::string_view keyword(line, keywordLength);
    for (const Statement& statement : kStatements) {
        if (keyword != statement.keyword) continue;
        const int operand = static_cast<int>(statement.keyword.size()) + kKeywordBlank;
        return statement.check(pass, line, n, operand);
    }
    return RefuseUnknownKeyword(pass, keyword);
}

// --- Label lines ---

bool IsKnownLabel(const CompilerState& compiler, const char* text, int length) {
    for (std::uint32_t k = 0; k < compiler.labelCount; ++k) {
        if (std::memcmp(compiler.labels[k].data(), text, length) == 0) return true;
    }
    return false;
}

// name: with its only colon last. A blank would make the translator read a keyword.
bool CheckLabel(PassState& pass, const char* line, int n) {
    CompilerState& compiler = pass.compiler;
    if (line[n - 1] != ':') {
        Refuse(pass, 0, "\"%.*s\" is neither a statement, an assignment nor a label",
               static_cast<int>(TokenText(line, n, 0).size()), line);
        return Suggest(pass, "a label ends with a colon (LOOP:); an assignment holds an = (R1=5)");
    }
    if (const char* colon = static_cast<const char*>(std::memchr(line, ':', n - 1))) {
        return Refuse(pass, static_cast<int>(colon - line), "a label holds one colon, at its end");
    }
    if (const char* blank = static_cast<const char*>(std::memchr(line, ' ', n))) {
        return Refuse(pass, static_cast<int>(blank - line), "a blank in a label name");
    }
    if (n > static_cast<int>(kLabelSize)) {
        return Refuse(pass, 0, "the label has %d characters with its colon; at most %zu", n,
                      kLabelSize);
    }
    if (IsKnownLabel(compiler, line, n)) {
        return Refuse(pass, 0, "label \"%.*s\" is defined twice", n - 1, line);
    }
    if (compiler.labelCount == kMaxLabels) {
        return Refuse(pass, 0, "more than %zu labels in one script", kMaxLabels);
    }
    std::memcpy(compiler.labels[compiler.labelCount++].data(), line, n);
    return true;
}

// --- Lines ---

bool IsAssignmentLine(const char* line, int n) {
    return Holds(line, n, '=') && line[n - 1] != ':' && !Matches(line, n, 0, "IF ") &&
           !Matches(line, n, 0, "GOTO ");
}

bool CheckLine(PassState& pass, const char* line, int n) {
    if (IsAssignmentLine(line, n)) return CheckAssignment(pass, line, n);
    int letters = 0;
    while (letters < n && line[letters] >= 'A' && line[letters] <= 'Z') ++letters;
    if (letters > kMaxLeadingLetters) {
        return Refuse(pass, 0, "a word of more than %d letters", kMaxLeadingLetters);
    }
    if (letters < n && line[letters] != ' ') return CheckLabel(pass, line, n);
    if (letters < 2 || letters > 5) {
        return RefuseUnknownKeyword(pass, std::string_view(line, letters));
    }
    return CheckStatement(pass, line, n, letters);
}

bool AppendProgramText(PassState& pass, const char* text, int n) {
    CompilerState& compiler = pass.compiler;
    // The line that takes the text beyond its size is the one refused; the final END is
    // checked on its own once every line is in.
    const std::size_t needed = compiler.programLength + n + kLineEndLength;
    if (needed > kProgramTextSize) {
        Refuse(pass, -1,
               "the program text is full: with this line the script takes %zu of "
               "%zu bytes (each line counts its squeezed text and 2)",
               needed, kProgramTextSize);
        return Suggest(pass, "shorten the script: fewer lines, shorter labels");
    }
    char* out = compiler.programText.data() + compiler.programLength;
    std::memcpy(out, text, n);
    out[n] = '\r';
    out[n + 1] = '\n';
    compiler.programLength += n + kLineEndLength;
    compiler.sourceLines[compiler.programLines++] = static_cast<std::uint32_t>(pass.lineNumber);
    return true;
}

// Squeezes, classifies and checks the line just read; an empty line is fine and adds nothing.
bool AcceptLine(PassState& pass, int length) {
    char* line = pass.line.data();
    std::memcpy(pass.unsqueezed.data(), line, length);
    pass.unsqueezedLength = length;
    const int n = SqueezeBlanks(line, length);
    if (n == 0) return true;
    return CheckLine(pass, line, n) && AppendProgramText(pass, line, n);
}

// What one physical line has shown so far while it is read.
struct LineRead {
    bool inQuotes = false;
    bool inComment = false;
    bool lastWasCr = false;
    bool crKept = false;
    int raw = 0;   // bytes of the physical line, comment included
    int kept = 0;  // bytes left once the comment is dropped
};

// Applies the character rules to one byte of the line: upper case, tabs as blanks, quotes
// toggle, an apostrophe outside quotes starts the comment, which is dropped.
void TakeByte(LineRead& read, char c, char* line) {
    ++read.raw;
    read.lastWasCr = c == '\r';
    read.crKept = false;
    if (read.inComment) return;
    if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 0x20);
    } else if (c == '\t') {
        c = ' ';
    } else if (c == '"') {
        read.inQuotes = !read.inQuotes;
    } else if (c == '\'' && !read.inQuotes) {
        read.inComment = true;
        return;
    }
    if (read.kept < kMaxPhysicalLength) line[read.kept] = c;
    ++read.kept;
    read.crKept = read.lastWasCr;
}

// A CR directly before the LF belongs to the line end, not to the line.
void DropLineEndCr(LineRead& read) {
    if (!read.lastWasCr) return;
    --read.raw;
    if (read.crKept) --read.kept;
}

ReadResult RefuseLength(PassState& pass, const LineRead& read) {
    if (read.raw > kMaxPhysicalLength) {
        ExplainAt(pass.compiler, pass.lineNumber, kMaxPhysicalLength + 1,
                  "the line is longer than %d characters, its comment included",
                  kMaxPhysicalLength);
    } else {
        ExplainAt(pass.compiler, pass.lineNumber, kMaxLineLength + 1,
                  "the line holds %d characters without its comment; a line holds at most %d",
                  read.kept, kMaxLineLength);
    }
    return ReadResult::kRefused;
}

// Reads one physical line, up to its LF or the final END, into the line buffer and refuses
// it when it is too long or holds a NUL byte (which would end the translator's keyword).
ReadResult ReadLine(PassState& pass, int& length) {
    LineRead read;
    pass.lastLineHeldEnd = true;
    while (pass.offset < pass.endPosition) {
        const int c = std::getc(pass.file);
        if (c == EOF) return ReadResult::kReadError;
        ++pass.offset;
        if (c == '\n') {
            pass.lastLineHeldEnd = false;
            DropLineEndCr(read);
            break;
        }
        TakeByte(read, static_cast<char>(c), pass.line.data());
        // One byte over could still be the CR of the line end; more cannot.
        if (read.raw > kMaxPhysicalLength + 1) return RefuseLength(pass, read);
    }
    if (read.raw > kMaxPhysicalLength || read.kept > kMaxLineLength) {
        return RefuseLength(pass, read);
    }
    if (const char* zero =
            static_cast<const char*>(std::memchr(pass.line.data(), '\0', read.kept))) {
        ExplainAt(pass.compiler, pass.lineNumber, static_cast<int>(zero - pass.line.data()) + 1,
                  "a zero byte (NUL): a script is plain text");
        return ReadResult::kRefused;
    }
    length = read.kept;
    return ReadResult::kLine;
}

// --- The file ---

bool IsTrailingFiller(char c) { return c == '\n' || c == '\r' || c == ' '; }

constexpr long kNoText = -1;
constexpr long kUnreadable = -2;

// The offset of the last byte that is neither a line end nor a blank, read backwards in
// chunks so that trailing blank lines cost little.
long LastTextOffset(std::FILE* file, long size) {
    std::array<char, 512> chunk{};
    const long chunkSize = static_cast<long>(chunk.size());
    for (long end = size; end > 0;) {
        const long start = end > chunkSize ? end - chunkSize : 0;
        const auto count = static_cast<std::size_t>(end - start);
        if (std::fseek(file, start, SEEK_SET) != 0 ||
            std::fread(chunk.data(), 1, count, file) != count) {
            return kUnreadable;
        }
        for (long i = end - start - 1; i >= 0; --i) {
            if (!IsTrailingFiller(chunk[i])) return start + i;
        }
        end = start;
    }
    return kNoText;
}

enum class EndCheck { kFound, kMissing, kUnreadable };

// The program ends with the file's last text, which must be END or end as stored; reading
// stops at its E. Leaves the file at offset 0.
EndCheck FindProgramEnd(PassState& pass) {
    std::FILE* file = pass.file;
    if (std::fseek(file, 0, SEEK_END) != 0) return EndCheck::kUnreadable;
    const long size = std::ftell(file);
    if (size < 0) return EndCheck::kUnreadable;
    const long last = LastTextOffset(file, size);
    if (last == kUnreadable) return EndCheck::kUnreadable;
    if (last < 2) return EndCheck::kMissing;
    char tail[3];
    if (std::fseek(file, last - 2, SEEK_SET) != 0 || std::fread(tail, 1, 3, file) != 3) {
        return EndCheck::kUnreadable;
    }
    if (std::memcmp(tail, "END", 3) != 0 && std::memcmp(tail, "end", 3) != 0) {
        return EndCheck::kMissing;
    }
    pass.endPosition = last - 2;
    return std::fseek(file, 0, SEEK_SET) == 0 ? EndCheck::kFound : EndCheck::kUnreadable;
}

// Where the byte at `offset` stands: line and column from 1.
void LineAndColumn(std::FILE* file, long offset, int& line, int& column) {
    line = 1;
    column = 1;
    if (std::fseek(file, 0, SEEK_SET) != 0) return;
    for (long at = 0; at < offset; ++at) {
        const int c = std::getc(file);
        if (c == EOF) return;
        if (c == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
}

void ExplainMissingEnd(PassState& pass) {
    std::FILE* file = pass.file;
    long size = 0;
    const long last = std::fseek(file, 0, SEEK_END) == 0 && (size = std::ftell(file)) >= 0
                          ? LastTextOffset(file, size)
                          : kUnreadable;
    if (last < 0) {
        ExplainAt(pass.compiler, 0, 0, "the file holds no text");
        Suggest(pass, "a script ends with END on its last line");
        return;
    }
    const long start = last >= 2 ? last - 2 : 0;
    char tail[3] = {};
    const auto count = static_cast<std::size_t>(last - start + 1);
    if (std::fseek(file, start, SEEK_SET) != 0 || std::fread(tail, 1, count, file) != count) {
        ExplainAt(pass.compiler, 0, 0, "the file could not be read to its end");
        return;
    }
    int line = 0;
    int column = 0;
    LineAndColumn(file, start, line, column);
    ExplainAt(pass.compiler, line, column, "the last text of the file is \"%.*s\", not END",
              static_cast<int>(count), tail);
    const bool endInOtherCase =
        count == 3 && (tail[0] | 0x20) == 'e' && (tail[1] | 0x20) == 'n' && (tail[2] | 0x20) == 'd';
    if (endInOtherCase) {
        Suggest(pass, "write the final END as END or end, all in one case");
    } else {
        Suggest(pass, "end the script with a line END; nothing but blanks and line ends after it");
    }
}

// --- Messages ---

// A long path is cut so that the message keeps its closing LF inside the buffer.
int CannotOpen(char* message, const char* path) {
    std::snprintf(message, kMessageSize, "Cannot open %.400s file!\n", path);
    return -1;
}

int WrongCommand(char* message, int lineNumber) {
    std::snprintf(message, kMessageSize, "Wrong command, Line %d\n", lineNumber);
    return -1;
}

// --- The pass ---

// 0 when every line up to the final END was accepted.
int ReadLines(PassState& pass, char* message, const char* path) {
    while (pass.offset < pass.endPosition) {
        int length = 0;
        const ReadResult result = ReadLine(pass, length);
        if (result == ReadResult::kReadError) {
            ExplainAt(pass.compiler, pass.lineNumber, 0, "the file could not be read to its end");
            return CannotOpen(message, path);
        }
        if (result == ReadResult::kRefused || !AcceptLine(pass, length)) {
            if (pass.compiler.explanation.Empty())
                Refuse(pass, 0, "the line has no statement form");
            return WrongCommand(message, pass.lineNumber);
        }
        ++pass.lineNumber;
    }
    // The final END stands on the line after the last one read, or on that line itself.
    const int endLine = pass.lastLineHeldEnd ? pass.lineNumber - 1 : pass.lineNumber;
    if (pass.compiler.programLength + kProgramEndLength > kProgramTextSize) {
        ExplainAt(pass.compiler, endLine, 0,
                  "the program text is full: the final END does not fit in its %zu bytes",
                  kProgramTextSize);
        Suggest(pass, "shorten the script: fewer lines, shorter labels");
        return WrongCommand(message, endLine);
    }
    pass.endLine = endLine;
    return 0;
}

// Every GOTO must name a label; the first one that does not is reported.
int ResolveGotos(PassState& pass, char* message) {
    for (int k = 0; k < pass.gotoCount; ++k) {
        const GotoTarget& target = pass.gotos[k];
        if (!IsKnownLabel(pass.compiler, target.text.data(), target.length)) {
            ExplainAt(pass.compiler, target.line, 6,
                      "label \"%.*s\" is used by GOTO on line %d but never defined",
                      target.length - 1, target.text.data(), target.line);
            Suggest(pass, "define it on a line of its own: %.*s", target.length,
                    target.text.data());
            std::snprintf(message, kMessageSize, "Missing label \"%.*s\"\n", target.length,
                          target.text.data());
            return -1;
        }
    }
    return 0;
}

int CheckProgram(PassState& pass, char* message, const char* path) {
    switch (FindProgramEnd(pass)) {
        case EndCheck::kUnreadable:
            ExplainAt(pass.compiler, 0, 0, "the file could not be read to its end");
            return CannotOpen(message, path);
        case EndCheck::kMissing:
            ExplainMissingEnd(pass);
            std::snprintf(message, kMessageSize, "Error:last line of file ends without \"END\"\n");
            return -1;
        case EndCheck::kFound:
            break;
    }
    return ReadLines(pass, message, path);
}

}  // namespace

int RunSourcePass(CompilerState& state, const char* path, char* message) {
    std::array<char, kMessageSize> scratch{};
    if (message == nullptr) message = scratch.data();
    if (path == nullptr) {
        ExplainAt(state, 0, 0, "no file was given");
        return CannotOpen(message, "");
    }
    // Read-only: nothing is ever written to the script, so a write-protected one compiles.
    state.explanation.Clear();
    File file(std::fopen(path, "rb"));
    if (!file) {
        ExplainAt(state, 0, 0, "the file cannot be opened: %s", std::strerror(errno));
        return CannotOpen(message, path);
    }
    PassState pass{.compiler = state};
    pass.file = file.get();
    if (CheckProgram(pass, message, path) != 0) return -1;
    file.reset();
    if (ResolveGotos(pass, message) != 0) return -1;
    if (pass.ifDepth > 0) {
        ExplainAt(state, pass.ifLines[pass.ifDepth], 1,
                  "the IF block opened on line %d is not closed", pass.ifLines[pass.ifDepth]);
        Suggest(pass, "add END IF after the last line of the block");
        std::snprintf(message, kMessageSize, "Missing \"ENF IF\"\n");
        return -1;
    }
    std::memcpy(state.programText.data() + state.programLength, kProgramEnd, kProgramEndLength);
    state.programLength += kProgramEndLength;
    state.sourceLines[state.programLines++] = static_cast<std::uint32_t>(pass.endLine);
    return 0;
}

}  // namespace vorn::script
