#include "common/LocaleText.h"

#include "common/DateTime.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace kv {

QString shortDateText(double dateTime)
{
    return QLocale().toString(datePart(dateTime), QLocale::ShortFormat);
}

QString longTimeFormat()
{
    QString f = QLocale().timeFormat(QLocale::LongFormat);
    // Drop the time-zone field (runs of unquoted 't') and the blanks it leaves.
    QString out;
    bool quoted = false;
    for (int i = 0; i < f.size(); ++i) {
        const QChar c = f.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    // Brackets that held only the zone ("H:mm:ss (t)") and a comma that
    // led to it ("HH:mm:ss, t") would be written after every time.
    out.remove(QStringLiteral("()"));
    out.remove(QStringLiteral("[]"));
    out = out.simplified();
    while (out.endsWith(QLatin1Char(',')))
        out = out.chopped(1).trimmed();
    if (!out.contains(QLatin1Char('s')))
        out = QStringLiteral("HH:mm:ss");
    return out;
}

QString longTimeText(double dateTime)
{
    return QLocale().toString(timePart(dateTime), longTimeFormat());
}

QString hhmmssText(double dateTime)
{
    return timePart(dateTime).toString(QStringLiteral("HH:mm:ss"));
}

QString decimalSeparator()
{
    return QLocale().decimalPoint();
}

bool decimalSeparatorIsComma()
{
    return decimalSeparator() == QLatin1String(",");
}

QString fixedText(double value, int decimals)
{
    if (!std::isfinite(value))
        return QString::number(value);
    QString s;
    if (std::fabs(value) >= 1e7) {
        s = QString::number(value, 'E', 6);
    } else {
        s = QString::number(value, 'f', decimals);
        if (s.startsWith(QLatin1Char('-'))) {
            bool allZero = true;
            for (QChar c : s.mid(1))
                if (c.isDigit() && c != QLatin1Char('0'))
                    allZero = false;
            if (allZero)
                s.remove(0, 1);
        }
    }
    s.replace(QLatin1Char('.'), decimalSeparator());
    return s;
}

double parseLocaleDouble(const QString &text, bool *ok)
{
    QString t = text.trimmed();
    const QString sep = decimalSeparator();
    // Only the locale's separator counts as a decimal point, as the user's
    // regional settings say; a '.' in a comma locale is not a number.
    if (sep != QLatin1String(".")) {
        if (t.contains(QLatin1Char('.'))) {
            if (ok)
                *ok = false;
            return 0.0;
        }
        t.replace(sep, QLatin1String("."));
    }
    static const QRegularExpression re(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!re.match(t).hasMatch()) {
        if (ok)
            *ok = false;
        return 0.0;
    }
    bool good = false;
    const double v = t.toDouble(&good);
    if (ok)
        *ok = good && std::isfinite(v);
    return good && std::isfinite(v) ? v : 0.0;
}

int parseInteger(const QString &text, bool *ok)
{
    static const QRegularExpression re(QStringLiteral("^[+-]?\\d+$"));
    const QString t = text.trimmed();
    bool good = re.match(t).hasMatch();
    int v = 0;
    if (good)
        v = t.toInt(&good);
    if (ok)
        *ok = good;
    return good ? v : 0;
}

} // namespace kv
