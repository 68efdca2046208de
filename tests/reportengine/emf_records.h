#pragma once
// Walks the records of an EMF image for the tests (no checks: the images are our own or
// built by hand).

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <vector>

struct EmfRecord {
    std::uint32_t type;
    qsizetype offset;
    QByteArray bytes;
    std::uint32_t u32(qsizetype at) const
    {
        std::uint32_t v;
        std::memcpy(&v, bytes.constData() + at, 4);
        return v;
    }
    std::int32_t i32(qsizetype at) const { return static_cast<std::int32_t>(u32(at)); }
};

inline std::vector<EmfRecord> emfRecords(const QByteArray& image)
{
    std::vector<EmfRecord> out;
    qsizetype at = 0;
    while (at + 8 <= image.size()) {
        std::uint32_t type, size;
        std::memcpy(&type, image.constData() + at, 4);
        std::memcpy(&size, image.constData() + at + 4, 4);
        if (size < 8 || at + size > image.size())
            break;
        out.push_back({type, at, image.mid(at, size)});
        at += size;
        if (type == 14)
            break;
    }
    return out;
}
