// File dialog filters written the Windows way, "Desc|pattern;pattern|Desc|pattern||", turned
// into the filter strings Qt's file dialogs take.
#pragma once

#include <QString>
#include <string_view>

namespace vorn::app {

// "Binary Files {*.dat}|*.dat|All Files {*.*}|*.*||" becomes
// "Binary Files {*.dat} (*.dat);;All Files {*.*} (*). Descriptions are kept as written;
// blanks around patterns are dropped; "*.*" matches every file, as it does on Windows; a
// description without a pattern is left out.
QString QtFileFilter(std::string_view windowsFilter);

// The suffix a default extension such as "*.dat" or ".dat" stands for ("dat"); empty for
// "*.*" and for nothing.
QString DefaultSuffix(std::string_view defaultExtension);

}  // namespace vorn::app
