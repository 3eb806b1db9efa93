// What the demo puts on its simulated desk: an Orvane Pro and a Tessik Pro, each with a
// keymap and ten empty script slots, and a few scripts to try.
#pragma once

#include <string>
#include <vector>

#include "sim/SimHidPlatform.h"

namespace vorn::app {

inline constexpr char kDemoOrvanePath[] = "demo/orvane-pro";
inline constexpr char kDemoTessikPath[] = "demo/tessik-pro";

// Attaches the two keyboards. Their transfers take a little time, as a real keyboard's do,
// so the progress bar of a script download can be seen moving.
void AttachDemoKeyboards(sim::SimHidPlatform& platform);

// Writes the example scripts (examples/*.vs) and one with a mistake into `folder`;
// returns their file names.
std::vector<std::string> WriteDemoScripts(const std::string& folder);

}  // namespace vorn::app
