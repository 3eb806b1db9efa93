// Where the link sends the one thing it tells the user itself: that a reply did not come in
// time. The procedures' user seam (state/UserSeam.h) is one; the link needs nothing more of
// it. Calls may come from any thread.
#pragma once

#include <string>

namespace vorn::hid {

class MessageSink {
  public:
    virtual ~MessageSink() = default;

    // A modal message box with an OK button, captioned with the program's name.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace vorn::hid
