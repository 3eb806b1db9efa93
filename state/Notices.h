// How the procedures tell their outcomes: a success as information, a failure or a refusal
// as a warning, each with its exact text. "Fail to init." also says why the keyboard could
// not be opened and what to do about it, below the text.
#pragma once

#include <string>

#include "hid/Link.h"
#include "state/DeviceList.h"
#include "state/UserSeam.h"

namespace vorn::state {

void Inform(UserSeam& user, const std::string& text);
void Warn(UserSeam& user, const std::string& text);

// The detail under "Fail to init.": the device path, the system's reason (when there is
// one) and what to do, chosen by what stood in the way. On Linux a refused open names the
// udev rule that grants access and the two commands that make udev read it.
std::string InitFailureDetail(const std::string& devicePath, const std::string& systemError,
                              hid::OpenFailure failure);

// "Fail to init." as a warning, for keyboard `index` of `devices`, right after the failed
// open on this thread (the link's platform keeps the reason per thread).
void TellInitFailed(UserSeam& user, hid::Link& link, const DeviceList& devices, int index);

}  // namespace vorn::state
