#pragma once
// Where the program finds its files: the list and settings file beside the program, or in the
// per-user configuration directory when the program's own directory is not writable or the
// program is an installed one.

#include <QString>

struct ProgramDirs {
    QString exeDir;    // the program's directory, with a trailing separator
    QString dataDir;   // where "mdb.dat" and "kelvro.ini" live, with a trailing separator

    // exeDir as given; dataDir = exeDir when writable and the program is not installed (its usage
    // page in ../share/norvik-tabulon, none beside it), else the per-user configuration directory.
    static ProgramDirs forExeDir(const QString& exeDir);
    static ProgramDirs forRunningProgram();

    // "tutor01.htm" beside the program, else in the installed data directory.
    QString helpPage() const;
};

// Appends the separator unless the text already ends with one.
QString withTrailingSeparator(const QString& dir);
