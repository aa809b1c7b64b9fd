#include "plat/io/Paths.h"

#include <gtest/gtest.h>

using zov::RemoveExtension;
using zov::ShortenPath;

TEST(ShortenPath, DropsFoldersFromTheLeftButKeepsHeadAndLastComponent)
{
    const QString windows = QStringLiteral("C:\\Documents and Settings\\Sailor\\My Documents\\Races\\start");
    ASSERT_EQ(windows.size(), 57);
    EXPECT_EQ(ShortenPath(windows), QStringLiteral("C:\\...\\Sailor\\My Documents\\Races\\start"));
    EXPECT_EQ(ShortenPath(windows).size(), 38);

    // Short enough: unchanged; one separator only: nothing to drop.
    EXPECT_EQ(ShortenPath(QStringLiteral("C:\\a\\b")), QStringLiteral("C:\\a\\b"));
    const QString single = QStringLiteral("C:\\") + QString(45, u'x');
    EXPECT_EQ(ShortenPath(single), single);
    const QString noSeparator(50, u'y');
    EXPECT_EQ(ShortenPath(noSeparator), noSeparator);

    // A last component longer than 40 characters is kept whole after the head and the mark.
    const QString longName(50, u'n');
    EXPECT_EQ(ShortenPath(QStringLiteral("C:\\one\\two\\") + longName), QStringLiteral("C:\\...\\") + longName);

    // Linux paths: the head is the root, the mark takes "/".
    EXPECT_EQ(ShortenPath(QStringLiteral("/home/sailor/Documents/regattas/2024/spring/start")),
        QStringLiteral("/.../regattas/2024/spring/start"));

    // A tail past 255 characters is not cut: the shortened form still names the same file.
    const QString deep = QStringLiteral("/home/") + QString(300, u'd') + QStringLiteral("/race");
    EXPECT_EQ(ShortenPath(deep), QStringLiteral("/.../race"));
}

TEST(RemoveExtension, CutsOnlyAnExtensionOfTheLastComponent)
{
    EXPECT_EQ(RemoveExtension(QStringLiteral("C:\\a.b\\c")), QStringLiteral("C:\\a.b\\c"));
    EXPECT_EQ(RemoveExtension(QStringLiteral("x.zov")), QStringLiteral("x"));
    EXPECT_EQ(RemoveExtension(QStringLiteral("C:\\a")), QStringLiteral("C:\\a"));
    EXPECT_EQ(RemoveExtension(QStringLiteral(".zov")), QString());
    EXPECT_EQ(RemoveExtension(QStringLiteral("C:x")), QStringLiteral("C:x"));
    // "/" separates too: a dotted folder is not an extension.
    EXPECT_EQ(RemoveExtension(QStringLiteral("/home/a.b/c")), QStringLiteral("/home/a.b/c"));
    EXPECT_EQ(RemoveExtension(QStringLiteral("/home/a.b/race.ZOV")), QStringLiteral("/home/a.b/race"));
    EXPECT_EQ(RemoveExtension(QStringLiteral("/tmp/r.tar.zov")), QStringLiteral("/tmp/r.tar"));
}

TEST(Switches, DebugOnlyWithOnePrefixAndTheExactWord)
{
    for (const char* yes : { "-debug", "/debug", "-DEBUG", "/DeBuG" })
        EXPECT_TRUE(zov::IsDebugSwitch(QString::fromLatin1(yes))) << yes;
    for (const char* no : { "debug", "--debug", "//debug", "-debugx", "/debug/", "-debu", "" })
        EXPECT_FALSE(zov::IsDebugSwitch(QString::fromLatin1(no))) << no;

    EXPECT_TRUE(zov::IsSwitch(QStringLiteral("-x")));
    EXPECT_TRUE(zov::IsSwitch(QStringLiteral("/DEBUG")));
    EXPECT_FALSE(zov::IsSwitch(QStringLiteral("/tmp/r.zov")));
    EXPECT_FALSE(zov::IsSwitch(QStringLiteral("/home/debug")));
    EXPECT_FALSE(zov::IsSwitch(QStringLiteral("race.zov")));

    EXPECT_TRUE(zov::HasDebugSwitch({ QStringLiteral("/tmp/a.zov"), QStringLiteral("-Debug") }));
    EXPECT_FALSE(zov::HasDebugSwitch({ QStringLiteral("debug"), QStringLiteral("/debugging") }));
    EXPECT_FALSE(zov::HasDebugSwitch({}));
}
