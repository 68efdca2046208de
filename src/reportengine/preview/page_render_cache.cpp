#include "reportengine/preview/page_render_cache.h"

QImage QRPageRenderCache::find(const Key& key)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->first == key) {
            m_entries.splice(m_entries.begin(), m_entries, it);
            return m_entries.front().second;
        }
    }
    return {};
}

void QRPageRenderCache::insert(const Key& key, const QImage& picture)
{
    const qint64 size = picture.sizeInBytes();
    if (size > m_budget)
        return;
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->first == key) {
            m_bytes -= it->second.sizeInBytes();
            m_entries.erase(it);
            break;
        }
    }
    m_entries.emplace_front(key, picture);
    m_bytes += size;
    while (m_bytes > m_budget && !m_entries.empty()) {
        m_bytes -= m_entries.back().second.sizeInBytes();
        m_entries.pop_back();
    }
}

void QRPageRenderCache::clear()
{
    m_entries.clear();
    m_bytes = 0;
}
