// Where the list and settings files live: beside the program, or in the per-user configuration
// folder when the program's folder cannot be written.

#include "app/program_dirs.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProgramDirs, WritableProgramFolderHoldsTheFiles)
{
    QTemporaryDir dir;
    const ProgramDirs dirs = ProgramDirs::forExeDir(dir.path());
    EXPECT_EQ(dirs.exeDir, dir.path() + "/");
    EXPECT_EQ(dirs.dataDir, dir.path() + "/");
}

TEST(ProgramDirs, OtherwiseThePerUserConfigurationFolder)
{
    QTemporaryDir home;
    QStandardPaths::setTestModeEnabled(true);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    // A program folder that cannot be written (tests may run as root, so one that is not there).
    const ProgramDirs dirs = ProgramDirs::forExeDir(home.path() + "/no/such/bin");
    QStandardPaths::setTestModeEnabled(false);
    EXPECT_EQ(dirs.exeDir, home.path() + "/no/such/bin/");
    EXPECT_EQ(dirs.dataDir, config + "/");
    EXPECT_TRUE(QDir(config).exists());
    QDir(config).removeRecursively();
}

TEST(ProgramDirs, TrailingSeparator)
{
    EXPECT_EQ(withTrailingSeparator("/a"), "/a/");
    EXPECT_EQ(withTrailingSeparator("/a/"), "/a/");
    EXPECT_EQ(withTrailingSeparator(""), "");
}
