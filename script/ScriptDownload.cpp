#include "script/ScriptDownload.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>
#include <system_error>
#include <utility>

#include "script/Encoder.h"
#include "script/Explanation.h"
#include "script/ScriptMessages.h"
#include "script/ThreadPriority.h"
#include "state/KeyboardList.h"
#include "state/Messages.h"
#include "state/Notices.h"

namespace vorn::script {

namespace {

constexpr char kScriptExtension[] = "*.vs";
constexpr char kScriptFilter[] = "Vorn Script Files {*.vs}|*.vs |All Files {*.*}|*.*||";

// An instruction is sent whole in one WriteScript; a line of this many values or more
// is no instruction of ours.
constexpr std::size_t kInstructionSize = 256;

struct Instruction {
    std::array<std::uint8_t, kInstructionSize> bytes{};
    std::size_t count = 0;
};

enum class LineResult { kOk, kTooLong, kMalformed };

const char* RefusalFor(const state::MainState& state) {
    if (state.keyboards.Count() == 0) return state::message::kPlugKeyboard;
    if (state.keyboards.Selected() < 0) return state::message::kSelectModel;
    if (state.slots.Count() == 0) return message::kNotSupported;
    // A slot list with entries but no selection would send slot 0xFF.
    if (state.slots.Selected() < 0) return message::kSelectSlot;
    return nullptr;
}

state::FileDialogRequest ScriptFileDialog() {
    return {kScriptExtension, kScriptFilter, state::kOfnExplorer | state::kOfnFileMustExist};
}

std::string WithStatus(const char* format, std::uint8_t status) {
    char text[128];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(status));
    return text;
}

std::string WriteFailure(std::uint8_t sequence, std::uint8_t status) {
    char text[128];
    std::snprintf(text, sizeof text, message::kWriteFailed, sequence + 1,
                  static_cast<unsigned>(status));
    return text;
}

int HexDigit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Splits one line into its values as the characters come: fields of hexadecimal digits
// separated by blanks, each keeping its low byte, the CR of the line end closing the last.
// Anything else on the line means the file is not one the encoder wrote.
class FieldScan {
  public:
    explicit FieldScan(Instruction& out) : out_(out) { out_.count = 0; }

    LineResult Take(int c) {
        if (afterCr_) return LineResult::kMalformed;
        if (c == '\r') {
            afterCr_ = true;
            return Close();
        }
        if (c == ' ') return Close();
        const int digit = HexDigit(c);
        if (digit < 0) return LineResult::kMalformed;
        value_ = static_cast<std::uint8_t>(value_ << 4 | digit);
        inField_ = true;
        return LineResult::kOk;
    }

    LineResult Close() {
        if (!inField_) return LineResult::kOk;
        inField_ = false;
        out_.bytes[out_.count++] = value_;
        value_ = 0;
        // Refused as soon as it is full, so nothing is ever stored past the buffer.
        return out_.count == kInstructionSize ? LineResult::kTooLong : LineResult::kOk;
    }

  private:
    Instruction& out_;
    std::uint8_t value_ = 0;
    bool inField_ = false;
    bool afterCr_ = false;
};

// The intermediate file as the download reads it back. It is deleted when the download
// ends, whether it was opened or not, so no ending leaves one behind.
class IntermediateFile {
  public:
    explicit IntermediateFile(std::string path) : path_(std::move(path)) {}
    ~IntermediateFile() { Discard(); }
    IntermediateFile(const IntermediateFile&) = delete;
    IntermediateFile& operator=(const IntermediateFile&) = delete;

    bool Open() {
        file_ = std::fopen(path_.c_str(), "rb");
        atEnd_ = false;
        return file_ != nullptr;
    }

    void Discard() {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        std::remove(path_.c_str());
    }

    bool AtEnd() const { return atEnd_; }

