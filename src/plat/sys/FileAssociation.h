#pragma once
// Where the program declares its file type, seen as four keys with one default value each:
// the type's name, its icon, its open command and the ".zov" extension that points at the type.
// For the user, on Linux, they live in a desktop entry, a MIME package and the default-application
// list, all under the user's XDG folders, so no administrator rights are needed.

#include <QString>

#include <functional>

namespace zov::sys {

// The keys, in the order the start-up compares and writes them.
inline const QString AssociationTypeKey = QStringLiteral("\\ZOV");
inline const QString AssociationIconKey = QStringLiteral("\\ZOV\\DefaultIcon");
inline const QString AssociationCommandKey = QStringLiteral("\\ZOV\\Shell\\Open\\Command");
inline const QString AssociationExtensionKey = QStringLiteral("\\.zov");

class AssociationStore {
public:
    virtual ~AssociationStore() = default;
    // Opens Key with full access, creating it when missing; false when it cannot.
    virtual bool OpenKey(const QString& key) = 0;
    // Key's default value, empty when it has none; RegistryError when it cannot be read.
    virtual QString ReadDefault(const QString& key) = 0;
    // RegistryError when it cannot be written.
    virtual void WriteDefault(const QString& key, const QString& value) = 0;
    // Ends a session of reads and writes.
    virtual void Close() { }
};

// The per-user XDG declaration:
//   "\ZOV"                     Name= of <data>/applications/zovaran.desktop
//   "\ZOV\DefaultIcon"         Icon= of the same entry
//   "\ZOV\Shell\Open\Command"  Exec= of the same entry (the value as the entry's Exec holds it, unescaped)
//   "\.zov"                    "ZOV" while <data>/mime/packages/x-zov.xml declares application/x-zov for
//                              *.zov and <config>/mimeapps.list makes zovaran.desktop its default
// Files are rewritten whole and atomically, and only when a value changes.
class XdgAssociationStore final : public AssociationStore {
public:
    // Refresh runs once at Close when something was written (the desktop's database updaters); it may
    // be empty, as in tests.
    XdgAssociationStore(QString dataHome, QString configHome,
        std::function<void(const QString& dataHome)> refresh = {});

    static QString UserDataHome();
    static QString UserConfigHome();
    // Runs update-mime-database and update-desktop-database on DataHome, when they are installed.
    static void RefreshDesktopDatabases(const QString& dataHome);

    static constexpr const char* MimeType = "application/x-zov";
    static constexpr const char* DesktopFileName = "zovaran.desktop";

    QString desktopFilePath() const;
    QString mimePackagePath() const;
    QString mimeAppsListPath() const;
    // True once a value has been written since construction.
    bool changed() const { return m_changed; }

    bool OpenKey(const QString& key) override;
    QString ReadDefault(const QString& key) override;
    void WriteDefault(const QString& key, const QString& value) override;
    void Close() override;

private:
    QString m_dataHome;
    QString m_configHome;
    std::function<void(const QString&)> m_refresh;
    bool m_changed = false;
    bool m_refreshPending = false;
};

// Desktop-entry string escaping (\\, \n, \t, \r, \s) of one value.
QString EscapeDesktopValue(const QString& value);
QString UnescapeDesktopValue(const QString& text);
// One argument of a desktop entry's Exec line: quoted, with '"', '`', '$' and '\' escaped and '%' doubled.
QString QuoteExecArgument(const QString& argument);

} // namespace zov::sys
