#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <mutex>
#include <optional>

QString ExecutableFolder() {
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

namespace {

std::mutex folderMutex;
std::optional<QString> programFolder;

QString ConfigFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QLatin1String("/.config");
    return base + QLatin1String("/kestrel");
}

} // namespace

QString ChooseProgramFolder(const QString& executableFolder) {
    if (QFileInfo(executableFolder).isWritable())
        return executableFolder;
    const QString folder = ConfigFolder();
    QDir().mkpath(folder);
    return folder;
}

QString ProgramFolder() {
    const std::lock_guard lock(folderMutex);
    if (!programFolder)
        programFolder = ChooseProgramFolder(ExecutableFolder());
    return *programFolder;
}

void SetProgramFolderForTesting(const QString& folder) {
    const std::lock_guard lock(folderMutex);
    programFolder = folder;
}
