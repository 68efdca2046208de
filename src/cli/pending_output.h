#pragma once
// Output that appears whole or not at all: written under a temporary name beside its final
// place and renamed there only when complete. A run that fails, or is interrupted, leaves
// nothing behind.

#include <string>
#include <vector>

namespace cli {

// A file. The temporary file is created exclusively beside `finalPath`; commit() flushes it to
// disk and renames it over `finalPath`. Throws CliError with the reason when it cannot.
class PendingFile {
public:
    explicit PendingFile(const std::string& finalPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& path() const { return temp_; }
    void commit();

private:
    std::string final_;
    std::string temp_;
    bool done_ = false;
};

// A directory whose files are written into a temporary directory beside it. `finalPath` must
// not exist or be an empty directory (files already there are never replaced).
class PendingDirectory {
public:
    explicit PendingDirectory(const std::string& finalPath);
    ~PendingDirectory();
    PendingDirectory(const PendingDirectory&) = delete;
    PendingDirectory& operator=(const PendingDirectory&) = delete;

    const std::string& path() const { return temp_; }
    // The temporary directory's file `name` (a plain file name) is ours to remove on failure.
    std::string file(const std::string& name);
    void commit();

private:
    std::string final_;
    std::string temp_;
    std::vector<std::string> files_;
    bool done_ = false;
};

// Ctrl+C, SIGTERM and SIGHUP only raise a flag while long commands run, so that they can stop
// between rows and remove what they wrote. A second signal ends the process at once.
void catchInterrupts();
bool interrupted();
// Throws CliError("interrupted") when the flag is up.
void checkInterrupted();

// True when the two paths name the same existing file.
bool sameFile(const std::string& a, const std::string& b);

// The error text of errno, for messages.
std::string systemError(int error);

} // namespace cli
