#include "plat/sys/RegistryKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace zov::sys {

IniRegistryKey::IniRegistryKey(QString filePath)
    : m_path(std::move(filePath))
{
}

IniRegistryKey::~IniRegistryKey() = default;

QString IniRegistryKey::UserSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/ZOV/ZOV.ini");
}

bool IniRegistryKey::OpenKey(bool canCreate)
{
    CloseKey();
    const QFileInfo info(m_path);
    if (!info.exists()) {
        if (!canCreate)
            return false;
        // QSettings writes nothing for an empty key, so the file is made here: it is the key.
        if (!QDir().mkpath(info.absolutePath()))
            return false;
        QFile file(m_path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
    } else if (!info.isFile() || !info.isReadable() || !info.isWritable()) {
        return false;
    }
    m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    return m_settings->status() != QSettings::AccessError;
}

void IniRegistryKey::CloseKey()
{
    m_settings.reset();
}

QString IniRegistryKey::ReadString(const QString& name)
{
    if (!m_settings)
        throw RegistryError("Settings key not open");
    const QVariant value = m_settings->value(name);
    if (!value.isValid())
        return {};
    // An INI value typed by hand as a list, a byte array or a serialised variant is not a string.
    if (value.typeId() != QMetaType::QString)
        throw RegistryError("Invalid data type for '" + name.toStdString() + "'");
    return value.toString();
}

void IniRegistryKey::WriteString(const QString& name, const QString& value)
{
    if (!m_settings)
        throw RegistryError("Settings key not open");
    // A value that already stands is not written again: every write rewrites the whole file and
    // waits for the disk, and the recent files are written back unchanged at most exits.
    const QVariant stored = m_settings->value(name);
    if (stored.typeId() == QMetaType::QString && stored.toString() == value)
        return;
    m_settings->setValue(name, value);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw RegistryError("Failed to set data for '" + name.toStdString() + "'");
}

} // namespace zov::sys
