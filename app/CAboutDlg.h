// The About box: the program's icon, "Vorn Utility <version>" read from the program's own
// version block, a notice line and OK. Ctrl+H and then Ctrl+Y, typed while the box is
// active, reveal a hidden code field; OK with the right code in it shows a hidden message.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

#include "state/UserSeam.h"

namespace Ui {
class CAboutDlg;
}

namespace vorn::app {

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    // The two reveal keys, by the ids the system-wide hot keys have on Windows.
    static constexpr int kArmHotKey = 1;     // Ctrl+H
    static constexpr int kRevealHotKey = 2;  // Ctrl+Y

    // `user` shows the hidden message; `userLanguage` picks the version strings' table.
    CAboutDlg(state::UserSeam& user, std::uint16_t userLanguage, QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // One reveal key: the first arms, the second (once armed) shows and focuses the field.
    void OnHotKey(int id);
    // The OK handler: checks the code, shows the message on a match, ends the box.
    void accept() override;

    const QString& CodeText() const { return codeText_; }

  protected:
    // Catches the reveal keys before any widget of the box sees them, the way a hot key
    // reaches the window whatever has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnInitDialog(std::uint16_t userLanguage);
    void FitTextHeights();
    bool BelongsToThisBox(QObject* watched) const;

    std::unique_ptr<Ui::CAboutDlg> ui_;
    state::UserSeam& user_;
    bool hotKeyArmed_ = false;
    QString codeText_;
};

// The version line for a version text ("1.0.0.6", or empty when none could be read).
QString AboutVersionLine(const QString& versionText);

}  // namespace vorn::app