    // Counts as the read loop will go: the end of the file is seen only by a read that
    // finds nothing, so N lines ended by CR LF count N + 1. Back at the start afterwards.
    std::optional<std::size_t> CountLines() {
        std::size_t lines = 0;
        for (; !atEnd_; ++lines) SkipLine();
        if (std::ferror(file_) || std::fseek(file_, 0, SEEK_SET) != 0) return std::nullopt;
        atEnd_ = false;
        return lines;
    }

    // Lines are read whole, however long: a long line is never cut into two instructions.
    LineResult ReadInstruction(Instruction& out) {
        FieldScan scan(out);
        int c;
        while ((c = std::getc(file_)) != EOF && c != '\n') {
            const LineResult result = scan.Take(c);
            if (result != LineResult::kOk) return result;
        }
        if (c == EOF) atEnd_ = true;
        // A read error must not pass for the end of the program.
        if (std::ferror(file_)) return LineResult::kMalformed;
        return scan.Close();
    }

  private:
    void SkipLine() {
        int c;
        while ((c = std::getc(file_)) != EOF && c != '\n') {
        }
        if (c == EOF) atEnd_ = true;
    }

    std::string path_;
    std::FILE* file_ = nullptr;
    bool atEnd_ = false;
};

using state::Outcome;

// The one message the worker shows, and how the download ended.
struct Ending {
    std::string message;
    Outcome outcome;
    std::string detail = {};  // why a compile was refused, below the message
};

// The worker's part between starting and its message: compile, read back, program.
class SlotProgrammer {
  public:
    SlotProgrammer(state::MainState& state, hid::Link& link, CompilerState& compiler,
                   const CompileStep& compile)
        : state_(state),
          link_(link),
          compiler_(compiler),
          compile_(compile),
          file_(compiler.intermediatePath) {}

    Ending Run(std::uint8_t slot, const std::string& path, std::uint8_t layout) {
        std::string failure = Compile(path, layout);
        if (!failure.empty()) {
            return {std::move(failure), Outcome::kRefused,
                    compiler_.explainInDetail ? ExplanationDetail(compiler_.explanation) : ""};
        }
        if (!file_.Open()) return {message::kReadFailed, Outcome::kFailed};
        const std::optional<std::size_t> lines = file_.CountLines();
        if (!lines) return {message::kReadFailed, Outcome::kFailed};
        state_.SetProgressRange(0, static_cast<int>(std::min<std::size_t>(*lines, INT_MAX)));
        state_.SetProgressStep(1);
        return Program(slot);
    }

    // Closes and deletes the intermediate file.
    void Discard() { file_.Discard(); }

  private:
    std::string Compile(const std::string& path, std::uint8_t layout) {
        // A file left from an earlier run must not be taken for this compile's output
        // when the compile cannot create its own.
        file_.Discard();
        compiler_.explanation.Clear();
        char message[kMessageSize] = {};
        if (compile_(compiler_, path.c_str(), message, layout) == 0) return {};
        message[kMessageSize - 1] = '\0';
        return message;
    }

    Ending Program(std::uint8_t slot) {
        std::uint8_t status = link_.EraseSlot(slot);
        if (status != hid::HID_OK) return Failed(WithStatus(message::kEraseFailed, status));
        status = link_.BeginSlot(slot);
        if (status != hid::HID_OK) return Failed(WithStatus(message::kBeginFailed, status));
        return WriteInstructions();
    }

    static Ending Failed(std::string text) { return {std::move(text), Outcome::kFailed}; }

    Ending WriteInstructions() {
        Instruction instruction;
        std::uint8_t sequence = 0;
        while (!file_.AtEnd()) {
            const LineResult line = file_.ReadInstruction(instruction);
            if (line == LineResult::kTooLong) return Failed(message::kTooLong);
            if (line == LineResult::kMalformed) return Failed(message::kReadFailed);
            if (instruction.count > 0) {
                const std::uint8_t status =
                    link_.WriteScript(instruction.count, sequence, instruction.bytes.data());
                if (status != hid::HID_OK) return Failed(WriteFailure(sequence, status));
                ++sequence;
            }
            state_.StepProgress();
        }
        return {message::kDone, Outcome::kDone};
    }

