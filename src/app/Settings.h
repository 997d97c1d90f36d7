#pragma once
// The program's settings between runs: one INI file, read once at start and
// written once when the main window closes.

#include "publish/PublishOptions.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>
#include <QString>

#include <functional>

namespace kv {

struct SettingsValues
{
    int model = 482;        // [Link] Model
    int connectedPort = 0;  // [Link] Connected Port
    bool autoSearch = true; // [Link] Auto Search (kept, not used)
    int samplingRate = 2;   // [RealTime] Sampling Rate, seconds
    int maxScale = 50;      // [Graph Option] Max. Scale
    int minScale = -10;     // [Graph Option] Min. Scale
    int showHint = 1;       // [Hint] Show Hint (kept, not used)
    QString mainTitle;      // [MainTitle] Main Title
    QString subTitle;       // [SubTitle] Sub Title
    bool journal = true;    // [RealTime] Recording Journal: keep a journal of every recording
    // [Publish]: live readings to an MQTT broker; the section is written
    // only once it differs from what the file holds.
    PublishOptions publish;


    bool operator==(const SettingsValues &o) const;
    bool operator!=(const SettingsValues &o) const { return !(*this == o); }
};

class Settings
{
public:
    // The longest sampling interval the two sampling-rate boxes can show
    // (60 minutes and 60 seconds).
    static constexpr int kMaxSamplingRate = 60 * 60 + 60;
    // A settings file holds a few hundred bytes; a file larger than this is
    // not one the program wrote, and it is never written over.
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

    // The entries of the minute and second boxes (each "00" to "60") that
    // show a sampling rate of 1 to kMaxSamplingRate seconds: minutes = rate
    // / 60 and seconds = rate mod 60, except that the longest rate is shown
    // as 60 minutes and 60 seconds.
    struct RateBoxes
    {
        int minutes = 0;
        int seconds = 0;
    };
    static RateBoxes rateBoxes(int samplingRate);

    // Reads the nine keys and the journal switch from INI text. Missing sections and keys, and
    // values that are not numbers, give the defaults. A model other than 481
    // or 482 becomes 482; a sampling rate of 0 (or below) becomes 2, one
    // above the boxes' range becomes the longest they show.
    static SettingsValues parse(const QByteArray &iniText);

    // The INI text with the nine keys set from v, keeping every other
    // section, key and comment of the existing text. The journal switch is
    // written only when it is off or already in the text, so a file of an
    // earlier version stays as it was while the switch keeps its default.
    static QByteArray update(const QByteArray &existingText, const SettingsValues &v);

    // Beside the program: its path with the extension ".INI".
    static QString besideProgram(const QString &programPath);
    // In the user's configuration folder, for a program folder we may not write.
    static QString perUser();

    // Where to read and where to write for a program at programPath: beside
    // the program when its folder (or the file) is writable, else per-user.
    // Reading falls back to the file beside the program while no per-user
    // file exists yet.
    struct Location
    {
        QString readPath;
        QString writePath;
    };
    static Location locate(const QString &programPath);

    // Reads the file at path; a missing or unreadable file gives the
    // defaults. Of a file larger than kMaxFileSize only the whole lines
    // within its first kMaxFileSize bytes are read.
    static SettingsValues read(const QString &path);
    // Sets the nine keys in the file at path, every other line staying as it
    // was. Written whole or not at all; false when it was not written, and
    // then *error (when given) holds a message for the user naming the file.
    // A file larger than kMaxFileSize, or one that exists but cannot be
    // read, is left unchanged.
    static bool write(const QString &path, const SettingsValues &v, QString *error = nullptr);

    // A section of its own for a part of the program (the alarms, ...):
    // the values of the keys found there in the file at path, by key
    // (a missing or unreadable file gives none).
    static QMap<QString, QString> readSection(const QString &path, const QString &section);
    // Sets those keys of the section in the file at path, every other line
    // staying as it was, with the same care as write(). Nothing is written
    // when the file already holds these values.
    static bool writeSection(const QString &path, const QString &section, const QMap<QString, QString> &values,
                             QString *error = nullptr);
    // [File Folders]: the folder each kind of file dialog used last, by
    // the kind's name (one of folderKinds()). Kept apart from the values
    // above: it is written whenever a folder changes, not at the end.
    using Folders = QMap<QString, QString>;
    static const QStringList &folderKinds();
    static Folders parseFolders(const QByteArray &iniText);
    // The text with the given folders set; every other line as it was.
    static QByteArray updateFolders(const QByteArray &existingText, const Folders &folders);
    static Folders readFolders(const QString &path);
    // Sets the folders in the file at where.writePath, as write() does; a
    // file not yet there starts from the one at where.readPath, so the
    // settings read at start are not lost.
    static bool writeFolders(const Location &where, const Folders &folders, QString *error = nullptr);

private:
    // The file at path read whole (or `from` when path is not there yet),
    // changed, and written back whole or not at all.
    static bool rewrite(const QString &path, const QString &from,
                        const std::function<QByteArray(const QByteArray &)> &change, QString *error);
    static QByteArray readHead(const QString &path);
};

} // namespace kv
