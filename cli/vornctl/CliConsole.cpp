#include "cli/vornctl/CliConsole.h"

#include <algorithm>

namespace vorn::cli {

namespace {

constexpr int kBarWidth = 30;

// How far along, 0 to `scale`; a range of nothing counts as not started.
int Share(const state::ProgressState& progress, int scale) {
    const long long span = static_cast<long long>(progress.high) - progress.low;
    if (span <= 0) return 0;
    const long long done = std::clamp<long long>(progress.position - progress.low, 0, span);
    return static_cast<int>(done * scale / span);
}

}  // namespace

CliConsole::CliConsole(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

void CliConsole::Message(const std::string& text) {
    std::lock_guard lock(mutex_);
    EndBar();
    err_ << text;
    if (text.empty() || text.back() != '\n') err_ << '\n';
    err_.flush();
}

void CliConsole::Detail(const std::string& text) { Message(text); }

void CliConsole::Note(const std::string& text) { Message("vornctl: " + text); }

void CliConsole::ProgressChanged(const state::ProgressState& progress) {
    std::lock_guard lock(mutex_);
    if (!progress.visible || progress.high <= progress.low) {
        if (!progress.visible) EndBar();
        return;
    }
    if (progress.position == shownPosition_ && progress.high == shownHigh_) return;
    shownPosition_ = progress.position;
    shownHigh_ = progress.high;
    if (terminal_) {
        DrawBar(progress);
    } else {
        PrintLine(progress);
    }
}

void CliConsole::EndBar() {
    if (barDrawn_) err_ << '\n';
    barDrawn_ = false;
    shownPosition_ = shownHigh_ = shownTenth_ = -1;
}

void CliConsole::DrawBar(const state::ProgressState& progress) {
    const int filled = Share(progress, kBarWidth);
    err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] "
         << progress.position - progress.low << '/' << progress.high - progress.low;
    err_.flush();
    barDrawn_ = true;
}

void CliConsole::PrintLine(const state::ProgressState& progress) {
    const int tenth = Share(progress, 10);
    if (tenth == shownTenth_) return;
    shownTenth_ = tenth;
    err_ << "progress " << progress.position - progress.low << '/' << progress.high - progress.low
         << '\n';
    err_.flush();
}

}  // namespace vorn::cli
