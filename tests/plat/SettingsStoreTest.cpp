#include "plat/sys/FileAssociation.h"
#include "plat/sys/RegistryKey.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zov::sys;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

TEST(IniRegistryKey, KeyIsTheFileAndOnlyCreatingOpensMakeIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cfg/ZOV/ZOV.ini");
    IniRegistryKey key(path);
    EXPECT_FALSE(key.OpenKey(false));
    EXPECT_FALSE(QFile::exists(path));

    ASSERT_TRUE(key.OpenKey(true));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(key.ReadString("Email"), QString()); // missing value reads empty
    key.WriteString("Email", "a@b.org");
    key.WriteString("File1", "/home/u/a, b/race"); // a comma must not turn it into a list
    key.WriteString("File2", "@odd");
    key.CloseKey();

    IniRegistryKey again(path);
    ASSERT_TRUE(again.OpenKey(false));
    EXPECT_EQ(again.ReadString("Email"), QStringLiteral("a@b.org"));
    EXPECT_EQ(again.ReadString("File1"), QStringLiteral("/home/u/a, b/race"));
    EXPECT_EQ(again.ReadString("File2"), QStringLiteral("@odd"));
}

// The recent files are written back at every exit, mostly as they were read.
TEST(IniRegistryKey, AValueWrittenAsItStandsLeavesTheFileAlone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ZOV.ini");
    {
        IniRegistryKey key(path);
        ASSERT_TRUE(key.OpenKey(true));
        key.WriteString("File1", "/home/u/race");
        key.WriteString("File2", "");
    }
    const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    auto setLongAgo = [&] {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    };
    setLongAgo();
    const QByteArray before = readFile(path);

    IniRegistryKey key(path);
    ASSERT_TRUE(key.OpenKey(false));
    key.WriteString("File1", "/home/u/race");
    key.WriteString("File2", "");
    key.CloseKey();
    EXPECT_EQ(QFileInfo(path).lastModified().toUTC(), longAgo);
    EXPECT_EQ(readFile(path), before);

    // A value that changes, or one not there yet, is written.
    ASSERT_TRUE(key.OpenKey(false));
    key.WriteString("File1", "/home/u/other");
    key.CloseKey();
    EXPECT_NE(QFileInfo(path).lastModified().toUTC(), longAgo);
    setLongAgo();
    ASSERT_TRUE(key.OpenKey(false));
    key.WriteString("File3", "");
    key.CloseKey();
    EXPECT_NE(QFileInfo(path).lastModified().toUTC(), longAgo);
    IniRegistryKey again(path);
    ASSERT_TRUE(again.OpenKey(false));
    EXPECT_EQ(again.ReadString("File1"), QStringLiteral("/home/u/other"));
    EXPECT_EQ(again.ReadString("File2"), QString());
    EXPECT_TRUE(readFile(path).contains("File3="));
}

TEST(IniRegistryKey, ValuesThatAreNotStringsRaiseRegistryErrors)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ZOV.ini");
    writeFile(path,
        "[General]\nEmail=\nFile1=plain 12\nFile2=a, b\nFile3=@ByteArray(xyz)\nFile4=@Point(1 2)\n");
    IniRegistryKey key(path);
    ASSERT_TRUE(key.OpenKey(false));
    EXPECT_EQ(key.ReadString("Email"), QString());
    EXPECT_EQ(key.ReadString("File1"), QStringLiteral("plain 12"));
    EXPECT_THROW(key.ReadString("File2"), RegistryError);
    EXPECT_THROW(key.ReadString("File3"), RegistryError);
    EXPECT_THROW(key.ReadString("File4"), RegistryError);
}

