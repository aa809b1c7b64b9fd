#include "FakeDialogHost.h"

#include "diagram/Diagram.h"
#include "plat/rt/Cp1252.h"
#include "plat/sys/FileAssociation.h"
#include "plat/sys/RegistryKey.h"
#include "shell/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zov;

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A key whose opening or writing can be made to fail, as a read-only or missing settings file would.
class FaultyKey : public sys::RegistryKey {
public:
    bool OpenKey(bool) override { return canOpen; }
    void CloseKey() override { }
    QString ReadString(const QString& name) override { return values.value(name); }
    void WriteString(const QString& name, const QString& value) override
    {
        if (failWrites)
            throw sys::RegistryError("write refused");
        values[name] = value;
    }
    bool canOpen = true;
    bool failWrites = false;
    QMap<QString, QString> values;
};

// Passes calls on to a real store, remembering them and failing where asked.
class RecordingStore : public sys::AssociationStore {
public:
    explicit RecordingStore(sys::AssociationStore& inner) : m_inner(inner) { }
    bool OpenKey(const QString& key) override
    {
        opened << key;
        return key != failOpen && m_inner.OpenKey(key);
    }
    QString ReadDefault(const QString& key) override
    {
        if (key == failRead)
            throw sys::RegistryError("read refused");
        return m_inner.ReadDefault(key);
    }
    void WriteDefault(const QString& key, const QString& value) override
    {
        written << key;
        m_inner.WriteDefault(key, value);
    }
    void Close() override { m_inner.Close(); }
    QStringList opened;
    QStringList written;
    QString failOpen;
    QString failRead;

private:
    sys::AssociationStore& m_inner;
};

class SettingsFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScopedEnv config { "XDG_CONFIG_HOME", dir.filePath("config").toUtf8() };
    FakeDialogHost host;

    QString iniPath() const { return dir.filePath("config/ZOV/ZOV.ini"); }

    void TearDown() override
    {
        RecentFiles = {};
        DefaultEmail.clear();
    }
};

} // namespace

TEST_F(SettingsFixture, FirstStartCreatesTheKeyAndValuesRoundTripThroughProcessEnd)
{
    ASSERT_EQ(sys::IniRegistryKey::UserSettingsPath(), iniPath());
    DefaultEmail = "stale";
    RecentFiles[0] = QStringLiteral("stale");
    // Writers never create the key.
    EXPECT_FALSE(SaveEmail(QStringLiteral("x@y.z")));
    EXPECT_FALSE(SaveRecentFiles());
    EXPECT_FALSE(QFile::exists(iniPath()));

    LoadSettings();
    EXPECT_TRUE(QFile::exists(iniPath()));
    EXPECT_EQ(DefaultEmail, "");
    for (const QString& f : RecentFiles)
        EXPECT_TRUE(f.isEmpty());

    EXPECT_TRUE(SaveEmail(QStringLiteral(" \t\x01sailor@club.org \r\n")));
    EXPECT_EQ(DefaultEmail, ""); // the running program keeps its address until the next start
    RecentFiles = { QStringLiteral("/home/u/a"), QStringLiteral("/home/u/b c/d"), QString(), QString(), QString() };
    EXPECT_TRUE(SaveRecentFiles());

    RecentFiles = {};
    LoadSettings();
    EXPECT_EQ(DefaultEmail, "sailor@club.org");
    EXPECT_EQ(RecentFiles[0], QStringLiteral("/home/u/a"));
    EXPECT_EQ(RecentFiles[1], QStringLiteral("/home/u/b c/d"));
    EXPECT_TRUE(RecentFiles[2].isEmpty());
}

TEST_F(SettingsFixture, TheEmailIsReadInTheDiagramsCodePage)
{
    LoadSettings();
    ASSERT_TRUE(SaveEmail(QStringLiteral("skipper\u20AC@club.org"))); // the euro sign: not in Latin-1
    LoadSettings();
    EXPECT_EQ(DefaultEmail, "skipper\x80@club.org");
    // A new diagram carries it, and shows it back as typed.
    TDiagram d;
    d.NewEmpty();
    EXPECT_EQ(rt::FromCp1252(FieldText(d.FEmail)), QStringLiteral("skipper\u20AC@club.org"));
}

TEST_F(SettingsFixture, AWrongTypedValueIsSkippedAloneAndGapsCloseUp)
{
    writeFile(iniPath(),
        "[General]\nEmail=me@sea.org\nFile1=/r/one\nFile2=/r/two\nFile3=@Point(1 2)\n"
        "File4=\nFile5=/r/five\n");
    LoadSettings();
    EXPECT_EQ(DefaultEmail, "me@sea.org");
    // File1 and File2 survive the number in File3, and File5 moves up past the empty entries.
    EXPECT_EQ(RecentFiles[0], QStringLiteral("/r/one"));
    EXPECT_EQ(RecentFiles[1], QStringLiteral("/r/two"));
    EXPECT_EQ(RecentFiles[2], QStringLiteral("/r/five"));
    EXPECT_TRUE(RecentFiles[3].isEmpty());
    EXPECT_TRUE(RecentFiles[4].isEmpty());

    // Written back at process end, the valid files are still there for the next start.
    ASSERT_TRUE(SaveRecentFiles());
    RecentFiles = {};
    LoadSettings();
    EXPECT_EQ(RecentFiles[0], QStringLiteral("/r/one"));
    EXPECT_EQ(RecentFiles[2], QStringLiteral("/r/five"));
    EXPECT_TRUE(host.texts.isEmpty());
}

