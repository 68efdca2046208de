#include "cli_runner.h"

#include "jet/cursor.h"
#include "jet/database.h"
#include "jet/table.h"

#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

namespace {

QByteArray slurp(int fd)
{
    QByteArray out;
    ::lseek(fd, 0, SEEK_SET);
    char buf[65536];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        out.append(buf, n);
    return out;
}

} // namespace

CliRun runCliBytes(const std::vector<std::string>& args, const std::string& cwd)
{
    CliRun r;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::vector<std::string> all{TABULON_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fileno(out), 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = slurp(fileno(out));
    r.err = slurp(fileno(err));
    std::fclose(out);
    std::fclose(err);
    return r;
}

DatabaseCopy copyOf(const QString& fixture)
{
    QFile f(testData(fixture));
    DatabaseCopy c;
    if (f.open(QIODevice::ReadOnly))
        c.bytes = f.readAll();
    return c;
}

bool DatabaseCopy::setCatalogFlags(const QString& table, quint32 flags)
{
    std::vector<std::byte> image(reinterpret_cast<const std::byte*>(bytes.constData()),
                                 reinterpret_cast<const std::byte*>(bytes.constData()) + bytes.size());
    auto db = jet::Database::openBuffer(image, "copy");
    if (!db)
        return false;
    auto catalog = (*db)->table("MSysObjects");
    if (!catalog)
        return false;
    const jet::Column* name = (*catalog)->findColumn("Name");
    const jet::Column* flagsColumn = (*catalog)->findColumn("Flags");
    if (!name || !flagsColumn)
        return false;
    jet::Cursor cur(*catalog, {name->displayIndex});
    const std::string wanted = table.toStdString();
    while (cur.next()) {
        const jet::Value v = cur.value(0);
        if (v.kind() != jet::ValueKind::Text || v.asText() != wanted)
            continue;
        // Flags is a fixed column: row start + column count + its fixed offset. A row moved to
        // another page leaves a pointer (slot flag 0x4000) where it stood.
        const bool jet3 = (*db)->isJet3();
        const qsizetype pageSize = (*db)->pageSize();
        auto u16 = [&](qsizetype at) { return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8); };
        quint32 page = cur.position().page;
        int row = cur.position().row;
        qsizetype rowStart = 0;
        for (int hop = 0; hop < 4; ++hop) {
            const quint16 slot = u16(page * pageSize + (jet3 ? 10 : 14) + 2 * row);
            rowStart = page * pageSize + (slot & 0x1FFF);
            if (!(slot & 0x4000))
                break;
            const quint32 ptr = quint32(u16(rowStart)) | quint32(u16(rowStart + 2)) << 16;
            page = ptr >> 8;
            row = int(ptr & 0xFF);
        }
        const qsizetype at = rowStart + (jet3 ? 1 : 2) + flagsColumn->fixedOffset;
        for (int k = 0; k < 4; ++k)
            bytes[at + k] = char(quint8(flags >> (8 * k)));
        return true;
    }
    return false;
}

bool DatabaseCopy::replace(const QByteArray& from, const QByteArray& to)
{
    const qsizetype at = bytes.indexOf(from);
    if (at < 0 || from.size() != to.size())
        return false;
    bytes.replace(at, to.size(), to);
    return true;
}

bool DatabaseCopy::save(const QString& path) const
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
