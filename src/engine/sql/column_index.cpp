#include "sql/column_index.h"

#include "automation/error.h"
#include "sql/collation.h"

#include <algorithm>

namespace sql {

std::unique_ptr<ColumnIndex> ColumnIndex::build(RowSource& source, int column)
{
    auto index = std::make_unique<ColumnIndex>();
    index->m_text = isTextKeyType(source.columns()[std::size_t(column)].jetType);
    std::unique_ptr<RowCursor> cursor = source.open({column});
    const auto expected = std::max<std::int64_t>(0, source.estimatedRows());
    if (index->m_text) index->m_texts.reserve(std::size_t(std::min<std::int64_t>(expected, 50'000'000)));
    else index->m_numbers.reserve(std::size_t(std::min<std::int64_t>(expected, 50'000'000)));
    std::string text;
    double number = 0;
    while (cursor->next()) {
        if (index->m_text) {
            if (cursor->text(column, text)) index->m_texts.emplace_back(foldKey(text), cursor->position());
        } else if (cursor->number(column, number)) {
            index->m_numbers.emplace_back(number, cursor->position());
        }
    }
    if (!cursor->error().isEmpty()) throw automation::Error(cursor->error());
    // Equal keys stay in table order, so a lookup reads its rows page by page.
    if (index->m_text) {
        std::stable_sort(index->m_texts.begin(), index->m_texts.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < index->m_texts.size(); ++i)
            if (i == 0 || index->m_texts[i].first != index->m_texts[i - 1].first) ++index->m_distinct;
    } else {
        std::stable_sort(index->m_numbers.begin(), index->m_numbers.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < index->m_numbers.size(); ++i)
            if (i == 0 || index->m_numbers[i].first != index->m_numbers[i - 1].first) ++index->m_distinct;
    }
    return index;
}

std::pair<std::size_t, std::size_t> ColumnIndex::range(const KeyBound& lower, const KeyBound& upper) const
{
    auto bounds = [&](const auto& entries, auto keyOf) {
        using Key = std::decay_t<decltype(keyOf(lower))>;
        auto first = entries.begin();
        auto last = entries.end();
        if (lower.present) {
            const Key k = keyOf(lower);
            first = lower.inclusive
                ? std::lower_bound(entries.begin(), entries.end(), k, [](const auto& e, const Key& v) { return e.first < v; })
                : std::upper_bound(entries.begin(), entries.end(), k, [](const Key& v, const auto& e) { return v < e.first; });
        }
        if (upper.present) {
            const Key k = keyOf(upper);
            last = upper.inclusive
                ? std::upper_bound(entries.begin(), entries.end(), k, [](const Key& v, const auto& e) { return v < e.first; })
                : std::lower_bound(entries.begin(), entries.end(), k, [](const auto& e, const Key& v) { return e.first < v; });
        }
        if (last < first) last = first;
        return std::make_pair(std::size_t(first - entries.begin()), std::size_t(last - entries.begin()));
    };
    if (m_text) return bounds(m_texts, [](const KeyBound& b) { return b.text; });
    return bounds(m_numbers, [](const KeyBound& b) { return b.number; });
}

} // namespace sql
