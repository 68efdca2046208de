#include "explorer/database_list.h"

#include "app/text_codec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace dblist {

PathParts splitPath(const QString& path)
{
#ifdef Q_OS_WIN
    const qsizetype cut = std::max({path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')),
                                    path.lastIndexOf(QLatin1Char(':'))});
#else
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
#endif
    if (cut < 0)
        return {QString(), path};
    return {path.left(cut + 1), path.mid(cut + 1)};
}

std::vector<QByteArray> splitLines(const QByteArray& bytes)
{
    std::vector<QByteArray> lines;
    const qsizetype n = bytes.size();
    qsizetype p = 0;
    while (p < n && bytes[p] != '\0') {
        const qsizetype start = p;
        while (p < n && bytes[p] != '\0' && bytes[p] != '\r' && bytes[p] != '\n')
            ++p;
        lines.push_back(bytes.mid(start, p - start));
        if (p < n && bytes[p] == '\r')
            ++p;
        if (p < n && bytes[p] == '\n')
            ++p;
    }
    return lines;
}

LoadResult load(const QString& file)
{
    LoadResult result;
    const QFileInfo info(file);
    result.exists = info.exists();
    if (!result.exists)
        return result;
    QFile f(file);
    if (info.isDir() || !f.open(QIODevice::ReadOnly)) {
        result.readable = false;
        result.error = info.isDir() ? QStringLiteral("is a directory") : f.errorString();
        return result;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        result.readable = false;
        result.error = f.errorString();
        return result;
    }
    // One encoding for the whole file, as it was written by one program.
    const bool utf8 = textcodec::isValidUtf8(bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0')));
    int number = 0;
    for (const QByteArray& line : splitLines(bytes)) {
        ++number;
        Entry entry;
        if (utf8) {
            entry.path = QString::fromUtf8(line);
        } else {
            const textcodec::Decoded decoded = textcodec::decode(line);
            entry.path = decoded.text;
            if (decoded.lossy) {
                entry.raw = line;
                result.undecodable << number;
            }
        }
        result.entries.push_back(std::move(entry));
    }
    return result;
}

QByteArray serialize(const std::vector<Entry>& entries)
{
    QByteArray bytes;
    for (const Entry& e : entries) {
        bytes += e.raw.isNull() ? e.path.toUtf8() : e.raw;
        bytes += "\r\n";
    }
    return bytes;
}

bool save(const QString& file, const std::vector<Entry>& entries, QString* error)
{
    const QByteArray bytes = serialize(entries);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    if (out.write(bytes) != bytes.size()) {
        *error = out.errorString();
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace dblist
