// Standard error of vornctl: the procedures' messages, and the progress of a script
// download, as a bar redrawn in place on a terminal or as plain lines (every tenth of the
// way, and the end) when the stream goes to a file or a pipe. A message that comes while
// the bar is drawn starts on a line of its own.
//
// Called from the script download's worker as well as from the main thread.
#pragma once

#include <mutex>
#include <ostream>
#include <string>

#include "state/MainState.h"

namespace vorn::cli {

class CliConsole : public state::MainStateObserver {
  public:
    CliConsole(std::ostream& err, bool terminal);

    // The text as the message box would show it, ended with a line break.
    void Message(const std::string& text);
    // What we add below a message: its lines as given, ended with a line break.
    void Detail(const std::string& text);
    // Our own remarks (hints, wrong keyboard index), after "vornctl: ".
    void Note(const std::string& text);

    void ProgressChanged(const state::ProgressState& progress) override;

  private:
    void EndBar();  // with mutex_ held
    void DrawBar(const state::ProgressState& progress);
    void PrintLine(const state::ProgressState& progress);

    std::ostream& err_;
    const bool terminal_;
    std::mutex mutex_;
    bool barDrawn_ = false;
    // What was shown last, so that unchanged progress is not written again.
    int shownPosition_ = -1;
    int shownHigh_ = -1;
    int shownTenth_ = -1;
};

}  // namespace vorn::cli
