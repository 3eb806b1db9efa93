// How a procedure of the main window ended, apart from what it told the user. Programs
// decide on their exit status from this, never from the text of a message.
#pragma once

namespace vorn::state {

enum class Outcome {
    kDone,       // the procedure did what it was asked
    kRefused,    // it declined before touching the keyboard or a file: no keyboard, no
                 // selection, a file that does not fit, a script that does not compile
    kFailed,     // something went wrong while it worked: a keyboard command, a file
    kCancelled,  // the user closed a file dialog
};

}  // namespace vorn::state
