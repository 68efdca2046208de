#include "sql/column_index.h"

#include "automation/error.h"
#include "sql/collation.h"
#include "sql/interrupt.h"

#include <algorithm>
#include <cmath>

namespace sql {

std::unique_ptr<ColumnIndex> ColumnIndex::build(RowSource& source, int column)
{
    auto index = std::make_unique<ColumnIndex>();
    index->m_text = isTextKeyType(source.columns()[std::size_t(column)].jetType);
    std::unique_ptr<RowCursor> cursor = source.open({column});
    // The row count the table definition claims is no size to trust: the vectors grow with
    // the rows actually read.
    std::string text;
    double number = 0;
    std::uint64_t rows = 0;
    while (cursor->next()) {
        if ((++rows & 0xFFF) == 0 && interruptRequested()) throw automation::Error(QString::fromLatin1(kCancelledMessage));
        if (index->m_text) {
            if (cursor->text(column, text)) index->m_texts.emplace_back(foldKey(text), cursor->position());
        } else if (cursor->number(column, number)) {
            index->m_numbers.emplace_back(number, cursor->position());
        }
    }
    if (!cursor->error().isEmpty()) throw automation::Error(cursor->error());
    index->m_lost = cursor->unreadableRows();
    index->m_firstLoss = cursor->firstLoss();
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
        index->buildDense();
    }
    return index;
}

void ColumnIndex::buildDense()
{
    const auto& e = m_numbers;
    if (e.empty() || e.size() > 0xFFFFFFF0u) return;
    const double lo = e.front().first, hi = e.back().first;
    const double span = hi - lo;
    if (!(span >= 0) || span > 4.0 * double(e.size()) + 1024) return;
    for (const auto& k : e)
        if (k.first != std::floor(k.first)) return;
    m_denseMin = lo;
    m_dense.assign(std::size_t(span) + 2, 0);
    std::size_t i = 0;
    for (std::size_t slot = 0; slot < m_dense.size(); ++slot) {
        while (i < e.size() && e[i].first < lo + double(slot)) ++i;
        m_dense[slot] = std::uint32_t(i);
    }
}

std::pair<std::size_t, std::size_t> ColumnIndex::range(const KeyBound& lower, const KeyBound& upper) const
{
    if (!m_dense.empty() && lower.present && upper.present && lower.inclusive && upper.inclusive
        && lower.number == upper.number) {
        const double k = lower.number - m_denseMin;
        if (k != std::floor(k) || k < 0 || k + 1 >= double(m_dense.size())) return {0, 0};
        const std::size_t slot = std::size_t(k);
        return {m_dense[slot], m_dense[slot + 1]};
    }
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
