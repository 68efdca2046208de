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

ProgramDirs ProgramDirs::forExeDir(const QString& exeDir)
{
    ProgramDirs dirs;
    dirs.exeDir = withTrailingSeparator(exeDir);
    dirs.dataDir = dirs.exeDir;
    const QFileInfo info(exeDir);
    if (!info.isDir() || !info.isWritable()) {
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
    const QString name = QStringLiteral("tutor01.htm");
    const QString beside = exeDir + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir::cleanPath(exeDir + QStringLiteral(TABULON_INSTALL_DATADIR) + QLatin1Char('/') + name);
    if (QFileInfo::exists(installed))
        return installed;
    return beside;
}
