#pragma once
// Runs the built tabulon-cli and collects what it printed.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <string>
#include <vector>

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline CliRun runCli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(TABULON_CLI), args);
    CliRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

inline QString testData(const QString& relative)
{
    return QStringLiteral(TABULON_TEST_DATA "/") + relative;
}

// Runs tabulon-cli with arguments passed as bytes, as a shell passes them (file names that are
// not valid UTF-8 included); `cwd` empty: the test's own directory.
CliRun runCliBytes(const std::vector<std::string>& args, const std::string& cwd = {});

// A copy of a test database written to a temporary folder, for tests that change bytes.
struct DatabaseCopy {
    QByteArray bytes;
    // Catalog flags of a table (MSysObjects.Flags), changed in place; false when not found.
    bool setCatalogFlags(const QString& table, quint32 flags);
    // The first occurrence of `from` replaced by `to` (same length); false when not found.
    bool replace(const QByteArray& from, const QByteArray& to);
    // Written to `path`; false on failure.
    bool save(const QString& path) const;
};
DatabaseCopy copyOf(const QString& fixture);
