#include "files/Workbook.h"

#include "common/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#ifdef Q_OS_UNIX
#include <locale.h>
#endif

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <string>
#include <utility>

namespace kv {

namespace {

constexpr lxw_row_t kHeaderRow = 0;
// Widths in characters of the default font.
constexpr double kDateWidth = 20.0;
constexpr double kMaxTextWidth = 60.0;

QString nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString degrees(const QString &unit)
{
    return unit.isEmpty() ? QString() : QStringLiteral("°") + unit;
}

// "T1 (°C)", or "T1" where the unit is not known.
QString channelTitle(int channel, const QString &unit, const char *what = nullptr)
{
    QString t = QStringLiteral("T%1").arg(channel + 1);
    if (what)
        t += QLatin1Char(' ') + QLatin1String(what);
    return unit.isEmpty() ? t : t + QStringLiteral(" (%1)").arg(degrees(unit));
}

double textWidth(const QString &text)
{
    return std::min(kMaxTextWidth, text.size() + 2.0);
}

// libxlsxwriter prints its numbers with the C library, in the numeric
// format of the locale in force: under German settings 21.5 would go into
// the file as "21,5", which no spreadsheet reads. While one exists, this
// thread writes numbers with a point.
class PointNumbers
{
public:
#ifdef Q_OS_UNIX
    PointNumbers() : m_c(newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr)))
    {
        if (m_c)
            m_old = uselocale(m_c);
    }
    ~PointNumbers()
    {
        if (m_c) {
            uselocale(m_old);
            freelocale(m_c);
        }
    }

private:
    locale_t m_c;
    locale_t m_old = nullptr;
#else
    PointNumbers() : m_perThread(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE))
    {
        const char *now = std::setlocale(LC_NUMERIC, nullptr);
        m_old = now ? now : "C";
        std::setlocale(LC_NUMERIC, "C");
    }
    ~PointNumbers()
    {
        std::setlocale(LC_NUMERIC, m_old.c_str());
        _configthreadlocale(m_perThread);
    }

private:
    int m_perThread;
    std::string m_old;
#endif
    PointNumbers(const PointNumbers &) = delete;
    PointNumbers &operator=(const PointNumbers &) = delete;
};

// The workbook as libxlsxwriter builds it, freed on every way out.
class Builder
{
public:
    // streamed: each sheet's rows go straight to a scratch file as they
    // are written, instead of being held as cells until the end (faster and
    // smaller, but a file open per sheet while the workbook is built).
    Builder(const QString &file, const QString &tmpdir, bool streamed)
        : m_file(QFile::encodeName(file)), m_tmpdir(QFile::encodeName(tmpdir))
    {
        lxw_workbook_options options{};
        options.tmpdir = m_tmpdir.data();
        options.constant_memory = streamed ? LXW_TRUE : LXW_FALSE;
        m_book = workbook_new_opt(m_file.constData(), &options);
        if (!m_book)
            return;
        m_bold = workbook_add_format(m_book);
        format_set_bold(m_bold);
        format_set_bottom(m_bold, LXW_BORDER_THIN);
        m_date = workbook_add_format(m_book);
        format_set_num_format(m_date, "yyyy-mm-dd hh:mm:ss");
        m_value = workbook_add_format(m_book);
        format_set_num_format(m_value, "0.0");
        m_figure = workbook_add_format(m_book);
        format_set_num_format(m_figure, "0.00");
        m_duration = workbook_add_format(m_book);
        format_set_num_format(m_duration, "[h]:mm:ss");
    }
    ~Builder()
    {
        // libxlsxwriter frees a workbook only by writing it; its scratch
        // file goes with the caller's temporary file.
        if (m_book)
            workbook_close(m_book);
    }
    bool ok() const { return m_book != nullptr; }

