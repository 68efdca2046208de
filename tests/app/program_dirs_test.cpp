// Where the list and settings files live: beside the program, or in the per-user configuration
// folder when the program's folder cannot be written.

#include "app/program_dirs.h"

#include <QDir>
#include <QFile>
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

// An installed program run by root: /usr/bin can be written, but the files go to the user's folder.
TEST(ProgramDirs, AnInstalledProgramKeepsItsFilesInTheUsersFolderEvenWhereItCouldWrite)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir(prefix.path()).mkpath("bin"));
    ASSERT_TRUE(QDir(prefix.path()).mkpath("share/norvik-tabulon"));
    QFile page(prefix.path() + "/share/norvik-tabulon/tutor01.htm");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    QStandardPaths::setTestModeEnabled(true);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const ProgramDirs installed = ProgramDirs::forExeDir(prefix.path() + "/bin");
    EXPECT_EQ(installed.dataDir, config + "/");
    EXPECT_EQ(installed.helpPage(), prefix.path() + "/share/norvik-tabulon/tutor01.htm");

    // A copy with its usage page beside it (a build tree, a folder of its own) keeps its files there.
    QFile beside(prefix.path() + "/bin/tutor01.htm");
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    const ProgramDirs portable = ProgramDirs::forExeDir(prefix.path() + "/bin");
    QStandardPaths::setTestModeEnabled(false);
    EXPECT_EQ(portable.dataDir, prefix.path() + "/bin/");
    EXPECT_EQ(portable.helpPage(), prefix.path() + "/bin/tutor01.htm");
    QDir(config).removeRecursively();
}

TEST(ProgramDirs, TrailingSeparator)
{
    EXPECT_EQ(withTrailingSeparator("/a"), "/a/");
    EXPECT_EQ(withTrailingSeparator("/a/"), "/a/");
    EXPECT_EQ(withTrailingSeparator(""), "");
}
