#include "cli/pending_output.h"

#include "cli/commands.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int sig)
{
    g_interrupted = 1;
    std::signal(sig, SIG_DFL);  // a second one ends the process
}

QString qs(const std::string& s) { return displayPath(s); }

std::string dirName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseName(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t currentUmask()
{
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

bool isEmptyDirectory(const std::string& path)
{
    DIR* d = ::opendir(path.c_str());
    if (!d)
        return false;
    bool empty = true;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    ::closedir(d);
    return empty;
}

void syncPath(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

std::string systemError(int error) { return std::strerror(error); }

void catchInterrupts()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::signal(SIGHUP, onInterrupt);
    // A file-size limit fails the write (and the command, cleanly) instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool interrupted() { return g_interrupted != 0; }

void checkInterrupted()
{
    if (interrupted())
        throw CliError(QStringLiteral("interrupted; nothing was written"));
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

PendingFile::PendingFile(const std::string& finalPath) : final_(finalPath)
{
    struct stat st {};
    if (::stat(finalPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw CliError(QStringLiteral("%1 is a directory").arg(qs(finalPath)));
    std::string pattern = dirName(finalPath) + "/." + baseName(finalPath) + ".tmp-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0)
        throw CliError(QStringLiteral("cannot create a file in %1: %2")
                           .arg(qs(dirName(finalPath)), QString::fromStdString(systemError(errno))));
    // mkstemp makes it private; the result gets the usual permissions.
    ::fchmod(fd, 0666 & ~currentUmask());
    ::close(fd);
    temp_ = buf.data();
}

PendingFile::~PendingFile()
{
    if (!done_ && !temp_.empty())
        ::unlink(temp_.c_str());
}

void PendingFile::commit()
{
    const int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int e = errno;
        if (fd >= 0)
            ::close(fd);
        throw CliError(QStringLiteral("cannot write %1: %2").arg(qs(final_), QString::fromStdString(systemError(e))));
    }
    ::close(fd);
    if (::rename(temp_.c_str(), final_.c_str()) != 0)
        throw CliError(QStringLiteral("cannot write %1: %2").arg(qs(final_), QString::fromStdString(systemError(errno))));
    done_ = true;
    syncPath(dirName(final_), O_RDONLY | O_DIRECTORY);
}

PendingDirectory::PendingDirectory(const std::string& finalPath) : final_(finalPath)
{
    while (final_.size() > 1 && final_.back() == '/')
        final_.pop_back();
    struct stat st {};
    if (::stat(final_.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            throw CliError(QStringLiteral("%1 exists and is no directory").arg(qs(final_)));
        if (!isEmptyDirectory(final_))
            throw CliError(QStringLiteral("%1 is not empty: give a new or an empty directory").arg(qs(final_)));
    }
    std::string pattern = dirName(final_) + "/." + baseName(final_) + ".tmp-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data()))
        throw CliError(QStringLiteral("cannot create a directory in %1: %2")
                           .arg(qs(dirName(final_)), QString::fromStdString(systemError(errno))));
    ::chmod(buf.data(), 0777 & ~currentUmask());
    temp_ = buf.data();
}

std::string PendingDirectory::file(const std::string& name)
{
    files_.push_back(temp_ + "/" + name);
    return files_.back();
}

PendingDirectory::~PendingDirectory()
{
    if (done_ || temp_.empty())
        return;
    for (const std::string& f : files_)
        ::unlink(f.c_str());
    ::rmdir(temp_.c_str());
}

void PendingDirectory::commit()
{
    for (const std::string& f : files_)
        syncPath(f, O_RDONLY);
    syncPath(temp_, O_RDONLY | O_DIRECTORY);
    // Onto an empty directory or none: rename(2) replaces an empty directory in one step.
    if (::rename(temp_.c_str(), final_.c_str()) != 0) {
        const int e = errno;
        if (e == ENOTEMPTY || e == EEXIST)
            throw CliError(QStringLiteral("%1 is not empty: give a new or an empty directory").arg(qs(final_)));
        throw CliError(QStringLiteral("cannot write %1: %2").arg(qs(final_), QString::fromStdString(systemError(e))));
    }
    done_ = true;
    syncPath(dirName(final_), O_RDONLY | O_DIRECTORY);
}

} // namespace cli