TEST(DesktopEntryText, EscapingRoundTripsAndExecArgumentsAreQuoted)
{
    const QString odd = QStringLiteral(" lead\\back\nline\ttab");
    EXPECT_EQ(EscapeDesktopValue(odd), QStringLiteral("\\slead\\\\back\\nline\\ttab"));
    EXPECT_EQ(UnescapeDesktopValue(EscapeDesktopValue(odd)), odd);
    EXPECT_EQ(QuoteExecArgument(QStringLiteral("/opt/My Apps/zovaran")), QStringLiteral("\"/opt/My Apps/zovaran\""));
    EXPECT_EQ(QuoteExecArgument(QStringLiteral("/a\"b`c$d\\e%f")), QStringLiteral("\"/a\\\"b\\`c\\$d\\\\e%%f\""));
}

TEST(XdgAssociationStore, WritesDesktopEntryMimePackageAndDefaultKeepingOtherDefaults)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("data");
    const QString config = dir.filePath("config");
    writeFile(config + "/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop;\n\n[Added Associations]\nimage/png=viewer.desktop;\n");
    int refreshes = 0;
    XdgAssociationStore store(data, config, [&](const QString& home) {
        EXPECT_EQ(home, data);
        ++refreshes;
    });

    for (const QString& key : { AssociationTypeKey, AssociationIconKey, AssociationCommandKey, AssociationExtensionKey }) {
        ASSERT_TRUE(store.OpenKey(key)) << key.toStdString();
        EXPECT_EQ(store.ReadDefault(key), QString()) << key.toStdString();
    }
    EXPECT_FALSE(store.OpenKey("\\Other"));

    store.WriteDefault(AssociationTypeKey, "Zovaran");
    store.WriteDefault(AssociationIconKey, "/opt/z/zovaran.png");
    store.WriteDefault(AssociationCommandKey, "\"/opt/z\\\\w/zovaran\" %f");
    store.WriteDefault(AssociationExtensionKey, "ZOV");
    EXPECT_THROW(store.WriteDefault(AssociationExtensionKey, "OTHER"), RegistryError);
    store.Close();
    store.Close();
    EXPECT_EQ(refreshes, 1);

    XdgAssociationStore reread(data, config);
    EXPECT_EQ(reread.ReadDefault(AssociationTypeKey), QStringLiteral("Zovaran"));
    EXPECT_EQ(reread.ReadDefault(AssociationIconKey), QStringLiteral("/opt/z/zovaran.png"));
    EXPECT_EQ(reread.ReadDefault(AssociationCommandKey), QStringLiteral("\"/opt/z\\\\w/zovaran\" %f"));
    EXPECT_EQ(reread.ReadDefault(AssociationExtensionKey), QStringLiteral("ZOV"));

    const QString desktop = QString::fromUtf8(readFile(reread.desktopFilePath()));
    EXPECT_TRUE(desktop.startsWith("[Desktop Entry]\n")) << desktop.toStdString();
    EXPECT_TRUE(desktop.contains("\nType=Application\n"));
    EXPECT_TRUE(desktop.contains("\nMimeType=application/x-zov;\n"));
    EXPECT_TRUE(desktop.contains("\nExec=\"/opt/z\\\\\\\\w/zovaran\" %f\n")) << desktop.toStdString();
    EXPECT_TRUE(readFile(reread.mimePackagePath()).contains("<glob pattern=\"*.zov\"/>"));
    const QString apps = QString::fromUtf8(readFile(reread.mimeAppsListPath()));
    EXPECT_TRUE(apps.contains("text/plain=editor.desktop;")) << apps.toStdString();
    EXPECT_TRUE(apps.contains("[Added Associations]\nimage/png=viewer.desktop;"));
    EXPECT_TRUE(apps.contains("[Default Applications]\ntext/plain=editor.desktop;\napplication/x-zov=zovaran.desktop;\n"))
        << apps.toStdString();

    // Another program made default: the extension no longer reads as ours.
    writeFile(reread.mimeAppsListPath(), "[Default Applications]\napplication/x-zov=other.desktop;\n");
    EXPECT_EQ(reread.ReadDefault(AssociationExtensionKey), QString());
}
