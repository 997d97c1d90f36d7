#include "files/ui/FileCommands.h"

#include "common/Prompt.h"
#include "files/CollectionFile.h"
#include "logger/ui/DataLoggerCommand.h"
#include "logger/ui/TfrmDataLogger.h"

#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace kv {

namespace {
const QString kNoWindow = QStringLiteral("Did not choose any graph or list window.");
const QString kSingleSetLater = QStringLiteral("Single data sets cannot be opened or saved as text yet: "
                                               "this version keeps whole downloads as collection files (.REC).");
} // namespace

FileCommands::FileCommands(Prompt &prompt, DataLoggerCommand &dataLogger, std::function<QWidget *()> activeChild,
                           QString programFolder, QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_dataLogger(dataLogger)
    , m_activeChild(std::move(activeChild))
    , m_programFolder(std::move(programFolder))
{
}

bool FileCommands::decimalComma()
{
    return QLocale().decimalPoint() == QStringLiteral(",");
}

QString FileCommands::saveFolder() const
{
    const QFileInfo folder(m_programFolder);
    if (folder.isDir() && folder.isWritable())
        return folder.absoluteFilePath();
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void FileCommands::Open1Click()
{
    const QString single = decimalComma() ? QStringLiteral("Open a data set(*.TXT,*.GHF)")
                                          : QStringLiteral("Open a data set(*.TXT,*.CSV,*.GHF)");
    switch (m_prompt.chooseOpenSave(QStringLiteral("Open File"),
                                    QStringLiteral("Open a data set collection file(*.rec)"), single)) {
    case Prompt::Choice::Collection:
        OpenCollection();
        break;
    case Prompt::Choice::SingleSet:
        m_prompt.information(kSingleSetLater);
        break;
    case Prompt::Choice::Cancel:
        break;
    }
}

void FileCommands::Save1Click()
{
    QWidget *active = m_activeChild ? m_activeChild() : nullptr;
    auto *dataLogger = qobject_cast<TfrmDataLogger *>(active);
    if (!dataLogger) {
        m_prompt.information(kNoWindow);
        return;
    }
    const QString single = decimalComma() ? QStringLiteral("Save a single data set(*.TXT)")
                                          : QStringLiteral("Save a single data set(*.TXT,*.CSV)");
    switch (m_prompt.chooseOpenSave(QStringLiteral("Save File"),
                                    QStringLiteral("Save all data sets to a data set collection file(*.REC)"),
                                    single)) {
    case Prompt::Choice::Collection:
        if (const DataSetCollection *collection = dataLogger->collection())
            SaveCollection(collection->image);
        else
            m_prompt.information(QStringLiteral("There are no data sets to save yet."));
        break;
    case Prompt::Choice::SingleSet:
        m_prompt.information(kSingleSetLater);
        break;
    case Prompt::Choice::Cancel:
        break;
    }
}

bool FileCommands::OpenCollection()
{
    const QString path = m_prompt.openFileName(QStringLiteral("Open"), CollectionFile::qtFilter(),
                                               QString::fromLatin1(CollectionFile::DefaultExtension));
    if (path.isEmpty())
        return false;
    const CollectionFileResult read = CollectionFile::readFile(path);
    if (!read.ok) {
        m_prompt.error(read.error);
        return false;
    }
    return m_dataLogger.showImage(read.image);
}

bool FileCommands::SaveCollection(const QByteArray &image)
{
    const QString path = m_prompt.saveFileName(QStringLiteral("Save As"), CollectionFile::qtFilter(),
                                               QString::fromLatin1(CollectionFile::DefaultExtension), saveFolder());
    if (path.isEmpty())
        return false;
    const CollectionFileResult written = CollectionFile::writeFile(path, image);
    if (!written.ok)
        m_prompt.error(written.error);
    return written.ok;
}

} // namespace kv
