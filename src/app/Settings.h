#pragma once
// The program's settings between runs: one INI file, read once at start and
// written once when the main window closes.

#include <QByteArray>
#include <QString>

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

    bool operator==(const SettingsValues &o) const;
    bool operator!=(const SettingsValues &o) const { return !(*this == o); }
};

class Settings
{
public:
    // The longest sampling interval the two sampling-rate boxes can show
    // (60 minutes and 60 seconds).
    static constexpr int kMaxSamplingRate = 60 * 60 + 60;

    // Reads the nine keys from INI text. Missing sections and keys, and
    // values that are not numbers, give the defaults. A model other than 481
    // or 482 becomes 482; a sampling rate of 0 (or below) becomes 2, one
    // above the boxes' range becomes the longest they show.
    static SettingsValues parse(const QByteArray &iniText);

    // The INI text with the nine keys set from v, keeping every other
    // section, key and comment of the existing text.
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

    static SettingsValues read(const QString &path);
    // Written whole or not at all; false when it could not be written.
    static bool write(const QString &path, const SettingsValues &v);
};

} // namespace kv
