#include "app/FolderMemory.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

namespace {
QString firstType(const QString &filter)
{
    return filter.section(QStringLiteral(";;"), 0, 0);
}
} // namespace

FolderMemory::FolderMemory(Prompt &inner, Settings::Location where)
    : m_inner(inner)
    , m_where(std::move(where))
    , m_folders(Settings::readFolders(m_where.readPath))
{
}

QString FolderMemory::kindOf(const QString &extension)
{
    const QString e = extension.toLower();
    const QStringList &kinds = Settings::folderKinds();
    if (e == QLatin1String("txt") || e == QLatin1String("csv"))
        return kinds.at(0);
    if (e == QLatin1String("ghf"))
        return kinds.at(1);
    if (e == QLatin1String("rec"))
        return kinds.at(2);
    if (e == QLatin1String("pdf"))
        return kinds.at(3);
    if (e == QLatin1String("svg") || e == QLatin1String("png"))
        return kinds.at(4);
    return QString();
}

QString FolderMemory::startOf(const QString &filter, const QString &directory, bool withName) const
{
    const QString remembered = m_folders.value(kindOf(filterSuffix(firstType(filter))));
    if (remembered.isEmpty() || !QFileInfo(remembered).isDir())
        return directory;
    // A directory that is no folder names the file to suggest.
    const QString name = withName && !directory.isEmpty() && !QFileInfo(directory).isDir()
        ? QFileInfo(directory).fileName()
        : QString();
    return name.isEmpty() ? remembered : QDir(remembered).filePath(name);
}

void FolderMemory::remember(const QString &filter, const QString &chosen)
{
    if (chosen.isEmpty())
        return;
    // The file chosen tells its kind (a graph saved as text is a data set);
    // a name of no known kind counts as the dialog's.
    QString kind = kindOf(QFileInfo(chosen).suffix());
    if (kind.isEmpty())
        kind = kindOf(filterSuffix(firstType(filter)));
    const QString folder = QFileInfo(chosen).absolutePath();
    if (kind.isEmpty() || m_folders.value(kind) == folder)
        return;
    m_folders.insert(kind, folder);
    // A folder that could not be kept costs the user nothing now; the
    // settings file's own problem is told when the program ends.
    if (!Settings::writeFolders(m_where, m_folders, &m_error))
        return;
    m_error.clear();
}

QString FolderMemory::saveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                                   const QString &directory)
{
    const QString chosen = m_inner.saveFileName(caption, filter, defaultSuffix, startOf(filter, directory, true));
    remember(filter, chosen);
    return chosen;
}

QString FolderMemory::openFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                                   const QString &directory)
{
    const QString chosen = m_inner.openFileName(caption, filter, defaultSuffix, startOf(filter, directory, false));
    remember(filter, chosen);
    return chosen;
}

} // namespace kv
