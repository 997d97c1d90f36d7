#include "app/Settings.h"

#include "common/ProgramFolder.h"

#include "common/IniDocument.h"
#include "common/LocaleText.h"
#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

namespace kv {

namespace {
const QString kLink = QStringLiteral("Link");
const QString kModel = QStringLiteral("Model");
const QString kConnectedPort = QStringLiteral("Connected Port");
const QString kAutoSearch = QStringLiteral("Auto Search");
const QString kRealTime = QStringLiteral("RealTime");
const QString kSamplingRate = QStringLiteral("Sampling Rate");
const QString kJournal = QStringLiteral("Recording Journal");
const QString kGraphOption = QStringLiteral("Graph Option");
const QString kMaxScale = QStringLiteral("Max. Scale");
const QString kMinScale = QStringLiteral("Min. Scale");
const QString kHint = QStringLiteral("Hint");
const QString kShowHint = QStringLiteral("Show Hint");
const QString kMainTitleSection = QStringLiteral("MainTitle");
const QString kMainTitle = QStringLiteral("Main Title");
const QString kSubTitleSection = QStringLiteral("SubTitle");
const QString kSubTitle = QStringLiteral("Sub Title");
const QString kFileFolders = QStringLiteral("File Folders");

int readInt(const IniDocument &doc, const QString &section, const QString &key, int def)
{
    const auto v = doc.value(section, key);
    if (!v)
        return def;
    bool ok = false;
    const int n = parseInteger(*v, &ok);
    return ok ? n : def;
}

QString readText(const IniDocument &doc, const QString &section, const QString &key)
{
    return doc.value(section, key).value_or(QString());
}
} // namespace

bool SettingsValues::operator==(const SettingsValues &o) const
{
    return model == o.model && connectedPort == o.connectedPort && autoSearch == o.autoSearch
        && samplingRate == o.samplingRate && maxScale == o.maxScale && minScale == o.minScale
        && showHint == o.showHint && mainTitle == o.mainTitle && subTitle == o.subTitle && journal == o.journal
        && publish == o.publish;
}

SettingsValues Settings::parse(const QByteArray &iniText)
{
    const IniDocument doc = IniDocument::parse(iniText);
    SettingsValues d;
    SettingsValues v;
    v.model = readInt(doc, kLink, kModel, d.model);
    v.connectedPort = readInt(doc, kLink, kConnectedPort, d.connectedPort);
    v.autoSearch = readInt(doc, kLink, kAutoSearch, d.autoSearch ? 1 : 0) != 0;
    v.samplingRate = readInt(doc, kRealTime, kSamplingRate, d.samplingRate);
    v.maxScale = readInt(doc, kGraphOption, kMaxScale, d.maxScale);
    v.minScale = readInt(doc, kGraphOption, kMinScale, d.minScale);
    v.showHint = readInt(doc, kHint, kShowHint, d.showHint);
    v.mainTitle = readText(doc, kMainTitleSection, kMainTitle);
    v.subTitle = readText(doc, kSubTitleSection, kSubTitle);
    v.journal = readInt(doc, kRealTime, kJournal, d.journal ? 1 : 0) != 0;
    v.publish = PublishOptions::read(doc);

    if (v.model != 481 && v.model != 482)
        v.model = 482;
    // A rate the boxes cannot show would leave them without a selection and
    // the sampling without a sensible period.
    if (v.samplingRate <= 0)
        v.samplingRate = 2;
    if (v.samplingRate > kMaxSamplingRate)
        v.samplingRate = kMaxSamplingRate;
    return v;
}

QByteArray Settings::update(const QByteArray &existingText, const SettingsValues &v)
{
    IniDocument doc = IniDocument::parse(existingText);
    doc.setValue(kLink, kModel, QString::number(v.model));
    doc.setValue(kLink, kConnectedPort, QString::number(v.connectedPort));
    doc.setValue(kLink, kAutoSearch, v.autoSearch ? QStringLiteral("1") : QStringLiteral("0"));
    doc.setValue(kRealTime, kSamplingRate, QString::number(v.samplingRate));
    doc.setValue(kGraphOption, kMaxScale, QString::number(v.maxScale));
    doc.setValue(kGraphOption, kMinScale, QString::number(v.minScale));
    doc.setValue(kHint, kShowHint, QString::number(v.showHint));
    doc.setValue(kMainTitleSection, kMainTitle, v.mainTitle);
    doc.setValue(kSubTitleSection, kSubTitle, v.subTitle);
    if (v.journal != SettingsValues().journal || doc.value(kRealTime, kJournal))
        doc.setValue(kRealTime, kJournal, v.journal ? QStringLiteral("1") : QStringLiteral("0"));
    if (PublishOptions::read(doc) != v.publish)
        v.publish.write(doc);
    return doc.serialize();
}

QString Settings::besideProgram(const QString &programPath)
{
    const QFileInfo fi(programPath);
    return fi.absolutePath() + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral(".INI");
}

QString Settings::perUser()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/KV481/KV481.INI");
}

