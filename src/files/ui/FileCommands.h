#pragma once
// The File menu's Open and Save: the chooser, the file dialogs and the
// dispatch by the kind of the active window. Collection files (.REC) go
// through the data-logger command, which decodes and shows them.

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace kv {

class DataLoggerCommand;
class Prompt;

class FileCommands : public QObject
{
    Q_OBJECT
public:
    // activeChild: the active document window, if any; programFolder: where
    // the save dialog starts.
    FileCommands(Prompt &prompt, DataLoggerCommand &dataLogger, std::function<QWidget *()> activeChild,
                 QString programFolder, QObject *parent = nullptr);

    void Open1Click();
    void Save1Click();
    // The collection file of the data-logger window: all its data sets.
    bool OpenCollection();
    bool SaveCollection(const QByteArray &image);

    // The folder the save dialog starts in: the program's, or the user's
    // documents where the program's folder cannot be written.
    QString saveFolder() const;

private:
    static bool decimalComma();

    Prompt &m_prompt;
    DataLoggerCommand &m_dataLogger;
    std::function<QWidget *()> m_activeChild;
    QString m_programFolder;
};

} // namespace kv
