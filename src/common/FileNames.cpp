#include "common/FileNames.h"

#include "common/DateTime.h"

#include <QRegularExpression>

namespace kv {

QString safeFileName(const QString &text)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString name;
    name.reserve(text.size());
    for (const QChar c : text) {
        if (c.isSpace()) {
            if (!name.endsWith(QLatin1Char(' ')))
                name += QLatin1Char(' ');
        } else if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
                   || refused.contains(c)) {
            name += QLatin1Char('-');
        } else {
            name += c;
        }
    }
    auto trim = [&name] {
        while (!name.isEmpty() && (name.front() == QLatin1Char(' ') || name.front() == QLatin1Char('.')))
            name.remove(0, 1);
        while (!name.isEmpty() && (name.back() == QLatin1Char(' ') || name.back() == QLatin1Char('.')))
            name.chop(1);
    };
    trim();
    if (name.size() > 120) {
        name.truncate(120);
        if (name.back().isHighSurrogate())
            name.chop(1);
        trim();
    }
    // Windows keeps the names of its devices (CON, NUL, COM1 and the
    // like) to itself, whatever extension follows.
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9])(?=\\.|$)"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = device.match(name); m.hasMatch())
        name.insert(m.capturedEnd(), QLatin1Char('-'));
    return name;
}

QString fileNameStamp(double dateTime)
{
    return fromDateTimeDouble(dateTime).toString(QStringLiteral("yyyy-MM-dd HHmm"));
}

QString dataSetFileName(int number, double start)
{
    return QStringLiteral("Set %1 %2").arg(number).arg(fileNameStamp(start));
}

QString recordingFileName(double start)
{
    return QStringLiteral("Recording %1").arg(fileNameStamp(start));
}

QString collectionFileName(double firstStart)
{
    return QStringLiteral("Data sets %1").arg(fileNameStamp(firstStart));
}

} // namespace kv
