#include "script/SourcePass.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

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
};

// Everything the pass keeps between lines; lives on the stack for one call.
struct PassState {
    CompilerState& compiler;
    std::FILE* file = nullptr;
    long endPosition = 0;  // offset of the E of the final END
    long offset = 0;
    int lineNumber = 1;
    std::array<char, kLineBufferSize> line{};
    int ifDepth = 0;
    std::array<bool, kMaxIfDepth + 1> elseSeen{};  // per open block, index = its depth
    std::array<GotoTarget, kMaxGotos> gotos{};
    int gotoCount = 0;
};

enum class ReadResult { kLine, kRefused, kReadError };

// Checks a statement line of n characters whose operands start at `operand`.
using LineCheck = bool (*)(PassState&, const char* line, int n, int operand);

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

// ',' then a register or a byte, ending the line: the second operand of PRINT.
bool ByteOperandAfterComma(const PassState& pass, const char* line, int n, int position) {
    return position < n && line[position] == ',' &&
           OperandReachesEnd(line, n, position + 1, kByteClass, pass.compiler.scriptLayout);
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
bool CheckArithmetic(const char* line, int n, int position, std::uint8_t layout) {
    int length = 0;
    bool firstIsNumber = false;
    if (!AssignOperand(line, n, position, layout, length, firstIsNumber)) return false;
    position += length;
    if (position == n) return true;
    const int operatorLength = OperatorLength(line, n, position);
    if (operatorLength == 0) return false;
    position += operatorLength;
    bool secondIsNumber = false;
    if (!AssignOperand(line, n, position, layout, length, secondIsNumber)) return false;
    return position + length == n && !(firstIsNumber && secondIsNumber);
}

// Rn=B | Rn=INKEY$ | Rn=RND | Rn=-Rm | Rn=NOT operand | Rn=operand [op operand]
bool CheckRegisterAssignment(const char* line, int n, int position, std::uint8_t layout) {
    if (IsWhole(line, n, position, "B") || IsWhole(line, n, position, "INKEY$") ||
        IsWhole(line, n, position, "RND")) {
        return true;
    }
    if (line[position] == '-' && RegisterReachesEnd(line, n, position + 1)) return true;
    if (Matches(line, n, position, kNotWord)) {
        const int operand = position + static_cast<int>(kNotWord.size());
        return OperandReachesEnd(line, n, operand, kWordClass, layout);
    }
    return CheckArithmetic(line, n, position, layout);
}

// Rn=... | B=Rm | B=k
bool CheckAssignment(PassState& pass, const char* line, int n) {
    const auto* equals = static_cast<const char*>(std::memchr(line, '=', n));
    const int at = static_cast<int>(equals - line);
    if (Holds(equals + 1, n - at - 1, '=') || at + 1 == n) return false;
    const std::uint8_t layout = pass.compiler.scriptLayout;
    if (at == 1 && line[0] == 'B') return OperandReachesEnd(line, n, at + 1, kByteClass, layout);
    int length = 0;
    if (!IsRegisterToken(line, length) || length != at) return false;
    return CheckRegisterAssignment(line, n, at + 1, layout);
}

// --- Statement lines ---

// IF Rn cmp operand THEN, cmp one of = <> <= >= < >
bool CheckIf(PassState& pass, const char* line, int n, int operand) {
    int length = 0;
    if (n < operand || !IsRegisterToken(line + operand, length)) return false;
    int position = operand + length;
    if (Matches(line, n, position, "<>") || Matches(line, n, position, "<=") ||
        Matches(line, n, position, ">=")) {
        position += 2;
    } else if (Matches(line, n, position, "=")) {
        position += 1;
    } else if ((line[position] == '<' || line[position] == '>') &&
               (line[position + 1] == 'R' ||
                (line[position + 1] >= '0' && line[position + 1] <= '9'))) {
        position += 1;
    } else {
        return false;
    }
    const std::uint8_t layout = pass.compiler.scriptLayout;
    if (!IsRegisterToken(line + position, length) &&
        !IsNumberToken(line + position, length, kFourDigitClass, layout)) {
        return false;
    }
    if (!IsWhole(line, n, position + length, " THEN") || pass.ifDepth == kMaxIfDepth) return false;
    pass.elseSeen[++pass.ifDepth] = false;
    return true;
}

// CLS
bool CheckCls(PassState&, const char* line, int n, int) { return IsWhole(line, n, 0, "CLS"); }

// END IF
bool CheckEndIf(PassState& pass, const char* line, int n, int) {
    if (!IsWhole(line, n, 0, "END IF") || pass.ifDepth == 0) return false;
    --pass.ifDepth;
    return true;
}

// ELSE, once per IF block
bool CheckElse(PassState& pass, const char* line, int n, int) {
    if (!IsWhole(line, n, 0, "ELSE") || pass.ifDepth == 0 || pass.elseSeen[pass.ifDepth]) {
        return false;
    }
    pass.elseSeen[pass.ifDepth] = true;
    return true;
}

// WAIT Rn | WAIT k
bool CheckWait(PassState& pass, const char* line, int n, int operand) {
    return n > operand &&
           OperandReachesEnd(line, n, operand, kFourDigitClass, pass.compiler.scriptLayout);
}

// GOTO name. Targets are resolved after the last line, so labels may come later.
bool CheckGoto(PassState& pass, const char* line, int n, int operand) {
    const int length = n - operand;
    if (length < 1 || length > kMaxGotoTarget || pass.gotoCount == kMaxGotos) return false;
    // A colon would make the target and the label lookup of the translator disagree.
    if (Holds(line + operand, length, ':')) return false;
    GotoTarget& target = pass.gotos[pass.gotoCount++];
    std::memcpy(target.text.data(), line + operand, length);
    target.text[length] = ':';
    target.length = length + 1;
    return true;
}

// One PSET argument: a register, or a number of `widthClass` that starts with a digit.
int PsetArgumentLength(const char* line, int position, int widthClass, std::uint8_t layout) {
    int length = 0;
    if (line[position] == 'R') return IsRegisterToken(line + position, length) ? length : 0;
    if (line[position] < '0' || line[position] > '9') return 0;
    return IsNumberToken(line + position, length, widthClass, layout) ? length : 0;
}

// PSET | PSET column,row | PSET column,row,value
bool CheckPset(PassState& pass, const char* line, int n, int operand) {
    if (n < operand) return true;  // the keyword alone
    if (line[n - 1] == ',') return false;
    int position = operand;
    for (int argument = 0; argument < 3; ++argument) {
        const int length = PsetArgumentLength(line, position, kPsetArgumentClasses[argument],
                                              pass.compiler.scriptLayout);
        if (length == 0) return false;
        position += length;
        if (position == n) return argument >= 1;
        if (line[position] != ',' || argument == 2) return false;
        ++position;
    }
    return false;
}

// PRINT Rn | PRINT Rn,operand; the register ends before `end`.
bool CheckPrintRegister(PassState& pass, const char* line, int n, int end) {
    return end == n || ByteOperandAfterComma(pass, line, n, end);
}

// One <name> of PRINT text from the '<' at `open` to the '>' at `close`.
bool IsKnownKeyName(PassState& pass, const char* line, int open, int close) {
    std::array<std::uint8_t, kLineBufferSize> codes{};
    if (close - open < 3) return false;
    return KeyTextToCodes(line + open, close - open + 1, codes.data(), pass.compiler.scriptLayout) >
           0;
}

// The text between the quotes, from `first` to before `close`: no blank, key names well
// formed and known.
bool CheckPrintText(PassState& pass, const char* line, int first, int close) {
    int open = -1;
    for (int position = first; position < close; ++position) {
        const char c = line[position];
        if (c == ' ' || (c == '<' && open >= 0) || (c == '>' && open < 0)) return false;
        if (c == '<') open = position;
        if (c != '>') continue;
        if (!IsKnownKeyName(pass, line, open, position)) return false;
        open = -1;
    }
    if (open >= 0) return false;
    std::array<std::uint8_t, kMaxPrintText> codes{};
    const int count =
        KeyTextToCodes(line + first, close - first, codes.data(), pass.compiler.scriptLayout);
    return count >= 0 && count <= kMaxPrintCodes;
}

// PRINT "text" | PRINT "text",operand; the closing quote is the last one of the line.
bool CheckPrintQuoted(PassState& pass, const char* line, int n, int operand) {
    const int first = operand + 1;  // after the opening quote
    int close = n - 1;
    while (close > first && line[close] != '"') --close;
    if (close <= first || line[close] != '"' || line[first] == '"') return false;
    if (!CheckPrintText(pass, line, first, close)) return false;
    return close == n - 1 || ByteOperandAfterComma(pass, line, n, close + 1);
}

// PRINT Rn[,operand] | PRINT "text"[,operand] | PRINT ALL[,operand]
bool CheckPrint(PassState& pass, const char* line, int n, int operand) {
    if (n <= operand) return false;
    int length = 0;
    if (IsRegisterToken(line + operand, length)) {
        return CheckPrintRegister(pass, line, n, operand + length);
    }
    if (line[operand] == '"') return CheckPrintQuoted(pass, line, n, operand);
    if (!Matches(line, n, operand, kAllWord)) return false;
    const int afterAll = operand + static_cast<int>(kAllWord.size());
    return n == afterAll || ByteOperandAfterComma(pass, line, n, afterAll);
}

// CLEAR INKEY$
bool CheckClear(PassState&, const char* line, int n, int) {
    return IsWhole(line, n, 0, "CLEAR INKEY$");
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

bool CheckStatement(PassState& pass, const char* line, int n, int keywordLength) {
    const std::string_view keyword(line, keywordLength);
    for (const Statement& statement : kStatements) {
        if (keyword != statement.keyword) continue;
        const int operand = static_cast<int>(statement.keyword.size()) + kKeywordBlank;
        return statement.check(pass, line, n, operand);
    }
    return false;
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
    if (n > static_cast<int>(kLabelSize) || line[n - 1] != ':' || Holds(line, n - 1, ':') ||
        Holds(line, n, ' ')) {
        return false;
    }
    if (IsKnownLabel(compiler, line, n) || compiler.labelCount == kMaxLabels) return false;
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
    if (letters > kMaxLeadingLetters) return false;
    if (letters < n && line[letters] != ' ') return CheckLabel(pass, line, n);
    return letters >= 2 && letters <= 5 && CheckStatement(pass, line, n, letters);
}

bool AppendProgramText(CompilerState& compiler, const char* text, int n) {
    // The final END must still fit after the last line.
    const std::size_t needed = compiler.programLength + n + kLineEndLength + kProgramEndLength;
    if (needed > kProgramTextSize) return false;
    char* out = compiler.programText.data() + compiler.programLength;
    std::memcpy(out, text, n);
    out[n] = '\r';
    out[n + 1] = '\n';
    compiler.programLength += n + kLineEndLength;
    return true;
}

// Squeezes, classifies and checks the line just read; an empty line is fine and adds nothing.
bool AcceptLine(PassState& pass, int length) {
    char* line = pass.line.data();
    const int n = SqueezeBlanks(line, length);
    if (n == 0) return true;
    return CheckLine(pass, line, n) && AppendProgramText(pass.compiler, line, n);
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

// Reads one physical line, up to its LF or the final END, into the line buffer and refuses
// it when it is too long or holds a NUL byte (which would end the translator's keyword).
ReadResult ReadLine(PassState& pass, int& length) {
    LineRead read;
    while (pass.offset < pass.endPosition) {
        const int c = std::getc(pass.file);
        if (c == EOF) return ReadResult::kReadError;
        ++pass.offset;
        if (c == '\n') {
            DropLineEndCr(read);
            break;
        }
        TakeByte(read, static_cast<char>(c), pass.line.data());
        // One byte over could still be the CR of the line end; more cannot.
        if (read.raw > kMaxPhysicalLength + 1) return ReadResult::kRefused;
    }
    if (read.raw > kMaxPhysicalLength || read.kept > kMaxLineLength) return ReadResult::kRefused;
    if (Holds(pass.line.data(), read.kept, '\0')) return ReadResult::kRefused;
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
        if (result == ReadResult::kReadError) return CannotOpen(message, path);
        if (result == ReadResult::kRefused || !AcceptLine(pass, length)) {
            return WrongCommand(message, pass.lineNumber);
        }
        ++pass.lineNumber;
    }
    return 0;
}

// Every GOTO must name a label; the first one that does not is reported.
int ResolveGotos(const PassState& pass, char* message) {
    for (int k = 0; k < pass.gotoCount; ++k) {
        const GotoTarget& target = pass.gotos[k];
        if (!IsKnownLabel(pass.compiler, target.text.data(), target.length)) {
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
            return CannotOpen(message, path);
        case EndCheck::kMissing:
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
    if (path == nullptr) return CannotOpen(message, "");
    // Read-only: nothing is ever written to the script, so a write-protected one compiles.
    File file(std::fopen(path, "rb"));
    if (!file) return CannotOpen(message, path);
    PassState pass{.compiler = state};
    pass.file = file.get();
    if (CheckProgram(pass, message, path) != 0) return -1;
    file.reset();
    if (ResolveGotos(pass, message) != 0) return -1;
    if (pass.ifDepth > 0) {
        std::snprintf(message, kMessageSize, "Missing \"ENF IF\"\n");
        return -1;
    }
    std::memcpy(state.programText.data() + state.programLength, kProgramEnd, kProgramEndLength);
    state.programLength += kProgramEndLength;
    return 0;
}

}  // namespace vorn::script
