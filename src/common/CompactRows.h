#pragma once
// Rows of text cells kept compactly: each row is one run of UTF-8 in a
// single growing store, its cells separated by the unit separator (a cell's
// own unit separators become spaces). A million rows of a list take little
// more room than their text, a row is read back only when it is shown, and
// rows read from a file move into a list's grid without being taken apart.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

class CompactRows
{
public:
    static constexpr char kSep = '\x1f';

    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    // Rows added by growing are empty.
    void resize(std::size_t rows);
    void clear();
    void reserve(std::size_t rows, std::size_t bytes);

    // Adds or replaces a row from its cells; cells past maxCells and empty
    // cells at the end take no room.
    void append(const QStringList &cells, int maxCells);
    void set(std::size_t row, const QStringList &cells, int maxCells);
    // Adds a row already in the store's form: UTF-8 cells joined by kSep.
    void appendEncoded(const char *data, std::size_t size);
    // Adds every row of other after these.
    void appendAll(const CompactRows &other);

    // The cells of a row, at least minCells of them (empty ones added).
    QStringList row(std::size_t row, int minCells = 0) const;
    QString cell(std::size_t row, int col) const;

    // Reading a row as a list of cells, for code that takes rows as lists.
    QStringList operator[](std::size_t r) const { return row(r); }
    QStringList at(std::size_t r) const { return row(r); }
    QStringList back() const { return row(size() - 1); }

    // Bytes held, for the benchmarks' memory figures.
    std::size_t bytes() const { return m_store.capacity() + m_rows.capacity() * sizeof(Ref); }

private:
    struct Ref
    {
        std::uint64_t offset = 0;
        std::uint32_t length = 0;
    };
    static std::string encode(const QStringList &cells, int maxCells);
    void compactIfWasteful();

    std::vector<Ref> m_rows;
    std::string m_store;
    std::uint64_t m_waste = 0; // bytes of the store no row refers to
};

} // namespace kv