    state::MainState& state_;
    hid::Link& link_;
    CompilerState& compiler_;
    const CompileStep& compile_;
    IntermediateFile file_;
};

}  // namespace

ScriptDownload::ScriptDownload(state::MainState& state, hid::Link& link, state::UserSeam& user,
                               CompilerState& compiler, CompileStep compile)
    : state_(state),
      link_(link),
      user_(user),
      compiler_(compiler),
      compile_(compile ? std::move(compile) : CompileStep(&EncodeProgram)) {}

ScriptDownload::~ScriptDownload() { Wait(); }

std::optional<Outcome> ScriptDownload::SCRIPTUpload() {
    if (state_.scriptRunning.load()) return Outcome::kRefused;
    if (const char* refusal = RefusalFor(state_)) return Ended(refusal, Outcome::kRefused);
    state_.selectedSlot = state_.slots.Selected();
    // Opening the keyboard also takes its report length, so the link is complete here.
    if (!state::OpenKeyboard(link_, state_.devices, state_.keyboards.Selected())) {
        state::TellInitFailed(user_, link_, state_.devices, state_.keyboards.Selected());
        return outcome_ = Outcome::kFailed;
    }
    const std::optional<std::string> path = user_.AskOpenFile(ScriptFileDialog());
    if (!path) return outcome_ = Outcome::kCancelled;
    state_.scriptPath = *path;
    state_.ShowSlotList(false);
    // The bar comes up empty: nothing of an earlier download shows behind a failed compile.
    state_.SetProgressRange(0, 0);
    state_.ShowProgress(true);
    state_.scriptRunning.store(true);
    return Start(Job{static_cast<std::uint8_t>(state_.selectedSlot), state_.scriptPath,
                     state_.scriptLayout});
}

Outcome ScriptDownload::Ended(const char* message, Outcome outcome) {
    state::Warn(user_, message);
    return outcome_ = outcome;
}

Outcome ScriptDownload::LastOutcome() const { return outcome_.load(); }

bool ScriptDownload::Running() const { return running_.load(); }

void ScriptDownload::Wait() {
    if (worker_.joinable()) worker_.join();
}

void ScriptDownload::SetFinishedCallback(FinishedCallback finished) {
    std::lock_guard lock(finishedMutex_);
    finished_ = std::move(finished);
}

std::optional<Outcome> ScriptDownload::Start(Job job) {
    // The worker before has cleared the flag; all it may still do is call back.
    Wait();
    running_.store(true);
    try {
        worker_ = std::thread([this, job = std::move(job)] { ScriptDownloadWorker(job); });
    } catch (const std::system_error&) {
        RestoreIdle();
        return Ended(state::message::kInitFailed, Outcome::kFailed);
    }
    return std::nullopt;
}

void ScriptDownload::ScriptDownloadWorker(const Job& job) {
    RaiseThreadPriority();
    SlotProgrammer programmer(state_, link_, compiler_, compile_);
    const Ending ending = programmer.Run(job.slot, job.path, job.layout);
    user_.Tell({ending.message, ending.detail,
                ending.outcome == Outcome::kDone ? state::MessageTone::kInformation
                                                 : state::MessageTone::kWarning});
    // The file goes before the flag is cleared: the next download compiles into it.
    programmer.Discard();
    outcome_ = ending.outcome;
    RestoreIdle();
    FinishedCallback finished;
    {
        std::lock_guard lock(finishedMutex_);
        finished = finished_;
    }
    if (finished) finished();
}

void ScriptDownload::RestoreIdle() {
    state_.ShowProgress(false);
    state_.ShowSlotList(true);
    state_.scriptRunning.store(false);
    running_.store(false);
}

}  // namespace vorn::script
