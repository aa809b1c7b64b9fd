#include "shell/Settings.h"

#include "diagram/Diagram.h"
#include "plat/sys/FileAssociation.h"
#include "plat/sys/RegistryKey.h"
#include "plat/rt/Cp1252.h"
#include "plat/sys/Trace.h"
#include "plat_ui/DialogHost.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace zov {

std::array<QString, RecentFileCount> RecentFiles;

namespace {

QString emailName()
{
    return QStringLiteral("Email");
}

QString fileName(int index)
{
    return QStringLiteral("File") + QString::number(index + 1);
}

// Header fields hold text in the diagrams' code page; characters beyond it become "?".
std::string toEightBit(const QString& s)
{
    return rt::ToCp1252(s);
}

// Characters at or below the blank go at both ends.
QString trimControls(const QString& s)
{
    qsizetype first = 0;
    qsizetype last = s.size();
    while (first < last && s[first].unicode() <= u' ')
        ++first;
    while (last > first && s[last - 1].unicode() <= u' ')
        --last;
    return s.mid(first, last - first);
}

QString readOrEmpty(sys::RegistryKey& key, const QString& name)
{
    try {
        return key.ReadString(name);
    } catch (const sys::RegistryError& e) {
        // A value of another type is skipped alone: the valid entries around it must survive.
        Trace(std::string("Settings: ") + e.what());
        return {};
    }
}

} // namespace

void LoadSettings(sys::RegistryKey& key)
{
    DefaultEmail.clear();
    RecentFiles = {};
    if (!key.OpenKey(true))
        return;
    DefaultEmail = toEightBit(readOrEmpty(key, emailName()));
    std::array<QString, RecentFileCount> read;
    for (int i = RecentFileCount - 1; i >= 0; --i)
        read[std::size_t(i)] = readOrEmpty(key, fileName(i));
    key.CloseKey();
    // Close up gaps so that menu item k always stands for entry k.
    std::size_t n = 0;
    for (const QString& f : read) {
        if (!f.isEmpty())
            RecentFiles[n++] = f;
    }
}

void LoadSettings()
{
    sys::IniRegistryKey key(sys::IniRegistryKey::UserSettingsPath());
    LoadSettings(key);
}

bool SaveEmail(sys::RegistryKey& key, const QString& value)
{
    if (!key.OpenKey(false))
        return false;
    try {
        key.WriteString(emailName(), trimControls(value));
    } catch (const sys::RegistryError&) {
        key.CloseKey();
        return false;
    }
    key.CloseKey();
    return true;
}

bool SaveEmail(const QString& value)
{
    sys::IniRegistryKey key(sys::IniRegistryKey::UserSettingsPath());
    return SaveEmail(key, value);
}

bool SaveRecentFiles(sys::RegistryKey& key)
{
    if (!key.OpenKey(false))
        return false;
    try {
        for (int i = 0; i < RecentFileCount; ++i)
            key.WriteString(fileName(i), RecentFiles[std::size_t(i)]);
    } catch (const sys::RegistryError&) {
        key.CloseKey();
        return false;
    }
    key.CloseKey();
    return true;
}

bool SaveRecentFiles()
{
    sys::IniRegistryKey key(sys::IniRegistryKey::UserSettingsPath());
    return SaveRecentFiles(key);
}

bool SetRegDefault(sys::AssociationStore& store, const QString& key, const QString& value)
{
    try {
        if (store.OpenKey(key)) {
            if (store.ReadDefault(key) != value)
                store.WriteDefault(key, value);
            return true;
        }
    } catch (const sys::RegistryError& e) {
        Trace(std::string("File type: ") + e.what());
    }
    ui::ShowMessage(AssociationFailedText);
    return false;
}

QString AssociationIconValue(const QString& programPath)
{
    // The program's icon, installed beside it.
    return QFileInfo(programPath).absolutePath() + QStringLiteral("/zovaran.png");
}

QString AssociationCommandValue(const QString& programPath)
{
    // Quoted, so that a path with blanks runs this program and not a prefix of its path.
    return sys::QuoteExecArgument(programPath) + QStringLiteral(" %f");
}

void RegisterFileType(sys::AssociationStore& store, const QString& programPath)
{
    // Values are compared and written whole: a command cut to a length would start nothing.
    const std::pair<QString, QString> rows[] = {
        { sys::AssociationTypeKey, QStringLiteral("Zovaran") },
        { sys::AssociationIconKey, AssociationIconValue(programPath) },
        { sys::AssociationCommandKey, AssociationCommandValue(programPath) },
        { sys::AssociationExtensionKey, QStringLiteral("ZOV") },
    };
    for (const auto& [key, value] : rows) {
        if (!SetRegDefault(store, key, value))
            break;
    }
    store.Close();
}

void RegisterFileType()
{
    sys::XdgAssociationStore store(sys::XdgAssociationStore::UserDataHome(), sys::XdgAssociationStore::UserConfigHome(),
        &sys::XdgAssociationStore::RefreshDesktopDatabases);
    RegisterFileType(store, QCoreApplication::applicationFilePath());
}

} // namespace zov
