// The demo's folder: the sample scripts are put there for the file dialogs to show, and the
// script download writes its intermediate file there. The person may save keymaps into it
// as well, so when the demo ends only the files the demo made go; the folder goes only if
// nothing else is left in it.
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace vorn::app {

class DemoDesk {
  public:
    // Makes a new folder under the system's temporary folder.
    DemoDesk();
    ~DemoDesk();
    DemoDesk(const DemoDesk&) = delete;
    DemoDesk& operator=(const DemoDesk&) = delete;

    bool IsValid() const { return !path_.isEmpty(); }
    const QString& Path() const { return path_; }
    // Names of files in the folder that the demo made and may delete at the end.
    void Own(const std::vector<std::string>& names);

  private:
    QString path_;
    std::vector<std::string> own_;
};

}  // namespace vorn::app