TEST_F(SettingsFixture, KeysThatCannotBeOpenedOrWrittenFailQuietly)
{
    FaultyKey key;
    key.canOpen = false;
    key.values["Email"] = "ignored@x.y";
    DefaultEmail = "old";
    LoadSettings(key);
    EXPECT_EQ(DefaultEmail, "");
    EXPECT_FALSE(SaveEmail(key, "a@b.c"));
    EXPECT_FALSE(SaveRecentFiles(key));

    key.canOpen = true;
    key.failWrites = true;
    EXPECT_FALSE(SaveEmail(key, "a@b.c"));
    EXPECT_FALSE(SaveRecentFiles(key));
    key.failWrites = false;
    EXPECT_TRUE(SaveEmail(key, "a@b.c"));
    EXPECT_EQ(key.values["Email"], QStringLiteral("a@b.c"));
    EXPECT_TRUE(host.texts.isEmpty());
}

TEST_F(SettingsFixture, FileTypeIsWrittenOnceQuotedAndRewrittenOnlyWhereItDiffers)
{
    sys::XdgAssociationStore xdg(dir.filePath("data"), dir.filePath("config"));
    const QString program = QStringLiteral("/opt/Sail Apps/zovaran");
    {
        RecordingStore store(xdg);
        RegisterFileType(store, program);
        EXPECT_EQ(store.opened, QStringList({ sys::AssociationTypeKey, sys::AssociationIconKey,
                                    sys::AssociationCommandKey, sys::AssociationExtensionKey }));
        EXPECT_EQ(store.written, store.opened);
    }
    EXPECT_EQ(xdg.ReadDefault(sys::AssociationCommandKey), QStringLiteral("\"/opt/Sail Apps/zovaran\" %f"));
    EXPECT_EQ(xdg.ReadDefault(sys::AssociationTypeKey), QStringLiteral("Zovaran"));
    EXPECT_EQ(xdg.ReadDefault(sys::AssociationIconKey), QStringLiteral("/opt/Sail Apps/zovaran.png"));
    EXPECT_EQ(xdg.ReadDefault(sys::AssociationExtensionKey), QStringLiteral("ZOV"));
    {
        RecordingStore store(xdg);
        RegisterFileType(store, program);
        EXPECT_EQ(store.opened.size(), 4);
        EXPECT_TRUE(store.written.isEmpty());
    }
    {
        // A command left unquoted by an older start, and the program renamed in its folder.
        xdg.WriteDefault(sys::AssociationCommandKey, QStringLiteral("/opt/Sail Apps/zovaran \"%f\""));
        RecordingStore store(xdg);
        RegisterFileType(store, QStringLiteral("/opt/Sail Apps/zovaran2"));
        EXPECT_EQ(store.written, QStringList({ sys::AssociationCommandKey }));
        EXPECT_EQ(xdg.ReadDefault(sys::AssociationCommandKey), QStringLiteral("\"/opt/Sail Apps/zovaran2\" %f"));
    }
    EXPECT_TRUE(host.texts.isEmpty());
}

TEST_F(SettingsFixture, FirstFailingFileTypeKeyShowsTheMessageOnceAndSkipsTheRest)
{
    sys::XdgAssociationStore xdg(dir.filePath("data"), dir.filePath("config"));
    {
        RecordingStore store(xdg);
        store.failOpen = sys::AssociationIconKey;
        RegisterFileType(store, QStringLiteral("/opt/z/zovaran"));
        EXPECT_EQ(store.opened, QStringList({ sys::AssociationTypeKey, sys::AssociationIconKey }));
        EXPECT_EQ(store.written, QStringList({ sys::AssociationTypeKey }));
        EXPECT_EQ(host.texts, QStringList({ QStringLiteral("Execute ZOV as Administrator to complete installation") }));
        EXPECT_EQ(host.captions, QStringList({ QStringLiteral("Zovaran") }));
    }
    {
        // A read that fails counts as a failure too, even where nothing would be written.
        RecordingStore store(xdg);
        store.failRead = sys::AssociationTypeKey;
        RegisterFileType(store, QStringLiteral("/opt/z/zovaran"));
        EXPECT_EQ(store.opened, QStringList({ sys::AssociationTypeKey }));
        EXPECT_EQ(host.texts.size(), 2);
    }
}
