#include "app/QtUserSeam.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/FileFilter.h"
#include "app/GuiThread.h"

namespace vorn::app {
namespace {

constexpr std::uint32_t kOfnOverwritePrompt = 0x00000002;

void Configure(QFileDialog& dialog, const state::FileDialogRequest& request, bool save) {
    dialog.setNameFilter(QtFileFilter(request.filter));
    dialog.setDefaultSuffix(DefaultSuffix(request.defaultExtension));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    const bool mustExist = (request.flags & state::kOfnFileMustExist) != 0;
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The Windows save dialog asks before replacing a file only when told to.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & kOfnOverwritePrompt) == 0);
}

}  // namespace

QString ProgramName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QtUserSeam::QtUserSeam(QWidget* owner, QObject* parent) : QObject(parent), owner_(owner) {}

QWidget* QtUserSeam::DialogOwner() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return owner_.data();
}

void QtUserSeam::ShowMessage(const std::string& text) {
    RunOnThreadOf(*this, [&] {
        QMessageBox box(QMessageBox::NoIcon, ProgramName(), QString::fromStdString(text),
                        QMessageBox::Ok, DialogOwner());
        box.setObjectName(QStringLiteral("userMessage"));
        box.exec();
    });
}

std::optional<std::string> QtUserSeam::AskOpenFile(const state::FileDialogRequest& request) {
    return AskFile(request, false);
}

std::optional<std::string> QtUserSeam::AskSaveFile(const state::FileDialogRequest& request) {
    return AskFile(request, true);
}

std::optional<std::string> QtUserSeam::AskFile(const state::FileDialogRequest& request, bool save) {
    std::optional<std::string> chosen;
    RunOnThreadOf(*this, [&] {
        QFileDialog dialog(DialogOwner());
        dialog.setObjectName(QStringLiteral("userFileDialog"));
        Configure(dialog, request, save);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        chosen = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
    });
    return chosen;
}

}  // namespace vorn::app