    void properties(const Workbook &b)
    {
        const QString program = QCoreApplication::applicationVersion().isEmpty()
            ? QStringLiteral("KV481")
            : QStringLiteral("KV481 %1").arg(QCoreApplication::applicationVersion());
        const QByteArray title = b.title.toUtf8();
        const QByteArray subject = b.model ? QStringLiteral("Readings of a model %1 thermometer").arg(b.model).toUtf8()
                                           : QByteArray("Thermometer readings");
        const QByteArray comments = QStringLiteral("Written by %1").arg(program).toUtf8();
        lxw_doc_properties p{};
        p.title = const_cast<char *>(title.constData());
        p.subject = const_cast<char *>(subject.constData());
        p.comments = const_cast<char *>(comments.constData());
        workbook_set_properties(m_book, &p);
        if (b.model)
            workbook_set_custom_property_number(m_book, "Meter model", b.model);
        workbook_set_custom_property_string(m_book, "Program", "KV481");
        if (!QCoreApplication::applicationVersion().isEmpty())
            workbook_set_custom_property_string(m_book, "Program version",
                                                QCoreApplication::applicationVersion().toUtf8().constData());
    }

    void setsSheet(const Workbook &b)
    {
        lxw_worksheet *ws = workbook_add_worksheet(m_book, "Sets");
        QStringList titles{QStringLiteral("Set"), QStringLiteral("Start"), QStringLiteral("Interval (s)"),
                           QStringLiteral("Count"), QStringLiteral("Unit")};
        // The unit in the titles when every set has the same.
        QString unit = b.sets.empty() ? QString() : b.sets.front().unit;
        for (const WorkbookSetLine &s : b.sets)
            if (s.unit != unit)
                unit.clear();
        for (int ch = 0; ch < b.setChannels; ++ch)
            titles << channelTitle(ch, unit, "max") << channelTitle(ch, unit, "min") << channelTitle(ch, unit, "mean")
                   << channelTitle(ch, unit, "standard deviation");
        titles << QStringLiteral("Duration");
        header(ws, titles);
        lxw_row_t r = 1;
        for (const WorkbookSetLine &s : b.sets) {
            lxw_col_t c = 0;
            worksheet_write_number(ws, r, c++, s.number, nullptr);
            worksheet_write_number(ws, r, c++, s.start, m_date);
            worksheet_write_number(ws, r, c++, s.intervalSeconds, nullptr);
            worksheet_write_number(ws, r, c++, s.count, nullptr);
            text(ws, r, c++, degrees(s.unit));
            for (int ch = 0; ch < b.setChannels; ++ch) {
                const WorkbookFigures &f = s.channel[ch];
                if (f.count > 0) {
                    worksheet_write_number(ws, r, c, f.max, m_value);
                    worksheet_write_number(ws, r, c + 1, f.min, m_value);
                    worksheet_write_number(ws, r, c + 2, f.mean, m_figure);
                    worksheet_write_number(ws, r, c + 3, f.stdDev, m_figure);
                }
                c += 4;
            }
            worksheet_write_number(ws, r, c, s.durationSeconds / 86400.0, m_duration);
            ++r;
        }
        fitTitles(ws, titles, 0);
        worksheet_set_column(ws, 1, 1, kDateWidth, nullptr);
        worksheet_freeze_panes(ws, 1, 0);
    }

    void dataSheet(const WorkbookSheet &s, const QString &title)
    {
        const QByteArray name = s.name.toUtf8();
        lxw_worksheet *ws = workbook_add_worksheet(m_book, name.constData());
        const int channels = s.channels == 2 ? 2 : 1;
        QStringList titles{QStringLiteral("Date and time"), QStringLiteral("Elapsed (s)")};
        for (int ch = 0; ch < channels; ++ch)
            titles << channelTitle(ch, s.unit) << QStringLiteral("T%1 flag").arg(ch + 1);
        const lxw_col_t functionCol = static_cast<lxw_col_t>(titles.size());
        if (s.function)
            titles << QStringLiteral("FUNCTION");
        const lxw_col_t noteCol = static_cast<lxw_col_t>(titles.size());
        if (s.notes)
            titles << QStringLiteral("Note");
        header(ws, titles);

        const double first = s.rows.empty() ? 0.0 : s.rows.front().dateTime;
        double functionWidth = textWidth(QStringLiteral("FUNCTION")), noteWidth = textWidth(QStringLiteral("Note"));
        QString lastFunction;
        QByteArray lastFunctionText;
        lxw_row_t r = 1;
        for (const WorkbookRow &row : s.rows) {
            worksheet_write_number(ws, r, 0, row.dateTime, m_date);
            // Whole milliseconds: the times are kept to the millisecond.
            worksheet_write_number(ws, r, 1, std::round((row.dateTime - first) * 86400000.0) / 1000.0, nullptr);
            for (int ch = 0; ch < channels; ++ch) {
                const lxw_col_t c = static_cast<lxw_col_t>(2 + 2 * ch);
                if (row.overload[ch])
                    worksheet_write_string(ws, r, c + 1, "OL", nullptr);
                else if (!row.missing[ch])
                    worksheet_write_number(ws, r, c, row.value[ch], m_value);
            }
            if (s.function && !row.function.isEmpty()) {
                // A run repeats a handful of function words.
                if (row.function != lastFunction) {
                    lastFunction = row.function;
                    lastFunctionText = row.function.toUtf8();
                    functionWidth = std::max(functionWidth, textWidth(row.function));
                }
                worksheet_write_string(ws, r, functionCol, lastFunctionText.constData(), nullptr);
            }
            if (s.notes && !row.note.isEmpty()) {
                text(ws, r, noteCol, row.note);
                noteWidth = std::max(noteWidth, textWidth(row.note));
            }
            ++r;
        }
        worksheet_set_column(ws, 0, 0, kDateWidth, nullptr);
        fitTitles(ws, titles, 1);
        if (s.function)
            worksheet_set_column(ws, functionCol, functionCol, functionWidth, nullptr);
        if (s.notes)
            worksheet_set_column(ws, noteCol, noteCol, noteWidth, nullptr);
        worksheet_freeze_panes(ws, 1, 0);
        if (!s.rows.empty())
            chart(ws, name, s, channels, title, static_cast<lxw_col_t>(titles.size() + 1));
    }

