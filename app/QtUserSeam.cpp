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

void Configure(QFileDialog& dialog, const state::FileDialogRequest& request, bool save) {
    dialog.setNameFilter(QtFileFilter(request.filter));
    dialog.setDefaultSuffix(DefaultSuffix(request.defaultExtension));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // "File must exist" is for choosing a file to read. A save dialog takes a new name
    // whatever the flags say, and asks before it replaces a file that is there: an upload
    // empties the file it writes to.
    const bool mustExist = !save && (request.flags & state::kOfnFileMustExist) != 0;
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !save);
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

namespace {

QMessageBox::Icon IconOf(state::MessageTone tone) {
    return tone == state::MessageTone::kWarning ? QMessageBox::Warning : QMessageBox::Information;
}

void SetDetail(QMessageBox& box, const std::string& detail) {
    if (!detail.empty()) box.setInformativeText(QString::fromStdString(detail));
}

}  // namespace

void QtUserSeam::Tell(const state::UserMessage& message) {
    RunOnThreadOf(*this, [&] {
        QMessageBox box(IconOf(message.tone), ProgramName(), QString::fromStdString(message.text),
                        QMessageBox::Ok, DialogOwner());
        box.setObjectName(QStringLiteral("userMessage"));
        SetDetail(box, message.detail);
        box.exec();
    });
}

bool QtUserSeam::AskYesNo(const state::UserMessage& question) {
    bool yes = false;
    RunOnThreadOf(*this, [&] {
        QMessageBox box(QMessageBox::Question, ProgramName(), QString::fromStdString(question.text),
                        QMessageBox::Yes | QMessageBox::No, DialogOwner());
        box.setObjectName(QStringLiteral("userQuestion"));
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        SetDetail(box, question.detail);
        yes = box.exec() == QMessageBox::Yes;
    });
    return yes;
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
