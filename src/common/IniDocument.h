#pragma once
// An INI text kept line by line, so that writing a value changes only that
// value's line: other sections, keys, comments and the order of lines stay
// as they were. Section and key names are matched without regard to case and
// are written exactly as given ("Max. Scale", "Graph Option"), never escaped.

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
    // or adds the section at the end of the text.
    void setValue(const QString &section, const QString &key, const QString &value);

    bool isEmpty() const { return m_lines.isEmpty(); }

private:
    enum class Kind { Section, Key, Other };
    struct Line
    {
        QString text;
        Kind kind = Kind::Other;
        QString name; // section or key name, as written
    };
    struct Found
    {
        int sectionLine = -1; // header of the first matching section
        int keyLine = -1;     // first matching key in a matching section
        int lastLineOfSection = -1;
    };
    Found find(const QString &section, const QString &key) const;
    static Line classify(const QString &text);
    static QString encodeValue(const QString &value);

    QVector<Line> m_lines;
    QString m_eol;
};

} // namespace kv
