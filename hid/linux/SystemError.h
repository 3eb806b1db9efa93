// The reason of a failed system call as the Linux backend reports it: the call (with what
// it was called on) and the system's text for its error number, for instance
// "open /dev/hidraw3: Permission denied".
#pragma once

#include <cstring>
#include <string>

namespace vorn::hid {

inline std::string SystemError(const std::string& call, int error) {
    return call + ": " + std::strerror(error);
}

}  // namespace vorn::hid