    // Closes the workbook: its file is then complete. The libxlsxwriter
    // error and the system's reason when it is not.
    bool close(QString *why)
    {
        errno = 0;
        const lxw_error e = workbook_close(m_book);
        const int saved = errno;
        m_book = nullptr;
        if (e == LXW_NO_ERROR)
            return true;
        *why = saved ? SafeFile::systemText(saved) : QString::fromUtf8(lxw_strerror(e));
        return false;
    }

private:
    void text(lxw_worksheet *ws, lxw_row_t r, lxw_col_t c, const QString &t)
    {
        if (!t.isEmpty())
            worksheet_write_string(ws, r, c, t.toUtf8().constData(), nullptr);
    }
    void header(lxw_worksheet *ws, const QStringList &titles)
    {
        for (int c = 0; c < titles.size(); ++c)
            worksheet_write_string(ws, kHeaderRow, static_cast<lxw_col_t>(c), titles.at(c).toUtf8().constData(),
                                   m_bold);
    }
    // Columns from `from` on as wide as their titles, and a little more
    // than the numbers they hold.
    void fitTitles(lxw_worksheet *ws, const QStringList &titles, int from)
    {
        for (int c = from; c < titles.size(); ++c)
            worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 std::max(10.0, textWidth(titles.at(c))), nullptr);
    }

    // The channels against time, as the program's graph shows them: time
    // runs along x at its real pace (a scatter chart joined by lines, since
    // a line chart's date axis counts whole days), overloads left as gaps.
    void chart(lxw_worksheet *ws, const QByteArray &sheet, const WorkbookSheet &s, int channels, const QString &title,
               lxw_col_t at)
    {
        lxw_chart *chart = workbook_add_chart(m_book, LXW_CHART_SCATTER_STRAIGHT);
        const lxw_row_t last = static_cast<lxw_row_t>(s.rows.size());
        for (int ch = 0; ch < channels; ++ch) {
            lxw_chart_series *series = chart_add_series(chart, nullptr, nullptr);
            chart_series_set_categories(series, sheet.constData(), 1, 0, last, 0);
            chart_series_set_values(series, sheet.constData(), 1, 2 + 2 * ch, last, 2 + 2 * ch);
            chart_series_set_name_range(series, sheet.constData(), 0, 2 + 2 * ch);
        }
        chart_title_set_name(chart, title.toUtf8().constData());
        chart_axis_set_name(chart->x_axis, "Time");
        const double span = s.rows.back().dateTime - s.rows.front().dateTime;
        chart_axis_set_num_format(chart->x_axis, span >= 2.0 ? "yyyy-mm-dd" : span >= 0.5 ? "dd hh:mm" : "hh:mm:ss");
        chart_axis_set_min(chart->x_axis, s.rows.front().dateTime);
        chart_axis_set_max(chart->x_axis, s.rows.back().dateTime + (span > 0 ? 0.0 : 1.0 / 86400.0));
        chart_axis_set_name(chart->y_axis,
                            (s.unit.isEmpty() ? QStringLiteral("Temperature")
                                              : QStringLiteral("Temperature (%1)").arg(degrees(s.unit)))
                                .toUtf8()
                                .constData());
        chart_axis_major_gridlines_set_visible(chart->x_axis, LXW_TRUE);
        chart_legend_set_position(chart, channels == 2 ? LXW_CHART_LEGEND_BOTTOM : LXW_CHART_LEGEND_NONE);
        chart_show_blanks_as(chart, LXW_CHART_BLANKS_AS_GAP);
        lxw_chart_options place{};
        place.x_scale = 1.0;
        place.y_scale = 1.1;
        worksheet_insert_chart_opt(ws, 1, at, chart, &place);
        // Printed, the chart starts a page of its own, whole.
        lxw_col_t breaks[] = {at, 0};
        worksheet_set_v_pagebreaks(ws, breaks);
    }

    QByteArray m_file;
    QByteArray m_tmpdir;
    lxw_workbook *m_book = nullptr;
    lxw_format *m_bold = nullptr;
    lxw_format *m_date = nullptr;
    lxw_format *m_value = nullptr;
    lxw_format *m_figure = nullptr;
    lxw_format *m_duration = nullptr;
};

