// The source pass: reads a script file once, checks every line and fills the program text
// buffer and the label table of `state`. The caller has cleared both and stored the
// script layout.
#pragma once

#include "CompilerState.h"

namespace vorn::script {

// 0 on success; -1 on failure with one message, ending in LF, in `message`
// (kMessageSize bytes).
int RunSourcePass(CompilerState& state, const char* path, char* message);

}  // namespace vorn::script
