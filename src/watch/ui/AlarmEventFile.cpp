#include "watch/ui/AlarmEventFile.h"

#include "common/SafeFile.h"
#include "files/AnalysisCsv.h"

#include <cmath>

namespace kv {

namespace {

constexpr int kMaxWaiting = 1000;

QString number(double v)
{
    return std::isnan(v) ? QString() : QString::number(v, 'f', 1);
}

} // namespace

AlarmEventFile::AlarmEventFile() = default;

AlarmEventFile::~AlarmEventFile()
{
    if (m_file)
        m_file->commit();
}

QString AlarmEventFile::pathBeside(const QString &journalPath)
{
    QString base = journalPath;
    if (base.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QStringLiteral(".alarms.csv");
}

QByteArray AlarmEventFile::line(const AlarmEvent &e)
{
    const bool link = e.cause == AlarmEvent::Cause::LinkLost || e.cause == AlarmEvent::Cause::Paused;
    // One time format for every file a program reads: the analysis CSV's.
    const QString time = isoText(e.time);
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7\r\n")
        .arg(time, e.kindName(), e.channel, e.causeName(), number(e.value), number(e.limit), link ? QString() : e.unit)
        .toUtf8();
}

bool AlarmEventFile::openFor(const QString &journalPath)
{
    const QString path = pathBeside(journalPath);
    if (m_file && m_path == path)
        return true;
    if (m_file)
        m_file->commit();
    m_file = std::make_unique<SafeFile>(path, SafeFile::Stream);
    m_path = path;
    const QByteArray header = "time,event,channel,cause,value,limit,unit\r\n";
    if (!m_file->open() || m_file->write(header) != header.size()) {
        m_error = m_file->message();
        return false;
    }
    return true;
}

bool AlarmEventFile::write(const AlarmEvent &event, const QString &journalPath)
{
    if (m_waiting.size() < kMaxWaiting)
        m_waiting << event;
    return flush(journalPath);
}

bool AlarmEventFile::flush(const QString &journalPath)
{
    if (journalPath.isEmpty()) {
        if (m_file) { // the recording ended
            m_file->commit();
            m_file.reset();
        }
        return true;
    }
    if (m_waiting.isEmpty())
        return true;
    if (!openFor(journalPath))
        return false;
    QByteArray bytes;
    for (const AlarmEvent &e : m_waiting)
        bytes += line(e);
    m_waiting.clear();
    if (m_file->failed() || m_file->write(bytes) != bytes.size()) {
        m_error = m_file->message();
        return false;
    }
    return true;
}

} // namespace kv
