// The running program's version as the About box shows it, for the command-line answer to
// --version.
#pragma once

#include <string>
#include <string_view>

namespace vorn::app {

// "a.b.c.d" from the version block embedded in the running executable; empty when the
// executable has none.
std::string OwnVersionText();

// True when `args` (the arguments after the program name) ask for --version before a "--".
bool AsksForVersion(int argc, const char* const* argv);

// "NAME VERSION\n" (or "NAME (no version block)\n").
std::string VersionLine(std::string_view programName);

}  // namespace vorn::app