WorkbookResult notWritten(const QString &path, const QString &why)
{
    WorkbookResult r;
    r.error = QStringLiteral("The file %1 could not be written: %2.").arg(nativeName(path), why);
    return r;
}

} // namespace

namespace WorkbookFile {

QString typeDescription()
{
    return QStringLiteral("Excel workbook (*.xlsx)");
}

bool isWorkbookPath(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0;
}

WorkbookResult write(const QString &path, const Workbook &book)
{
    for (const WorkbookSheet &s : book.sheets)
        if (s.rows.size() > static_cast<size_t>(kMaxRows))
            return notWritten(path, QStringLiteral("the sheet \"%1\" would hold %2 rows, more than the %3 a sheet takes")
                                     .arg(s.name)
                                     .arg(s.rows.size())
                                     .arg(kMaxRows));

    // Put together beside the target, so that a disk too full for it fails
    // here, before the earlier file is touched; libxlsxwriter's own scratch
    // files go there too.
    const QString folder = QFileInfo(path).absolutePath();
    QTemporaryFile scratch(QDir(folder).filePath(QStringLiteral(".kv481-XXXXXX.xlsx")));
    if (!scratch.open())
        return notWritten(path, scratch.errorString());
    scratch.close(); // libxlsxwriter opens it by name
    {
        const PointNumbers points;
        // A collection of many short sets keeps its cells in memory rather
        // than a file open for each of them.
        Builder b(scratch.fileName(), folder, book.sheets.size() <= 64);
        if (!b.ok())
            return notWritten(path, SafeFile::systemText(errno ? errno : EIO));
        b.properties(book);
        if (!book.sets.empty())
            b.setsSheet(book);
        for (const WorkbookSheet &s : book.sheets)
            b.dataSheet(s, book.sheets.size() == 1 ? book.title : s.name);
        QString why;
        if (!b.close(&why))
            return notWritten(path, why);
    }

    // Committed through the one writer every saved file goes through.
    QFile built(scratch.fileName());
    if (!built.open(QIODevice::ReadOnly))
        return notWritten(path, built.errorString());
    SafeFile out(path);
    if (!out.open()) {
        WorkbookResult r;
        r.error = out.message();
        return r;
    }
    QByteArray block;
    while (!built.atEnd()) {
        block = built.read(1 << 20);
        if (block.isEmpty() || out.write(block) != block.size())
            break;
    }
    if (!built.atEnd() || !out.commit()) {
        WorkbookResult r;
        r.error = out.failed() ? out.message() : notWritten(path, built.errorString()).error;
        return r;
    }
    WorkbookResult r;
    r.ok = true;
    return r;
}

WorkbookResult writeRows(const QString &path, const QString &title, WorkbookSheet sheet, int model)
{
    Workbook book;
    book.title = title;
    book.model = model ? model : (sheet.channels == 2 ? 482 : 481);
    book.sheets.push_back(std::move(sheet));
    return write(path, book);
}

} // namespace WorkbookFile

} // namespace kv
