#include "files/FileFilters.h"

namespace kv {
namespace FileFilters {

namespace {

const QString kTxt = QStringLiteral("TXT file(*.txt,data seperated by tab)");
const QString kGhf = QStringLiteral("Graph file(*.ghf,only for Quellmark)");
const QString kCsv = QStringLiteral("EXCEL file format(*.CSV,seperated by comma)");
const QString kAll = QStringLiteral("All files (*.*)");
// A decimal point in every locale, so it is offered in all of them.
const QString kAnalysis = QStringLiteral("CSV for analysis");
// Real date cells and numbers, read the same in every locale.
const QString kWorkbook = QStringLiteral("Excel workbook");

} // namespace

QList<FileFilterPair> openDataSet(bool decimalComma)
{
    if (decimalComma)
        return {{kTxt, QStringLiteral("*.txt;*.TXT")}, {kGhf, QStringLiteral("*.GHF;*.ghf")}, {kAll, QStringLiteral("*.*")}};
    return {{kTxt, QStringLiteral("*.TXT;*.txt")},
            {kGhf, QStringLiteral("*.GHF;*.ghf")},
            {kCsv, QStringLiteral("*.CSV;*.csv")},
            {kAll, QStringLiteral("*.*")}};
}

QList<FileFilterPair> saveGraph(bool decimalComma)
{
    QList<FileFilterPair> pairs{{kGhf, QStringLiteral("*.GHF")}, {kTxt, QStringLiteral("*.TXT")}};
    if (!decimalComma)
        pairs.append({kCsv, QStringLiteral("*.CSV")});
    pairs.append({kAnalysis, QStringLiteral("*.csv")});
    pairs.append({kWorkbook, QStringLiteral("*.xlsx")});
    return pairs;
}

QList<FileFilterPair> saveTable(bool decimalComma)
{
    if (decimalComma)
        return {{kTxt, QStringLiteral("*.txt;*.TXT")},
                {kAnalysis, QStringLiteral("*.csv")},
                {kWorkbook, QStringLiteral("*.xlsx")},
                {kAll, QStringLiteral("*.*")}};
    return {{kTxt, QStringLiteral("*.TXT;*.txt")},
            {kCsv, QStringLiteral("*.CSV;*.csv")},
            {kAnalysis, QStringLiteral("*.csv")},
            {kWorkbook, QStringLiteral("*.xlsx")},
            {kAll, QStringLiteral("*.*")}};
}

QList<FileFilterPair> saveCollection()
{
    return {{QStringLiteral("Data Sets Collection"), QStringLiteral("*.REC")}, {kWorkbook, QStringLiteral("*.xlsx")}};
}

QString qtFilter(const QList<FileFilterPair> &pairs)
{
    QStringList parts;
    for (const FileFilterPair &p : pairs) {
        QString patterns = p.pattern;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "All files (*.*)" already names its pattern.
        const QString shown = QStringLiteral("(%1)").arg(patterns);
        parts << (p.description.endsWith(shown) ? p.description : p.description + QLatin1Char(' ') + shown);
    }
    return parts.join(QStringLiteral(";;"));
}

QString openSingleSetCaption(bool decimalComma)
{
    return decimalComma ? QStringLiteral("Open a data set(*.TXT,*.GHF)")
                        : QStringLiteral("Open a data set(*.TXT,*.CSV,*.GHF)");
}

QString saveSingleSetCaption(bool decimalComma)
{
    return decimalComma ? QStringLiteral("Save a single data set(*.TXT)")
                        : QStringLiteral("Save a single data set(*.TXT,*.CSV)");
}

} // namespace FileFilters
} // namespace kv
