#include "script/Encoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <system_error>

#include "script/FreshFile.h"
#include "script/InstructionSet.h"
#include "script/SourcePass.h"
#include "script/Translate.h"

namespace vorn::script {
namespace {

constexpr std::size_t kMaxGotos = 100;
constexpr std::size_t kMaxOpenIfs = 20;
// One mark per open IF and one more for each ELSE part: twenty nested blocks, each inside
// its ELSE part, hold forty.
constexpr std::size_t kMaxBlockMarks = 2 * kMaxOpenIfs;
// A program line holds at most 200 characters; room for them, the LF and a zero byte.
constexpr std::size_t kLineBufferSize = 256;

constexpr std::uint8_t kMarkIf = 1;
constexpr std::uint8_t kMarkElse = 2;

template <typename T, std::size_t N>
struct FixedStack {
    std::array<T, N> items{};
    std::size_t depth = 0;

    bool Push(T value) {
        if (depth == N) return false;
        items[depth++] = value;
        return true;
    }
    bool Top(T& value) const {
        if (depth == 0) return false;
        value = items[depth - 1];
        return true;
    }
    bool Pop(T& value) {
        if (depth == 0) return false;
        value = items[--depth];
        return true;
    }
};

struct JumpFixup {
    std::uint32_t position;  // of the two target bytes in the stream
    std::uint32_t labelIndex;
};

// Why a line could not be encoded.
enum class Fault { kNone, kStreamFull, kUnencodable };

struct EncoderState {
    InstructionStream& stream;
    std::uint32_t address = 0;      // instruction address of the next instruction
    std::uint16_t programLine = 0;  // index of the line being encoded
    std::array<JumpFixup, kMaxGotos> fixups{};
    std::uint32_t fixupCount = 0;
    FixedStack<std::uint32_t, kMaxOpenIfs> ifTargets{};
    FixedStack<std::uint32_t, kMaxOpenIfs> elseTargets{};
    FixedStack<std::uint8_t, kMaxBlockMarks> blocks{};
};

std::uint8_t Pair(unsigned high, unsigned low) {
    return static_cast<std::uint8_t>((high * 16 + low) & 0xFF);
}

std::uint8_t OperandByte(isa::Operand operand, const StatementRecord& r, std::size_t key) {
    const unsigned a = r[field::kA], b = r[field::kB], c = r[field::kC];
    switch (operand) {
        case isa::kA:
            return r[field::kA];
        case isa::kB:
            return r[field::kB];
        case isa::kC:
            return r[field::kC];
        case isa::kD:
            return r[field::kD];
        case isa::kP:
            return r[field::kP];
        case isa::kKey:
            return r[field::kCodes + key];
        case isa::kTarget:
            return 0;
        case isa::kBA:
            return Pair(b, a);
        case isa::kBA4:
            return Pair(b, a & 0x0F);
        case isa::kCA:
            return Pair(c, a);
        case isa::kCA4:
            return Pair(c, a & 0x0F);
        case isa::kCB:
            return Pair(c, b);
        case isa::kCB4:
            return Pair(c, b & 0x0F);
        case isa::kPosition:
            return static_cast<std::uint8_t>((a & 0x1F) | ((b << 5) & 0xFF));
    }
    return 0;
}

// Appends one instruction, its length byte first.
Fault Emit(EncoderState& s, const isa::Encoding& encoding, const StatementRecord& record,
           std::size_t key = 0) {
    const std::size_t length = 1u + encoding.operandCount;
    if (s.stream.length + 1 + length > kStreamSize) return Fault::kStreamFull;
    std::uint8_t* out = s.stream.bytes.data() + s.stream.length;
    out[0] = static_cast<std::uint8_t>(length);
    out[1] = encoding.opcode;
    for (std::size_t i = 0; i < encoding.operandCount; ++i) {
        out[2 + i] = OperandByte(encoding.operands[i], record, key);
    }
    s.stream.length += static_cast<std::uint32_t>(1 + length);
    s.address += static_cast<std::uint32_t>(length);
    s.stream.programLine[s.stream.instructionCount++] = s.programLine;
    return Fault::kNone;
}

// Where the two target bytes of the instruction just written are.
std::uint32_t LastTargetPosition(const EncoderState& s) { return s.stream.length - 2; }

void Patch(EncoderState& s, std::uint32_t position, std::uint32_t address) {
    s.stream.bytes[position] = static_cast<std::uint8_t>(address & 0xFF);
    s.stream.bytes[position + 1] = static_cast<std::uint8_t>((address >> 8) & 0xFF);
}

const isa::Encoding* FindEncoding(std::span<const isa::Encoding> table, std::uint8_t form) {
    const auto row = std::find_if(table.begin(), table.end(),
                                  [form](const isa::Encoding& e) { return e.form == form; });
    return row == table.end() ? nullptr : &*row;
}

// A form the table does not list gives no instruction.
Fault EmitFromTable(EncoderState& s, std::span<const isa::Encoding> table,
                    const StatementRecord& record) {
    const isa::Encoding* encoding = FindEncoding(table, record[field::kForm]);
    if (encoding == nullptr) return Fault::kNone;
    if (!encoding->perKeyCode) return Emit(s, *encoding, record);
    for (std::size_t j = 0; j < record[field::kCount]; ++j) {
        if (const Fault fault = Emit(s, *encoding, record, j); fault != Fault::kNone) return fault;
    }
    return Fault::kNone;
}

// An IF whose comparison was not recognised would leave END IF to close an enclosing
// block, so it is refused rather than dropped.
Fault EncodeIf(EncoderState& s, const StatementRecord& record) {
    const isa::Encoding* encoding = FindEncoding(isa::kIfEncodings, record[field::kForm]);
    if (encoding == nullptr) return Fault::kUnencodable;
    if (const Fault fault = Emit(s, *encoding, record); fault != Fault::kNone) return fault;
    if (!s.ifTargets.Push(LastTargetPosition(s)) || !s.blocks.Push(kMarkIf)) {
        return Fault::kUnencodable;
    }
    return Fault::kNone;
}

// The IF part ends with a jump over the ELSE part; the IF's false branch lands after it.
// A second ELSE in one block would take an enclosing block's IF, so it is refused.
Fault EncodeElse(EncoderState& s, const StatementRecord& record) {
    std::uint8_t mark = 0;
    if (!s.blocks.Top(mark) || mark != kMarkIf) return Fault::kUnencodable;
    if (const Fault fault = Emit(s, isa::kJump, record); fault != Fault::kNone) return fault;
    std::uint32_t ifTarget = 0;
    if (!s.elseTargets.Push(LastTargetPosition(s)) || !s.ifTargets.Pop(ifTarget) ||
        !s.blocks.Push(kMarkElse)) {
        return Fault::kUnencodable;
    }
    Patch(s, ifTarget, s.address);
    return Fault::kNone;
}

Fault EncodeEndIf(EncoderState& s) {
    std::uint8_t mark = 0;
    if (!s.blocks.Pop(mark)) return Fault::kNone;
    std::uint32_t target = 0;
    if (mark == kMarkIf) {
        if (!s.ifTargets.Pop(target)) return Fault::kUnencodable;
    } else {
        std::uint8_t ifMark = 0;
        if (!s.elseTargets.Pop(target) || !s.blocks.Pop(ifMark)) return Fault::kUnencodable;
    }
    Patch(s, target, s.address);
    return Fault::kNone;
}

Fault EncodeLabel(EncoderState& s) {
    if (s.stream.labelCount == kMaxLabels) return Fault::kUnencodable;
    s.stream.labelProgramLine[s.stream.labelCount] = s.programLine;
    s.stream.labelAddresses[s.stream.labelCount++] = s.address;
    return Fault::kNone;
}

Fault EncodeGoto(EncoderState& s, const StatementRecord& record) {
    if (s.fixupCount == kMaxGotos) return Fault::kUnencodable;
    if (const Fault fault = Emit(s, isa::kJump, record); fault != Fault::kNone) return fault;
    s.fixups[s.fixupCount++] = {LastTargetPosition(s), record[field::kA]};
    return Fault::kNone;
}

Fault EncodeRecord(EncoderState& s, const StatementRecord& record) {
    switch (record[field::kKind]) {
        case KIND_CLS:
            return Emit(s, isa::kCls, record);
        case KIND_END:
            return Emit(s, isa::kEnd, record);
        case KIND_CLEAR:
            return Emit(s, isa::kClearInkey, record);
        case KIND_RND:
            return Emit(s, isa::kRnd, record);
        case KIND_INKEY:
            return Emit(s, isa::kInkey, record);
        case KIND_WAIT:
            return Emit(
                s,
                record[field::kForm] == form::kWaitNumber ? isa::kWaitNumber : isa::kWaitRegister,
                record);
        case KIND_LABEL:
            return EncodeLabel(s);
        case KIND_GOTO:
            return EncodeGoto(s, record);
        case KIND_IF:
            return EncodeIf(s, record);
        case KIND_ELSE:
            return EncodeElse(s, record);
        case KIND_END_IF:
            return EncodeEndIf(s);
        case KIND_PRINT:
            return EmitFromTable(s, isa::kPrintEncodings, record);
        case KIND_PSET:
            return EmitFromTable(s, isa::kPsetEncodings, record);
        case KIND_ASSIGN:
            return EmitFromTable(s, isa::kAssignEncodings, record);
        default:
            return Fault::kUnencodable;
    }
}

// All GOTO targets are known only after the last line, so forward and backward jumps are
// patched alike.
bool ResolveJumps(EncoderState& s) {
    for (std::uint32_t i = 0; i < s.fixupCount; ++i) {
        const JumpFixup& fixup = s.fixups[i];
        if (fixup.labelIndex >= s.stream.labelCount) return false;
        Patch(s, fixup.position, s.stream.labelAddresses[fixup.labelIndex]);
    }
    return true;
}

// Copies the program line at `position` into `line` as its text, one LF and a zero byte
// (the CR of a CR LF end is dropped); returns its length with the LF, 0 when the line
// does not fit the buffer.
int CopyLine(const CompilerState& state, std::uint32_t end, std::uint32_t& position,
             char (&line)[kLineBufferSize]) {
    std::size_t n = 0;
    bool ended = false;
    while (position < end && !ended) {
        if (n == kLineBufferSize - 2) return 0;
        line[n] = state.programText[position++];
        ended = line[n++] == '\n';
    }
    if (!ended) line[n++] = '\n';
    if (n >= 2 && line[n - 2] == '\r') {
        line[n - 2] = '\n';
        --n;
    }
    line[n] = '\0';
    return static_cast<int>(n);
}

void ReportFault(Fault fault, const char* line, char* message) {
    if (fault == Fault::kStreamFull) {
        std::snprintf(message, kMessageSize, "Script too long: its instructions exceed %zu bytes\n",
                      kStreamSize);
        return;
    }
    int length = 0;
    while (line[length] != '\n' && line[length] != '\0') ++length;
    std::snprintf(message, kMessageSize, "Cannot encode \"%.*s\"\n", std::min(length, 200), line);
}

void ReportUnresolvedJump(char* message) {
    std::snprintf(message, kMessageSize, "Cannot resolve a GOTO target\n");
}

void ReportWriteFailure(const char* what, const char* path, char* message) {
    char text[kMessageSize];
    std::snprintf(text, sizeof text, "Cannot %s %.400s file!\n", what, path);
    std::fputs(text, stdout);
    std::snprintf(message, kMessageSize, "%s", text);
}

// A failed write must not leave a file that a download would take for this compile's. A
// link is removed, never followed; a folder or device stays.
void RemoveStaleFile(const char* path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    if (std::filesystem::is_regular_file(status) || std::filesystem::is_symlink(status)) {
        std::filesystem::remove(path, error);
    }
}

bool WriteInstructions(std::FILE* file, const std::uint8_t* stream, std::size_t length) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t position = 0;
    while (position < length) {
        const std::size_t count = stream[position];
        if (count == 0 || count > isa::kMaxOperands + 1 || position + 1 + count > length) {
            return false;
        }
        char text[3 * (isa::kMaxOperands + 1) + 1];
        std::size_t n = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t byte = stream[position + 1 + i];
            text[n++] = kHex[byte >> 4];
            text[n++] = kHex[byte & 0x0F];
            text[n++] = ' ';
        }
        text[n - 1] = '\r';
        text[n++] = '\n';
        if (std::fwrite(text, 1, n, file) != n) return false;
        position += 1 + count;
    }
    return true;
}

