#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz/harness/Harnesses.h"

// The compiler traces every statement on standard output; at thousands of compiles a
// second that would drown libFuzzer's own report (which goes to standard error).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::fuzz::RunCompilerInput({data, size});
    return 0;
}
