#pragma once
// The database list file "mdb.dat": one full path a line. Written as UTF-8 with CR LF after every
// line; read as CP932 when it is not valid UTF-8 (lists from the Windows program).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace dblist {

struct PathParts {
    QString directory;   // up to and including the last separator; empty when there is none
    QString fileName;
};

// Splits at the last separator of this system ('/', on Windows also '\\' and ':').
PathParts splitPath(const QString& path);

// The file's bytes cut into lines: at CR, LF and CR LF; a NUL ends the text; a last line end
// does not start another line.
std::vector<QByteArray> splitLines(const QByteArray& bytes);

struct Entry {
    QString path;
    QByteArray raw;      // set when the line is valid in no known encoding: written back as it was
};

struct LoadResult {
    bool exists = false;
    bool readable = true;
    QString error;               // why the file could not be read
    std::vector<Entry> entries;
    QList<int> undecodable;      // 1-based numbers of lines that are valid in no known encoding
};

LoadResult load(const QString& file);

// The file's bytes for the given entries.
QByteArray serialize(const std::vector<Entry>& entries);

// Replaces the file atomically. False with an error text when it cannot be written.
bool save(const QString& file, const std::vector<Entry>& entries, QString* error);

} // namespace dblist
