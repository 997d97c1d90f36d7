#include "common/IniDocument.h"

#include <QStringDecoder>

namespace kv {

namespace {
const QByteArray kBom("\xEF\xBB\xBF");

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray nativeLineEnd()
{
#ifdef Q_OS_WIN
    return QByteArrayLiteral("\r\n");
#else
    return QByteArrayLiteral("\n");
#endif
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
} // namespace

QString IniDocument::decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(bytes);
    if (utf8.hasError())
        s = QString::fromLatin1(bytes); // a line from a system writing 8-bit text
    return s;
}

IniDocument::Line IniDocument::classify(const QByteArray &text, bool first)
{
    Line line;
    line.text = text;
    // '[', ']', '=', ';' and '#' are the same bytes in UTF-8 and Latin-1, so
    // the line is taken apart before anything is decoded.
    int begin = first && text.startsWith(kBom) ? kBom.size() : 0;
    int end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    if (begin == end || text.at(begin) == ';' || text.at(begin) == '#')
        return line;
    if (text.at(begin) == '[') {
        const int close = text.indexOf(']', begin + 1);
        const int nameEnd = close < 0 || close >= end ? end : close;
        line.kind = Kind::Section;
        line.name = decode(text.mid(begin + 1, nameEnd - begin - 1)).trimmed();
        return line;
    }
    const int eq = text.indexOf('=', begin);
    if (eq > begin && eq < end) {
        line.kind = Kind::Key;
        line.name = decode(text.mid(begin, eq - begin)).trimmed();
        line.valueStart = eq + 1;
    }
    return line;
}

IniDocument IniDocument::parse(const QByteArray &bytes)
{
    IniDocument doc;
    int start = 0;
    while (start < bytes.size()) {
        const int nl = bytes.indexOf('\n', start);
        QByteArray text;
        QByteArray eol;
        if (nl < 0) {
            text = bytes.mid(start); // the last line has no line end
            start = bytes.size();
        } else {
            const bool crlf = nl > start && bytes.at(nl - 1) == '\r';
            text = bytes.mid(start, nl - start - (crlf ? 1 : 0));
            eol = crlf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
            if (doc.m_eol.isEmpty())
                doc.m_eol = eol;
            start = nl + 1;
        }
        Line line = classify(text, doc.m_lines.isEmpty());
        line.eol = eol;
        doc.m_lines.append(line);
    }
    return doc;
}

QByteArray IniDocument::serialize() const
{
    QByteArray out;
    for (const Line &l : m_lines) {
        out += l.text;
        out += l.eol;
    }
    return out;
}

QByteArray IniDocument::lineEnd() const
{
    return m_eol.isEmpty() ? nativeLineEnd() : m_eol;
}

void IniDocument::insertLine(int at, Line line)
{
    // The line before may be the text's last one, written without a line end.
    if (at > 0 && m_lines.at(at - 1).eol.isEmpty())
        m_lines[at - 1].eol = lineEnd();
    line.eol = lineEnd();
    m_lines.insert(at, line);
}

IniDocument::Found IniDocument::find(const QString &section, const QString &key) const
{
    Found f;
    bool inFirstSection = false;
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line &l = m_lines.at(i);
        if (l.kind == Kind::Section) {
            if (f.sectionLine >= 0 && inFirstSection)
                break; // only the first block of the section counts
            inFirstSection = sameName(l.name, section);
            if (inFirstSection) {
                f.sectionLine = i;
                f.lastLineOfSection = i;
            }
            continue;
        }
        if (!inFirstSection)
            continue;
        if (l.kind == Kind::Key) {
            f.lastLineOfSection = i;
            if (f.keyLine < 0 && sameName(l.name, key))
                f.keyLine = i;
        }
    }
    return f;
}

std::optional<QString> IniDocument::value(const QString &section, const QString &key) const
{
    const Found f = find(section, key);
    if (f.keyLine < 0)
        return std::nullopt;
    const Line &l = m_lines.at(f.keyLine);
    QString v = decode(l.text.mid(l.valueStart)).trimmed();
    if (v.size() >= 2) {
        const QChar q = v.front();
        if ((q == QLatin1Char('"') || q == QLatin1Char('\'')) && v.back() == q)
            v = v.mid(1, v.size() - 2);
    }
    return v;
}

QString IniDocument::encodeValue(const QString &value)
{
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const bool blankEdges = !v.isEmpty() && (v.front().isSpace() || v.back().isSpace());
    const bool quotedLook = v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\''))
        && v.back() == v.front();
    // Quotes keep what reading would otherwise trim or unwrap.
    if (blankEdges || quotedLook)
        v = QLatin1Char('"') + v + QLatin1Char('"');
    return v;
}

void IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    const Found f = find(section, key);
    if (f.keyLine >= 0) {
        if (this->value(section, key) == value)
            return; // unchanged: the line keeps its own spelling and encoding
        // A key line always follows its section's header, so it is never
        // the first line and never carries the byte order mark.
        Line line = classify((key + QLatin1Char('=') + encodeValue(value)).toUtf8(), false);
        line.eol = m_lines.at(f.keyLine).eol;
        m_lines[f.keyLine] = line;
        return;
    }
    const Line line = classify((key + QLatin1Char('=') + encodeValue(value)).toUtf8(), false);
    if (f.sectionLine >= 0) {
        insertLine(f.lastLineOfSection + 1, line);
        return;
    }
    if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty())
        insertLine(m_lines.size(), classify(QByteArray(), false));
    insertLine(m_lines.size(), classify('[' + section.toUtf8() + ']', m_lines.isEmpty()));
    insertLine(m_lines.size(), line);
}

} // namespace kv
