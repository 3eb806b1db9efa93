#include <cstddef>
#include <cstdint>

#include "fuzz/harness/Harnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::fuzz::RunVersionBlockInput({data, size});
    return 0;
}
