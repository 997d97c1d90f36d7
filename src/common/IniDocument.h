#pragma once
// An INI text kept line by line as the bytes it was read from, so that
// writing a value changes only that value's line: other sections, keys,
// comments, the order of lines, their line ends and their encoding stay as
// they were, byte for byte. Only section and key names, and the values asked
// for, are decoded: as UTF-8, or as Latin-1 where the bytes are not valid
// UTF-8. New and changed lines are written in UTF-8. Section and key names
// are matched without regard to case and are written exactly as given
// ("Max. Scale", "Graph Option"), never escaped.

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

namespace kv {

class IniDocument
{
public:
    static IniDocument parse(const QByteArray &bytes);
    QByteArray serialize() const;

    // The value of the first such key in the first such section: blanks
    // around it removed, and one pair of matching quotes around it removed.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // Replaces the key's line, or adds the key at the end of its section,
    // or adds the section at the end of the text. A key that already holds
    // this value keeps its line as it is.
    void setValue(const QString &section, const QString &key, const QString &value);

    bool isEmpty() const { return m_lines.isEmpty(); }

    // UTF-8 text, or Latin-1 where the bytes are not valid UTF-8.
    static QString decode(const QByteArray &bytes);

private:
    enum class Kind { Section, Key, Other };
    struct Line
    {
        QByteArray text; // without its line end; the file's byte order mark stays in the first line
        QByteArray eol;  // "\r\n", "\n", or empty for a last line without one
        Kind kind = Kind::Other;
        QString name; // section or key name, as written
        int valueStart = -1; // for a key: where the text after '=' begins
    };
    struct Found
    {
        int sectionLine = -1; // header of the first matching section
        int keyLine = -1;     // first matching key in a matching section
        int lastLineOfSection = -1;
    };
    Found find(const QString &section, const QString &key) const;
    static Line classify(const QByteArray &text, bool first);
    static QString encodeValue(const QString &value);
    QByteArray lineEnd() const;
    void insertLine(int at, Line line);

    QVector<Line> m_lines;
    QByteArray m_eol; // the text's own line end, for lines that are added
};

} // namespace kv
