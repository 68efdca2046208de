#pragma once
// Pictures of recently shown pages, so paging back and forth does not play a page again. Keyed
// by the store they came from, the page and the picture's size; the oldest go first once the
// pictures together pass the budget.

#include <QImage>
#include <QSize>

#include <list>

class QRPageRenderCache {
public:
    struct Key {
        quint64 store = 0;
        int page = 0;
        QSize size;
        bool operator==(const Key& o) const { return store == o.store && page == o.page && size == o.size; }
    };

    explicit QRPageRenderCache(qint64 budgetBytes) : m_budget(budgetBytes) {}

    // A null image when the page is not kept.
    QImage find(const Key& key);
    void insert(const Key& key, const QImage& picture);
    void clear();
    int count() const { return int(m_entries.size()); }
    qint64 bytes() const { return m_bytes; }

private:
    std::list<std::pair<Key, QImage>> m_entries;   // newest first
    qint64 m_bytes = 0;
    qint64 m_budget;
};
