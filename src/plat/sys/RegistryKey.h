#pragma once
// The program's settings seen as a registry key: named string values under one key. The user's
// key is an INI file in the XDG config folder; the file existing is the key existing.

#include "plat/rt/Errors.h"

#include <QString>

#include <memory>

class QSettings;

namespace zov::sys {

// A value of the wrong type, or a value that could not be read or written.
class RegistryError : public rt::Error {
public:
    explicit RegistryError(const std::string& message, std::uintptr_t where = rt::CallerAddress())
        : rt::Error(message, where)
    {
    }
};

class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // Opens the key with full access; CanCreate makes a missing key. False when it cannot be opened.
    virtual bool OpenKey(bool canCreate) = 0;
    virtual void CloseKey() = 0;
    // The string value Name; a missing value or one without data reads as empty. A value that
    // holds something other than a string raises RegistryError.
    virtual QString ReadString(const QString& name) = 0;
    // Writes Name := Value at once; RegistryError when it cannot be written. A value that
    // already holds Value may be left as it is.
    virtual void WriteString(const QString& name, const QString& value) = 0;
};

// A key kept in an INI file, values in its [General] group.
class IniRegistryKey final : public RegistryKey {
public:
    explicit IniRegistryKey(QString filePath);
    ~IniRegistryKey() override;

    // The user's settings key: "<XDG config>/ZOV/ZOV.ini".
    static QString UserSettingsPath();

    bool OpenKey(bool canCreate) override;
    void CloseKey() override;
    QString ReadString(const QString& name) override;
    void WriteString(const QString& name, const QString& value) override;

    const QString& filePath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};

} // namespace zov::sys
