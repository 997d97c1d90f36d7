#pragma once
// What an .xlsx file holds, as a spreadsheet reads it: tests/scripts/
// xlsx-cells.py opens it with openpyxl and prints the properties and, per
// sheet, its name, frozen cell, number formats, cells (dates as serial day
// numbers) and chart ranges as JSON.

#include "support/BuildPaths.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

namespace kv::test {

// Empty when the file does not read; why then says so.
inline QJsonObject workbookCells(const QString &path, QString *why = nullptr)
{
    // Debian's Python, which python3-openpyxl serves, before any other on
    // the PATH.
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                            : QStringLiteral("python3");
    QProcess p;
    p.start(python, {kv::test::testData(QStringLiteral("../scripts/xlsx-cells.py")), path});
    const bool done = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!done && why)
        *why = QString::fromLocal8Bit(p.readAllStandardError());
    return done ? QJsonDocument::fromJson(p.readAllStandardOutput()).object() : QJsonObject();
}

// A sheet's row (0 the header) as a list of cells.
inline QJsonArray sheetRow(const QJsonObject &sheet, int row)
{
    return sheet.value(QStringLiteral("rows")).toArray().at(row).toArray();
}

} // namespace kv::test
