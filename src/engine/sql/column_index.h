#pragma once
// An index over one column of a row source, built by one scan on first use and kept while the
// database is open: sorted (key, row position) pairs. Number keys for numeric, date and
// Boolean columns; folded text keys (collation.h) for text columns, so a lookup finds exactly
// what Jet's comparison calls equal. Nulls are left out: no comparison finds them.

#include "sql/row_source.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sql {

struct KeyBound {
    bool present = false;
    bool inclusive = true;
    double number = 0;
    std::string text;       // folded
};

class ColumnIndex {
public:
    // Throws automation::Error when the scan fails.
    static std::unique_ptr<ColumnIndex> build(RowSource& source, int column);

    bool textKeys() const { return m_text; }
    // Rows the building scan could not read (they are missing from the index), and why.
    std::uint64_t lostRows() const { return m_lost; }
    const QString& firstLoss() const { return m_firstLoss; }
    std::size_t size() const { return m_text ? m_texts.size() : m_numbers.size(); }
    std::size_t distinctKeys() const { return m_distinct; }

    // Entries [first, last) whose keys lie within the bounds.
    std::pair<std::size_t, std::size_t> range(const KeyBound& lower, const KeyBound& upper) const;
    std::uint64_t position(std::size_t entry) const
    {
        return m_text ? m_texts[entry].second : m_numbers[entry].second;
    }

private:
    void buildDense();

    bool m_text = false;
    std::size_t m_distinct = 0;
    std::uint64_t m_lost = 0;
    QString m_firstLoss;
    std::vector<std::pair<double, std::uint64_t>> m_numbers;
    // Whole-number keys in a compact range (the usual key column): entry offsets by key - min,
    // so an equality lookup costs one array read instead of two binary searches.
    std::vector<std::uint32_t> m_dense;
    double m_denseMin = 0;
    std::vector<std::pair<std::string, std::uint64_t>> m_texts;
};

} // namespace sql
