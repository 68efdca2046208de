#include "app/program_dirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef TABULON_INSTALL_DATADIR
#define TABULON_INSTALL_DATADIR "../share/norvik-tabulon"
#endif

QString withTrailingSeparator(const QString& dir)
{
    if (dir.isEmpty() || dir.endsWith(QLatin1Char('/')))
        return dir;
    return dir + QLatin1Char('/');
}

namespace {
const QString kHelpPage = QStringLiteral("tutor01.htm");

QString installedHelpPage(const QString& exeDir)
{
    return QDir::cleanPath(exeDir + QStringLiteral(TABULON_INSTALL_DATADIR) + QLatin1Char('/') + kHelpPage);
}

// An installed program (its usage page in the data directory, none beside it) keeps no files in
// the program's folder, even where that folder is writable (root's /usr/bin).
bool installed(const QString& exeDir)
{
    return !QFileInfo::exists(exeDir + kHelpPage) && QFileInfo::exists(installedHelpPage(exeDir));
}
} // namespace

ProgramDirs ProgramDirs::forExeDir(const QString& exeDir)
{
    ProgramDirs dirs;
    dirs.exeDir = withTrailingSeparator(exeDir);
    dirs.dataDir = dirs.exeDir;
    const QFileInfo info(exeDir);
    if (!info.isDir() || !info.isWritable() || installed(dirs.exeDir)) {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        if (!config.isEmpty() && QDir().mkpath(config))
            dirs.dataDir = withTrailingSeparator(config);
    }
    return dirs;
}

ProgramDirs ProgramDirs::forRunningProgram()
{
    return forExeDir(QCoreApplication::applicationDirPath());
}

QString ProgramDirs::helpPage() const
{
    const QString beside = exeDir + kHelpPage;
    if (QFileInfo::exists(beside))
        return beside;
    const QString installedPage = installedHelpPage(exeDir);
    if (QFileInfo::exists(installedPage))
        return installedPage;
    return beside;
}