// The encoder's refusals name the source line whose statement could not be encoded.
void ExplainEncoderFault(CompilerState& state, const InstructionStream& stream,
                         const char* message) {
    Explanation& explanation = state.explanation;
    explanation.Clear();
    const std::uint32_t index = stream.lastProgramLine;
    explanation.line = index < state.programLines ? static_cast<int>(state.sourceLines[index]) : 0;
    explanation.column = explanation.line > 0 ? 1 : 0;
    const char* why = "the statement cannot be encoded as an instruction";
    const char* suggestion = "";
    if (std::strncmp(message, "Script too long", 15) == 0) {
        why = "the instructions of the script reach this line past the keyboard's 10240 bytes";
        suggestion = "shorten the script; each key of a PRINT text takes 3 to 4 bytes";
    } else if (std::strncmp(message, "Cannot resolve", 14) == 0) {
        why = "a GOTO names a label that has no address";
        explanation.line = 0;
        explanation.column = 0;
    }
    std::snprintf(explanation.why.data(), explanation.why.size(), "%s", why);
    std::snprintf(explanation.suggestion.data(), explanation.suggestion.size(), "%s", suggestion);
}

}  // namespace

int EncodeProgramText(const CompilerState& state, InstructionStream& stream, char* message) {
    stream = InstructionStream{};
    EncoderState s{stream};
    const std::uint32_t end = std::min<std::uint32_t>(state.programLength, kProgramTextSize);
    std::uint32_t position = 0;
    char line[kLineBufferSize];
    while (position < end) {
        std::fill(std::begin(line), std::end(line), '\0');
        stream.lastProgramLine = s.programLine;
        const int length = CopyLine(state, end, position, line);
        StatementRecord record{};
        Fault fault = Fault::kUnencodable;
        if (length > 0 && TranslateStatement(state, line, length, record)) {
            fault = EncodeRecord(s, record);
        }
        if (fault != Fault::kNone) {
            ReportFault(fault, line, message);
            return 1;
        }
        ++s.programLine;
    }
    if (!ResolveJumps(s)) {
        ReportUnresolvedJump(message);
        return 1;
    }
    return 0;
}

