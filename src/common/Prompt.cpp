#include "common/Prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace kv {

Prompt::~Prompt() = default;

namespace {

// The patterns of one file type: those in its last parentheses.
QStringList typePatterns(const QString &nameFilter)
{
    const qsizetype close = nameFilter.lastIndexOf(QLatin1Char(')'));
    const qsizetype open = close < 0 ? -1 : nameFilter.lastIndexOf(QLatin1Char('('), close);
    if (open < 0)
        return {};
    return nameFilter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool isAnyFile(const QString &pattern)
{
    return pattern == QLatin1String("*") || pattern == QLatin1String("*.*");
}

} // namespace

QString filterSuffix(const QString &nameFilter)
{
    // The patterns are in the last parentheses; the description may hold
    // some of its own ("TXT file(*.txt,data seperated by tab) (*.TXT *.txt)").
    const QString first = typePatterns(nameFilter).value(0);
    if (!first.startsWith(QLatin1String("*.")))
        return QString();
    const QString suffix = first.mid(2);
    for (const QChar c : suffix)
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('[') || c == QLatin1Char('.'))
            return QString();
    return suffix;
}

QString saveNameRefusal(const QString &name, const QString &filter)
{
    const QString fileName = QFileInfo(name).fileName();
    if (!fileName.contains(QLatin1Char('.')))
        return QString();
    const QString suffix = QFileInfo(name).suffix();
    const QStringList types = filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    bool anyFile = false;
    for (const QString &type : types) {
        for (const QString &pattern : typePatterns(type)) {
            if (isAnyFile(pattern))
                anyFile = true;
            else if (QDir::match(pattern, fileName))
                return QString();
        }
    }
    // Extensions that stand for a format of the program's own.
    static const QStringList own{QStringLiteral("ghf"), QStringLiteral("rec"), QStringLiteral("txt"),
                                 QStringLiteral("csv"), QStringLiteral("png"), QStringLiteral("svg"),
                                 QStringLiteral("pdf")};
    if (anyFile && !suffix.isEmpty() && !own.contains(suffix.toLower()))
        return QString();
    QStringList saved;
    for (const QString &type : types)
        if (!typePatterns(type).contains(QStringLiteral("*.*")))
            saved << QStringLiteral("  ") + type; // "All files" saves as the first type
    return QStringLiteral("%1 cannot be saved from here: this window does not save .%2 files. "
                          "It saves these types; type a name with one of their extensions, or none:\n%3")
        .arg(fileName, suffix, saved.join(QLatin1Char('\n')));
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
