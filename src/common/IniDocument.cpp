#include "common/IniDocument.h"

#include <QStringDecoder>

namespace kv {

namespace {
bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString nativeLineEnd()
{
#ifdef Q_OS_WIN
    return QStringLiteral("\r\n");
#else
    return QStringLiteral("\n");
#endif
}

QString decode(const QByteArray &bytes)
{
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString s = utf8(b);
    if (utf8.hasError())
        s = QString::fromLatin1(b); // a file from a system writing 8-bit text
    return s;
}
} // namespace

IniDocument::Line IniDocument::classify(const QString &text)
{
    Line line;
    line.text = text;
    const QString t = text.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
        return line;
    if (t.startsWith(QLatin1Char('['))) {
        int close = t.indexOf(QLatin1Char(']'));
        line.kind = Kind::Section;
        line.name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
        return line;
    }
    const int eq = t.indexOf(QLatin1Char('='));
    if (eq > 0) {
        line.kind = Kind::Key;
        line.name = t.left(eq).trimmed();
    }
    return line;
}

IniDocument IniDocument::parse(const QByteArray &bytes)
{
    IniDocument doc;
    const QString text = decode(bytes);
    if (text.isEmpty())
        return doc;
    doc.m_eol = text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the final line end
    doc.m_lines.reserve(lines.size());
    for (QString l : lines) {
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        doc.m_lines.append(classify(l));
    }
    return doc;
}

QByteArray IniDocument::serialize() const
{
    QString out;
    for (const Line &l : m_lines) {
        out += l.text;
        out += m_eol.isEmpty() ? nativeLineEnd() : m_eol;
    }
    return out.toUtf8();
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
    const QString &text = m_lines.at(f.keyLine).text;
    QString v = text.mid(text.indexOf(QLatin1Char('=')) + 1).trimmed();
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
    const Line line = classify(key + QLatin1Char('=') + encodeValue(value));
    const Found f = find(section, key);
    if (f.keyLine >= 0) {
        m_lines[f.keyLine] = line;
        return;
    }
    if (f.sectionLine >= 0) {
        m_lines.insert(f.lastLineOfSection + 1, line);
        return;
    }
    if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty())
        m_lines.append(classify(QString()));
    m_lines.append(classify(QLatin1Char('[') + section + QLatin1Char(']')));
    m_lines.append(line);
}

} // namespace kv