Settings::Location Settings::locate(const QString &programPath)
{
    const QString beside = besideProgram(programPath);
    const QFileInfo file(beside);
    const QFileInfo dir(file.absolutePath());
    const bool writable = file.exists() ? file.isWritable() && dir.isWritable() : dir.isWritable();
    if (writable && !isInstalledProgram(programPath))
        return {beside, beside};
    const QString user = perUser();
    return {QFileInfo::exists(user) ? user : beside, user};
}

Settings::RateBoxes Settings::rateBoxes(int samplingRate)
{
    const int rate = qBound(0, samplingRate, kMaxSamplingRate);
    RateBoxes b;
    b.minutes = qMin(rate / 60, 60);
    b.seconds = rate - b.minutes * 60;
    return b;
}

QByteArray Settings::readHead(const QString &path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray bytes = f.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize) {
        // Not a file the program wrote: read what its beginning holds, but
        // never half a line, whose value would be cut short.
        bytes.truncate(static_cast<int>(kMaxFileSize));
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
    }
    return bytes;
}

SettingsValues Settings::read(const QString &path)
{
    return parse(readHead(path));
}

bool Settings::write(const QString &path, const SettingsValues &v, QString *error)
{
    return rewrite(path, QString(), [&v](const QByteArray &text) { return update(text, v); }, error);
}

const QStringList &Settings::folderKinds()
{
    static const QStringList kinds{QStringLiteral("Data Sets"), QStringLiteral("Graphs"), QStringLiteral("Collections"),
                                   QStringLiteral("PDF Files"), QStringLiteral("Pictures")};
    return kinds;
}

Settings::Folders Settings::parseFolders(const QByteArray &iniText)
{
    const IniDocument doc = IniDocument::parse(iniText);
    Folders folders;
    for (const QString &kind : folderKinds())
        if (const auto v = doc.value(kFileFolders, kind); v && !v->isEmpty())
            folders.insert(kind, *v);
    return folders;
}

QByteArray Settings::updateFolders(const QByteArray &existingText, const Folders &folders)
{
    IniDocument doc = IniDocument::parse(existingText);
    for (auto it = folders.cbegin(); it != folders.cend(); ++it)
        doc.setValue(kFileFolders, it.key(), it.value());
    return doc.serialize();
}

Settings::Folders Settings::readFolders(const QString &path)
{
    return parseFolders(readHead(path));
}

bool Settings::writeFolders(const Location &where, const Folders &folders, QString *error)
{
    return rewrite(where.writePath, where.readPath,
                   [&folders](const QByteArray &text) { return updateFolders(text, folders); }, error);
}

bool Settings::rewrite(const QString &path, const QString &from,
                       const std::function<QByteArray(const QByteArray &)> &change, QString *error)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const auto notWritten = [&path](const QString &reason) {
        return QStringLiteral("The settings could not be written to %1: %2.").arg(path, reason);
    };
    const QString notRead = QStringLiteral("The settings file %1 could not be read and was left unchanged.").arg(path);

    QByteArray existing;
    const QFileInfo info(path);
    if (!info.exists() && !from.isEmpty() && from != path)
        existing = readHead(from);
    if (info.exists()) {
        if (!info.isFile())
            return fail(notWritten(info.isDir() ? SafeFile::systemText(EISDIR) : QStringLiteral("not a regular file")));
        // Whatever the file holds besides the program's keys is written back
        // as it was, so it must be read whole first.
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return fail(notRead);
        existing = f.read(kMaxFileSize + 1);
        if (f.error() != QFileDevice::NoError)
            return fail(notRead);
        if (existing.size() > kMaxFileSize)
            return fail(QStringLiteral("The settings file %1 is larger than %2 MiB and was left unchanged.")
                            .arg(path, QString::number(kMaxFileSize / (1024 * 1024))));
    }
    const QByteArray text = change(existing);
    // A file that already says all this is left alone.
    if (info.exists() && text == existing)
        return true;
    QDir().mkpath(info.absolutePath());
    SafeFile out(path);
    if (!out.open() || out.write(text) != text.size() || !out.commit())
        return fail(notWritten(out.reason()));
    return true;
}

// Sections of the program's parts, read and written beside the keys above.
QMap<QString, QString> Settings::readSection(const QString &path, const QString &section)
{
    QMap<QString, QString> out;
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return out;
    QByteArray bytes = f.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize) {
        bytes.truncate(static_cast<int>(kMaxFileSize));
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
    }
    const IniDocument doc = IniDocument::parse(bytes);
    const QList<QByteArray> lines = bytes.split('\n');
    // IniDocument answers by key; the keys of the section are found here.
    bool inSection = false;
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            inSection = QString::fromUtf8(line.mid(1, line.size() - 2)).trimmed().compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const int eq = line.indexOf('=');
        if (!inSection || eq <= 0 || line.startsWith(';') || line.startsWith('#'))
            continue;
        const QString key = IniDocument::decode(line.left(eq)).trimmed();
        if (!out.contains(key))
            out.insert(key, doc.value(section, key).value_or(QString()));
    }
    return out;
}

bool Settings::writeSection(const QString &path, const QString &section, const QMap<QString, QString> &values,
                            QString *error)
{
    return rewrite(path, QString(), [&](const QByteArray &text) {
        IniDocument doc = IniDocument::parse(text);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            doc.setValue(section, it.key(), it.value());
        return doc.serialize();
    }, error);
}

} // namespace kv
