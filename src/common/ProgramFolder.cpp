#include "common/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

QString installedDataFolder(const QString &programPath)
{
    return QDir::cleanPath(QFileInfo(programPath).absolutePath() + QStringLiteral("/../share/kv481"));
}

bool isInstalledProgram(const QString &programPath)
{
    return QFileInfo(QFileInfo(programPath).absolutePath()).fileName() == QLatin1String("bin")
        && QFileInfo(installedDataFolder(programPath)).isDir();
}

} // namespace kv
