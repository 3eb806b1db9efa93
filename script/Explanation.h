// The words of a refused compile's explanation, as an editor reads them and as the
// window shows them below the compiler's message.
#pragma once

#include <string>
#include <string_view>

#include "script/CompilerState.h"

namespace vorn::script {

// "FILE:LINE:COLUMN: error: why" and, with a suggestion, "FILE:LINE:COLUMN: note: ..." on
// the next line; LINE and COLUMN are left out where the refusal has none. Empty when
// there is nothing to explain.
std::string ExplanationLines(const Explanation& explanation, std::string_view file);

// "Line 7, column 12: why." and the suggestion on a line of its own, for a message box.
std::string ExplanationDetail(const Explanation& explanation);

}  // namespace vorn::script
