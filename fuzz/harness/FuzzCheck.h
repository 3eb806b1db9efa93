// Invariant checks of the fuzz harnesses. A broken invariant goes to the failure handler:
// by default it prints what broke and aborts, which libFuzzer reports as a crash and keeps
// the input; the regression test installs a handler that records the failure instead.
#pragma once

#include <functional>
#include <string>

namespace vorn::fuzz {

using FailureHandler = std::function<void(const std::string& what)>;

// Replaces the handler; an empty one restores the aborting default. Returns the old one.
FailureHandler SetFailureHandler(FailureHandler handler);

// Reports `what` when `ok` is false. Safe from any thread.
void Check(bool ok, const char* what);
void Check(bool ok, const std::string& what);

}  // namespace vorn::fuzz
