#include "common/Prompt.h"

#include <QFileInfo>

namespace kv {

Prompt::~Prompt() = default;

QString filterSuffix(const QString &nameFilter)
{
    // The patterns are in the last parentheses; the description may hold
    // some of its own ("TXT file(*.txt,data seperated by tab) (*.TXT *.txt)").
    const qsizetype close = nameFilter.lastIndexOf(QLatin1Char(')'));
    const qsizetype open = close < 0 ? -1 : nameFilter.lastIndexOf(QLatin1Char('('), close);
    if (open < 0)
        return QString();
    const QString first =
        nameFilter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
    if (!first.startsWith(QLatin1String("*.")))
        return QString();
    const QString suffix = first.mid(2);
    for (const QChar c : suffix)
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('[') || c == QLatin1Char('.'))
            return QString();
    return suffix;
}

QString savedFileName(const QString &typed, const QString &nameFilter, const QString &defaultSuffix)
{
    // Any dot in the name counts as an extension typed, as Qt's dialog
    // takes it.
    if (typed.isEmpty() || QFileInfo(typed).fileName().contains(QLatin1Char('.')))
        return typed;
    const QString chosen = filterSuffix(nameFilter);
    const QString suffix = chosen.isEmpty() ? defaultSuffix : chosen;
    return suffix.isEmpty() ? typed : typed + QLatin1Char('.') + suffix;
}

} // namespace kv
