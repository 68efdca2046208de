#pragma once
// Resource limits of the SQL layer and the words for SQLite's failures. Nothing a statement
// builds may grow without bound: text results stop at kMaxTextBytes, SQLite's own memory at
// kHeapLimitBytes, the temporary files of big sorts at kTempLimitBytes (temp_vfs.h); beyond
// them a statement fails with a "too large" error instead of exhausting the machine.

#include <sqlite3.h>

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace sql {

inline constexpr std::int64_t kMaxTextBytes = 64LL * 1024 * 1024;
inline constexpr std::int64_t kHeapLimitBytes = 1LL << 30;

// Thrown where a text result would pass kMaxTextBytes; SQLite callbacks turn it into an error.
class TooLarge : public std::runtime_error {
public:
    TooLarge();
};

// A text of `size` bytes (or UTF-16 units: never more than its UTF-8 bytes) is too large.
inline bool tooLarge(std::int64_t size) { return size > kMaxTextBytes; }
inline void checkTextSize(std::int64_t size)
{
    if (tooLarge(size)) throw TooLarge();
}

// The message of SQLite's last error on `db` (result code `rc`), in words a user understands.
QString describeSqliteError(sqlite3* db, int rc);
// The same for a message SQLite or a callback gave.
QString describeSqliteMessage(const QString& message, int rc);

// The message of the exception being handled, for a SQLite error (bad_alloc, TooLarge, ...).
// Call only inside a catch block.
QString describeCurrentException();

} // namespace sql
