// The settings file layer: reads and writes as the platform's profile functions do, and a write
// changes nothing but its own line.

#include "app/profile.h"
#include "app/text_codec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TempFile {
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/kelvro.ini");

    void write(const QByteArray& bytes) const
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

QString get(const TempFile& f, const char* section, const char* key, const char* def = "DEF", int size = 1024)
{
    return profile::getString(f.path, QString::fromUtf8(section), QString::fromUtf8(key), QString::fromUtf8(def), size);
}

} // namespace

TEST(ProfileRead, TrickyFiles)
{
    struct Case {
        const char* what;
        QByteArray file;
        const char* section;
        const char* key;
        QString expected;
    };
    const QByteArray cp932Value = [] {
        bool ok = false;
        return textcodec::encodeCp932(QStringLiteral("表ソ①髙"), &ok);
    }();
    const Case cases[] = {
        {"plain", "[DAO]\nCLASS=DAO.DBEngine.35\n", "DAO", "CLASS", "DAO.DBEngine.35"},
        {"names ignore case", "[dao]\nclass=X\n", "DAO", "CLASS", "X"},
        {"blanks around", "  [ DAO ]  \r\n  CLASS  =   X Y   \r\n", "DAO", "CLASS", "X Y"},
        {"quotes stripped", "[DAO]\nCLASS=\"  X  \"\n", "DAO", "CLASS", "  X  "},
        {"single quotes", "[DAO]\nCLASS='X'\n", "DAO", "CLASS", "X"},
        {"unbalanced quote kept", "[DAO]\nCLASS=\"X\n", "DAO", "CLASS", "\"X"},
        {"equals in value", "[DAO]\nCLASS=a=b\n", "DAO", "CLASS", "a=b"},
        {"empty value is not the default", "[DAO]\nCLASS=\n", "DAO", "CLASS", ""},
        {"commented key", "[DAO]\n;CLASS=X\n", "DAO", "CLASS", "DEF"},
        {"key of another section", "[A]\nCLASS=X\n[DAO]\nOTHER=1\n", "DAO", "CLASS", "DEF"},
        {"first section wins", "[DAO]\nCLASS=1\n[DAO]\nCLASS=2\n", "DAO", "CLASS", "1"},
        {"first key wins", "[DAO]\nCLASS=1\nCLASS=2\n", "DAO", "CLASS", "1"},
        {"no section", "CLASS=X\n", "DAO", "CLASS", "DEF"},
        {"no line end", "[DAO]\nCLASS=X", "DAO", "CLASS", "X"},
        {"text after bracket", "[DAO] ; comment\nCLASS=X\n", "DAO", "CLASS", "X"},
        {"utf-8 value", "[DAO]\nCLASS=ダオ\n", "DAO", "CLASS", "ダオ"},
        {"cp932 value", "[DAO]\r\nCLASS=" + cp932Value + "\r\n", "DAO", "CLASS", "表ソ①髙"},
        {"empty file", "", "DAO", "CLASS", "DEF"},
        {"binary junk line", QByteArray("\x00\xff\xfe\n[DAO]\n", 10) + "CLASS=X\n", "DAO", "CLASS", "X"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFile f;
        f.write(c.file);
        EXPECT_EQ(get(f, c.section, c.key), c.expected);
    }
}

TEST(ProfileRead, LimitsAndDefaults)
{
    TempFile f;
    EXPECT_EQ(get(f, "DAO", "CLASS"), QStringLiteral("DEF"));             // no file
    EXPECT_EQ(get(f, "DAO", "CLASS", "A  "), QStringLiteral("A"));        // default loses trailing blanks
    f.write("[DAO]\nCLASS=" + QByteArray(1500, 'x') + "\n");
    EXPECT_EQ(get(f, "DAO", "CLASS").size(), 1023);
    EXPECT_EQ(get(f, "DAO", "CLASS", "", 10), QStringLiteral("xxxxxxxxx"));
    EXPECT_EQ(get(f, "DAO", "MISSING", "", 4), QString());
    EXPECT_EQ(get(f, "DAO", "MISSING", "abcdef", 4), QStringLiteral("abc"));
}

TEST(ProfileWrite, ChangesOnlyItsOwnLine)
{
    struct Case {
        const char* what;
        QByteArray before;     // "<none>": no file
        const char* value;
        QByteArray after;
    };
    const Case cases[] = {
        {"new file", "<none>", "DAO.DBEngine.35", "[DAO]\nCLASS=DAO.DBEngine.35\n"},
        {"replace in place, CRLF and comments kept",
         "; settings\r\n[Other]\r\nA = 1\r\n\r\n[dao]\r\n  Class = old ; x\r\nNEXT=2\r\n",
         "new", "; settings\r\n[Other]\r\nA = 1\r\n\r\n[dao]\r\nClass=new\r\nNEXT=2\r\n"},
        {"key added after the last key of its section",
         "[DAO]\nOTHER=1\n\n[B]\nX=1\n", "v", "[DAO]\nOTHER=1\nCLASS=v\n\n[B]\nX=1\n"},
        {"section appended", "[A]\r\nX=1\r\n", "v", "[A]\r\nX=1\r\n\r\n[DAO]\r\nCLASS=v\r\n"},
        {"last line without end", "[A]\nX=1", "v", "[A]\nX=1\n\n[DAO]\nCLASS=v\n"},
        {"empty value written as is", "[DAO]\nCLASS=x\n", "", "[DAO]\nCLASS=\n"},
        {"value kept unchanged", "[DAO]\nCLASS=x\n", "  a b  ", "[DAO]\nCLASS=  a b  \n"},
        {"bytes of other lines kept", QByteArray("[X]\nK=\xff\xfe\n[DAO]\nCLASS=1\n"), "2",
         QByteArray("[X]\nK=\xff\xfe\n[DAO]\nCLASS=2\n")},
        {"empty file", "", "v", "[DAO]\nCLASS=v\n"},
        {"section at end without keys", "[DAO]", "v", "[DAO]\nCLASS=v\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFile f;
        if (c.before != "<none>")
            f.write(c.before);
        ASSERT_TRUE(profile::writeString(f.path, QStringLiteral("DAO"), QStringLiteral("CLASS"), QString::fromUtf8(c.value)));
        EXPECT_EQ(f.read(), c.after);
        EXPECT_EQ(get(f, "DAO", "CLASS"), QString::fromUtf8(c.value).trimmed());
        // Replaced atomically: nothing else is left in the folder.
        EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kelvro.ini"});
    }
}

TEST(ProfileWrite, Cp932FileStaysCp932)
{
    TempFile f;
    bool ok = false;
    const QByteArray other = textcodec::encodeCp932(QStringLiteral("[注記]\r\n説明=表\r\n"), &ok);
    ASSERT_TRUE(ok);
    f.write(other);
    ASSERT_TRUE(profile::writeString(f.path, QStringLiteral("DAO"), QStringLiteral("CLASS"), QStringLiteral("ソ")));
    EXPECT_EQ(f.read(), other + "\r\n[DAO]\r\nCLASS=" + textcodec::encodeCp932(QStringLiteral("ソ"), &ok) + "\r\n");
    EXPECT_EQ(get(f, "DAO", "CLASS"), QStringLiteral("ソ"));
}

TEST(ProfileWrite, FailuresLeaveTheFileAlone)
{
    QTemporaryDir dir;
    // No such folder.
    EXPECT_FALSE(profile::writeString(dir.path() + "/no/such/kelvro.ini", "DAO", "CLASS", "x"));
    // A folder in the file's place.
    const QString folder = dir.path() + "/kelvro.ini";
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(profile::writeString(folder, "DAO", "CLASS", "x"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(profile::getString(folder, "DAO", "CLASS", "d"), QStringLiteral("d"));
    EXPECT_EQ(profile::writeErrorText("/x/kelvro.ini"), QStringLiteral("/x/kelvro.ini に書き込めません"));
}

TEST(TextCodec, ReadsWindowsJapaneseAsCp932)
{
    // 0x5C as the second byte of a character, NEC and IBM extensions: CP932, not strict Shift-JIS.
    const QByteArray bytes("\x95\x5c\x83\x5c\x87\x40\xfb\xfc", 8);
    const textcodec::Decoded d = textcodec::decode(bytes);
    EXPECT_TRUE(d.cp932);
    EXPECT_FALSE(d.lossy);
    EXPECT_EQ(d.text, QStringLiteral("表ソ①髙"));
    EXPECT_FALSE(textcodec::decode("plain").cp932);
    EXPECT_TRUE(textcodec::decode(QByteArray("\x81", 1)).lossy);
}