int EncodeProgram(CompilerState& state, const char* path, char* message, std::uint8_t layout) {
    auto stream = std::make_unique<InstructionStream>();
    return EncodeProgramInto(state, path, message, layout, *stream);
}

int EncodeProgramInto(CompilerState& state, const char* path, char* message, std::uint8_t layout,
                      InstructionStream& stream) {
    state.ClearProgram();
    state.scriptLayout = layout;
    if (RunSourcePass(state, path, message) < 0) return 1;
    return EncodeAndWrite(state, stream, message);
}

int EncodeAndWrite(CompilerState& state, InstructionStream& stream, char* message) {
    if (EncodeProgramText(state, stream, message) != 0) {
        ExplainEncoderFault(state, stream, message);
        return 1;
    }
    const char* target = state.intermediatePath.c_str();
    if (WriteIntermediateFile(stream.bytes.data(), stream.length, target, message)) return 0;
    Explanation& explanation = state.explanation;
    explanation.Clear();
    std::snprintf(explanation.why.data(), explanation.why.size(),
                  "the compiled instructions could not be written to %.200s", target);
    std::snprintf(explanation.suggestion.data(), explanation.suggestion.size(),
                  "compile in a folder you may write to");
    return 1;
}

bool WriteIntermediateFile(const std::uint8_t* stream, std::size_t length, const char* path,
                           char* message) {
    // A new file of the user's only, renamed over the old one: a link or another file
    // planted under the intermediate file's name is replaced, never written through.
    // Only a regular file or a link is replaced; a folder or a device under the name is
    // left as it is, and the compile fails.
    std::error_code error;
    const auto existing = std::filesystem::symlink_status(path, error);
    if (std::filesystem::exists(existing) && !std::filesystem::is_regular_file(existing) &&
        !std::filesystem::is_symlink(existing)) {
        const bool folder = std::filesystem::is_directory(existing);
        ReportWriteFailure(folder ? "create" : "write", path, message);
        return false;
    }
    FreshFile fresh(path);
    if (!fresh.Open()) {
        ReportWriteFailure("create", path, message);
        return false;
    }
    if (!WriteInstructions(fresh.Stream(), stream, length) || !fresh.Close()) {
        ReportWriteFailure("write", path, message);
        RemoveStaleFile(path);
        return false;
    }
    if (!fresh.RenameOver()) {
        ReportWriteFailure("create", path, message);
        RemoveStaleFile(path);
        return false;
    }
    return true;
}

}  // namespace vorn::script
