#pragma once
// Data-driven tests over a folder of case files: one test row per file, and
// each file read as "key value" lines (blank lines and # comments skipped),
// every line with the place it came from for failure messages.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QtTest>

namespace kv::test {

// Adds a "path" column and a row per file of folder matching pattern, by name.
inline void addCaseFileRows(const QString &folder, const QString &pattern)
{
    QTest::addColumn<QString>("path");
    const QDir dir(folder);
    const QStringList files = dir.entryList({pattern}, QDir::Files, QDir::Name);
    QVERIFY2(!files.isEmpty(), qPrintable(folder));
    for (const QString &f : files)
        QTest::newRow(qPrintable(f)) << dir.filePath(f);
}

struct CaseLine
{
    QString key;
    QString value;
    QByteArray where; // "file.txt:12"
};

// The key-value lines of a case file; none when it cannot be read.
inline QList<CaseLine> caseLines(const QString &path)
{
    QList<CaseLine> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return lines;
    int lineNo = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int space = line.indexOf(QLatin1Char(' '));
        lines.append({line.left(space), space < 0 ? QString() : line.mid(space + 1),
                      QStringLiteral("%1:%2").arg(QFileInfo(path).fileName()).arg(lineNo).toUtf8()});
    }
    return lines;
}

} // namespace kv::test
