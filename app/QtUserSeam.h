// The user seam with Qt's modal dialogs: message boxes with an OK button captioned with the
// program's name, and the open and save dialogs with the procedures' filters. Callable
// from any thread: a call from a worker is run on the GUI thread and the worker waits for
// the person's answer, as behind a modal box.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "state/UserSeam.h"

namespace vorn::app {

class QtUserSeam : public QObject, public state::UserSeam {
    Q_OBJECT
  public:
    // Dialogs are owned by the modal window on top, else by `owner` (which may be null).
    explicit QtUserSeam(QWidget* owner, QObject* parent = nullptr);

    void Tell(const state::UserMessage& message) override;
    bool AskYesNo(const state::UserMessage& question) override;
    std::optional<std::string> AskOpenFile(const state::FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const state::FileDialogRequest& request) override;

  private:
    std::optional<std::string> AskFile(const state::FileDialogRequest& request, bool save);
    QWidget* DialogOwner() const;

    QPointer<QWidget> owner_;
};

// The program's name as message boxes show it: the executable's base name ("vornutil").
QString ProgramName();

}  // namespace vorn::app
