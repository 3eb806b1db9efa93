// Programming a script into one script slot of the selected keyboard: the SCRIPTUpload
// command (checks, slot, keyboard opening, file choice) on the owner's thread, then a
// worker thread that compiles the script into the intermediate file, erases and begins the
// slot, and sends the file's instructions one WriteScript per line, with a progress bar.
//
// Threads and lifetime:
// - SCRIPTUpload, Wait and the destructor belong to the owner's thread (the GUI thread in
//   the program). The worker talks to the user seam, the progress bar, the two control
//   visibilities and the script-running flag from its own thread, so the user seam and the
//   state observer must accept calls from any thread.
// - The main state, link, user seam and compiler state must outlive this object. While
//   Running(), the compiler state and the intermediate file belong to the worker.
// - Wait() and the destructor block until the worker has ended. The worker ends by itself
//   (every keyboard command ends within the link's reply wait), but its message boxes are
//   answered on the GUI thread: a GUI thread that blocks in Wait() or in the destructor
//   while Running() deadlocks. The window must refuse to close while Running() and
//   destroy this object only after the finished callback has told it the worker is done.
// - The finished callback runs on the worker thread as its very last action, after the
//   script-running flag is cleared and Running() has turned false. It must not wait for
//   the GUI thread (post an event, don't block on one): the GUI thread may be joining.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "hid/Link.h"
#include "script/CompilerState.h"
#include "state/MainState.h"
#include "state/Outcome.h"
#include "state/UserSeam.h"

namespace vorn::script {

// Compiles the script at `path` into compiler.intermediatePath; 1 with a message on a
// compile failure, 0 otherwise. EncodeProgram in the program.
using CompileStep = std::function<int(CompilerState& compiler, const char* path, char* message,
                                      std::uint8_t layout)>;

class ScriptDownload {
  public:
    using FinishedCallback = std::function<void()>;

    // An empty `compile` uses EncodeProgram.
    ScriptDownload(state::MainState& state, hid::Link& link, state::UserSeam& user,
                   CompilerState& compiler, CompileStep compile = {});
    ~ScriptDownload();
    ScriptDownload(const ScriptDownload&) = delete;
    ScriptDownload& operator=(const ScriptDownload&) = delete;

    // The "SCRIPTUpload" button. Returns nothing once the worker is started (its outcome
    // comes from LastOutcome() when it has finished), or at once with the outcome, after a
    // message or silently, when the download cannot start.
    std::optional<state::Outcome> SCRIPTUpload();

    // True from the start of a worker until it has cleared the script-running flag.
    bool Running() const;
    // Blocks until the current worker, if any, has ended. See the deadlock note above.
    void Wait();
    // How the last download ended; set by the worker before Running() turns false, so the
    // finished callback and a caller of Wait() read the worker's outcome.
    state::Outcome LastOutcome() const;
    // May be called from any thread; a worker already running sees the new callback.
    void SetFinishedCallback(FinishedCallback finished);

  private:
    // What the worker needs from the main state, copied before it starts so that the
    // GUI thread may go on changing the state meanwhile.
    struct Job {
        std::uint8_t slot = 0;
        std::string path;
        std::uint8_t layout = 0;
    };

    std::optional<state::Outcome> Start(Job job);
    // Shows `message` and records `outcome` as the last one.
    state::Outcome Ended(const char* message, state::Outcome outcome);
    void ScriptDownloadWorker(const Job& job);
    // Progress bar hidden, slot list shown, script-running flag cleared, Running() false.
    void RestoreIdle();

    state::MainState& state_;
    hid::Link& link_;
    state::UserSeam& user_;
    CompilerState& compiler_;
    CompileStep compile_;

    std::atomic<bool> running_{false};
    std::atomic<state::Outcome> outcome_{state::Outcome::kRefused};
    std::thread worker_;
    std::mutex finishedMutex_;
    FinishedCallback finished_;
};

}  // namespace vorn::script
