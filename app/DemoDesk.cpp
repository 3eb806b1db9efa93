#include "app/DemoDesk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace vorn::app {
namespace {

// The script download's intermediate file, made in the current folder.
constexpr char kIntermediateFile[] = "temp.o";

}  // namespace

DemoDesk::DemoDesk() {
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/vornutil-demo-XXXXXX"));
    if (!folder.isValid()) return;
    folder.setAutoRemove(false);
    path_ = folder.path();
    own_.push_back(kIntermediateFile);
}

DemoDesk::~DemoDesk() {
    if (!IsValid()) return;
    const QDir folder(path_);
    for (const std::string& name : own_)
        QFile::remove(folder.filePath(QString::fromStdString(name)));
    // rmdir refuses a folder that still holds something: what the person saved stays.
    QDir().rmdir(path_);
}

void DemoDesk::Own(const std::vector<std::string>& names) {
    own_.insert(own_.end(), names.begin(), names.end());
}

}  // namespace vorn::app
