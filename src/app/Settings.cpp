#include "app/Settings.h"

#include "common/IniDocument.h"
#include "common/LocaleText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace kv {

namespace {
const QString kLink = QStringLiteral("Link");
const QString kModel = QStringLiteral("Model");
const QString kConnectedPort = QStringLiteral("Connected Port");
const QString kAutoSearch = QStringLiteral("Auto Search");
const QString kRealTime = QStringLiteral("RealTime");
const QString kSamplingRate = QStringLiteral("Sampling Rate");
const QString kGraphOption = QStringLiteral("Graph Option");
const QString kMaxScale = QStringLiteral("Max. Scale");
const QString kMinScale = QStringLiteral("Min. Scale");
const QString kHint = QStringLiteral("Hint");
const QString kShowHint = QStringLiteral("Show Hint");
const QString kMainTitleSection = QStringLiteral("MainTitle");
const QString kMainTitle = QStringLiteral("Main Title");
const QString kSubTitleSection = QStringLiteral("SubTitle");
const QString kSubTitle = QStringLiteral("Sub Title");

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
        && showHint == o.showHint && mainTitle == o.mainTitle && subTitle == o.subTitle;
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
    if (writable)
        return {beside, beside};
    const QString user = perUser();
    return {QFileInfo::exists(user) ? user : beside, user};
}

SettingsValues Settings::read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return parse(QByteArray());
    // A settings file is a few hundred bytes; a huge file is not ours.
    return parse(f.read(1 << 20));
}

bool Settings::write(const QString &path, const SettingsValues &v)
{
    QByteArray existing;
    {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            existing = f.read(1 << 20);
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(update(existing, v));
    return out.commit();
}

} // namespace kv
