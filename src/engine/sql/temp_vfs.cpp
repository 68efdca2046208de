#include "sql/temp_vfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace sql {

namespace {

std::atomic<std::int64_t> g_inUse{0};
std::atomic<std::int64_t> g_limit{kTempLimitBytes};

sqlite3_vfs* g_root = nullptr;
sqlite3_vfs g_vfs;

// Our header, then the root file system's file.
struct File {
    sqlite3_file base;
    sqlite3_file* real;
    std::int64_t size;   // bytes this file adds to g_inUse
};

sqlite3_file* realOf(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

// Takes the growth of a file to `end` bytes from the budget; false when it would pass it.
bool grow(File* f, std::int64_t end)
{
    if (end <= f->size) return true;
    const std::int64_t more = end - f->size;
    std::int64_t now = g_inUse.load();
    do {
        if (now + more > g_limit.load()) return false;
    } while (!g_inUse.compare_exchange_weak(now, now + more));
    f->size = end;
    return true;
}

void shrink(File* f, std::int64_t end)
{
    if (end >= f->size) return;
    g_inUse -= f->size - end;
    f->size = end;
}

int xClose(sqlite3_file* f)
{
    auto* file = reinterpret_cast<File*>(f);
    shrink(file, 0);
    return file->real->pMethods ? file->real->pMethods->xClose(file->real) : SQLITE_OK;
}

int xRead(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset)
{
    return realOf(f)->pMethods->xRead(realOf(f), buf, amount, offset);
}

int xWrite(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset)
{
    if (!grow(reinterpret_cast<File*>(f), offset + amount)) return SQLITE_FULL;
    return realOf(f)->pMethods->xWrite(realOf(f), buf, amount, offset);
}

int xTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    const int rc = realOf(f)->pMethods->xTruncate(realOf(f), size);
    if (rc == SQLITE_OK) shrink(reinterpret_cast<File*>(f), size);
    return rc;
}

int xSync(sqlite3_file* f, int flags) { return realOf(f)->pMethods->xSync(realOf(f), flags); }
int xFileSize(sqlite3_file* f, sqlite3_int64* size) { return realOf(f)->pMethods->xFileSize(realOf(f), size); }
int xLock(sqlite3_file* f, int lock) { return realOf(f)->pMethods->xLock(realOf(f), lock); }
int xUnlock(sqlite3_file* f, int lock) { return realOf(f)->pMethods->xUnlock(realOf(f), lock); }
int xCheckReservedLock(sqlite3_file* f, int* out) { return realOf(f)->pMethods->xCheckReservedLock(realOf(f), out); }
int xFileControl(sqlite3_file* f, int op, void* arg)
{
    // A size hint would let the file grow without a write: take it from the budget too.
    if (op == SQLITE_FCNTL_SIZE_HINT && !grow(reinterpret_cast<File*>(f), *static_cast<sqlite3_int64*>(arg)))
        return SQLITE_FULL;
    return realOf(f)->pMethods->xFileControl(realOf(f), op, arg);
}
int xSectorSize(sqlite3_file* f) { return realOf(f)->pMethods->xSectorSize(realOf(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f)); }

const sqlite3_io_methods kMethods = {
    1, xClose, xRead, xWrite, xTruncate, xSync, xFileSize, xLock, xUnlock, xCheckReservedLock,
    xFileControl, xSectorSize, xDeviceCharacteristics, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<File*>(f);
    std::memset(file, 0, sizeof(File));
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    std::memset(file->real, 0, std::size_t(g_root->szOsFile));
    const int rc = g_root->xOpen(g_root, name, file->real, flags, outFlags);
    // On failure base.pMethods stays null, so SQLite calls no xClose; the root file
    // system cleans its own file up.
    if (rc == SQLITE_OK) file->base.pMethods = &kMethods;
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir) { return g_root->xDelete(g_root, name, syncDir); }
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) { return g_root->xAccess(g_root, name, flags, out); }
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out) { return g_root->xFullPathname(g_root, name, n, out); }
void* xDlOpen(sqlite3_vfs*, const char* name) { return g_root->xDlOpen(g_root, name); }
void xDlError(sqlite3_vfs*, int n, char* out) { g_root->xDlError(g_root, n, out); }
void (*xDlSym(sqlite3_vfs*, void* h, const char* sym))(void) { return g_root->xDlSym(g_root, h, sym); }
void xDlClose(sqlite3_vfs*, void* h) { g_root->xDlClose(g_root, h); }
int xRandomness(sqlite3_vfs*, int n, char* out) { return g_root->xRandomness(g_root, n, out); }
int xSleep(sqlite3_vfs*, int us) { return g_root->xSleep(g_root, us); }
int xCurrentTime(sqlite3_vfs*, double* out) { return g_root->xCurrentTime(g_root, out); }
int xGetLastError(sqlite3_vfs*, int n, char* out) { return g_root->xGetLastError ? g_root->xGetLastError(g_root, n, out) : 0; }
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out)
{
    if (g_root->iVersion >= 2 && g_root->xCurrentTimeInt64) return g_root->xCurrentTimeInt64(g_root, out);
    double now = 0;
    const int rc = g_root->xCurrentTime(g_root, &now);
    *out = static_cast<sqlite3_int64>(now * 86400000.0);
    return rc;
}

} // namespace

const char* limitedTempVfs()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        g_root = sqlite3_vfs_find(nullptr);
        if (!g_root) return;
        std::memset(&g_vfs, 0, sizeof(g_vfs));
        g_vfs.iVersion = 2;
        g_vfs.szOsFile = int(sizeof(File)) + g_root->szOsFile;
        g_vfs.mxPathname = g_root->mxPathname;
        g_vfs.zName = "tabulon-temp";
        g_vfs.xOpen = xOpen;
        g_vfs.xDelete = xDelete;
        g_vfs.xAccess = xAccess;
        g_vfs.xFullPathname = xFullPathname;
        g_vfs.xDlOpen = xDlOpen;
        g_vfs.xDlError = xDlError;
        g_vfs.xDlSym = xDlSym;
        g_vfs.xDlClose = xDlClose;
        g_vfs.xRandomness = xRandomness;
        g_vfs.xSleep = xSleep;
        g_vfs.xCurrentTime = xCurrentTime;
        g_vfs.xGetLastError = xGetLastError;
        g_vfs.xCurrentTimeInt64 = xCurrentTimeInt64;
        ok = sqlite3_vfs_register(&g_vfs, 0) == SQLITE_OK;
    });
    return ok ? g_vfs.zName : nullptr;
}

std::int64_t tempBytesInUse() { return g_inUse.load(); }

TempLimitForTests::TempLimitForTests(std::int64_t bytes) : m_previous(g_limit.exchange(bytes)) {}
TempLimitForTests::~TempLimitForTests() { g_limit.store(m_previous); }

} // namespace sql
