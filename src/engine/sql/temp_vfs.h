#pragma once
// The file system SQLite uses for the temporary files of big sorts and materialised results:
// the system's own, with all temporary files of the process together limited to
// kTempLimitBytes. A statement that would write more fails with SQLITE_FULL ("too large")
// instead of filling the disk. (Kept on disk rather than in memory: SQLite's in-memory sorter
// is much slower for big sorts.)

#include <cstdint>

namespace sql {

inline constexpr std::int64_t kTempLimitBytes = 1LL << 30;

// Registers the file system once (not as the default) and returns its name for
// sqlite3_open_v2; nullptr when it cannot be registered (then the default is used).
const char* limitedTempVfs();

// Bytes the temporary files of the process hold now (for tests).
std::int64_t tempBytesInUse();

// For tests: a smaller limit while alive.
class TempLimitForTests {
public:
    explicit TempLimitForTests(std::int64_t bytes);
    ~TempLimitForTests();
    TempLimitForTests(const TempLimitForTests&) = delete;
    TempLimitForTests& operator=(const TempLimitForTests&) = delete;

private:
    std::int64_t m_previous;
};

} // namespace sql
