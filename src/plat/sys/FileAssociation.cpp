#include "plat/sys/FileAssociation.h"

#include "plat/io/ReplacingFile.h"
#include "plat/sys/RegistryKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace zov::sys {

namespace {

const QString DesktopGroup = QStringLiteral("[Desktop Entry]");
const QString DefaultsGroup = QStringLiteral("[Default Applications]");

const char* const MimePackage = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                                "  <mime-type type=\"application/x-zov\">\n"
                                "    <comment>Zovaran diagram</comment>\n"
                                "    <glob pattern=\"*.zov\"/>\n"
                                "  </mime-type>\n"
                                "</mime-info>\n";

// Lines of a text file; a missing file has none. Unreadable existing files are an error.
QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw RegistryError("Cannot read " + path.toStdString());
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    io::ReplacingFile file(path.toStdString());
    if (!file.write(content.constData(), std::size_t(content.size())) || !file.commit())
        throw RegistryError("Cannot write " + path.toStdString() + ": " + file.error());
}

void writeLines(const QString& path, const QStringList& lines)
{
    writeFile(path, (lines.join(u'\n') + u'\n').toUtf8());
}

// Range [first, end) of the lines of Group's body; first = -1 when the group is missing.
std::pair<int, int> groupRange(const QStringList& lines, const QString& group)
{
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed() != group)
            continue;
        int end = i + 1;
        while (end < lines.size() && !lines[end].trimmed().startsWith(u'['))
            ++end;
        return { i + 1, end };
    }
    return { -1, -1 };
}

int findKey(const QStringList& lines, std::pair<int, int> range, const QString& key)
{
    for (int i = range.first; i >= 0 && i < range.second; ++i) {
        const QString& line = lines[i];
        if (line.trimmed().startsWith(u'#'))
            continue;
        const int eq = line.indexOf(u'=');
        if (eq > 0 && line.left(eq).trimmed() == key)
            return i;
    }
    return -1;
}

// The raw text of Key in Group, or a null string when it is missing.
QString entryText(const QStringList& lines, const QString& group, const QString& key)
{
    const int i = findKey(lines, groupRange(lines, group), key);
    if (i < 0)
        return {};
    const QString& line = lines[i];
    return line.mid(line.indexOf(u'=') + 1).trimmed();
}

void setEntryText(QStringList& lines, const QString& group, const QString& key, const QString& text)
{
    const QString line = key + u'=' + text;
    auto range = groupRange(lines, group);
    if (range.first < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(group);
        lines.append(line);
        return;
    }
    const int i = findKey(lines, range, key);
    if (i >= 0) {
        lines[i] = line;
        return;
    }
    int at = range.second;
    while (at > range.first && lines[at - 1].trimmed().isEmpty())
        --at;
    lines.insert(at, line);
}

QString desktopKeyOf(const QString& key)
{
    if (key == AssociationTypeKey)
        return QStringLiteral("Name");
    if (key == AssociationIconKey)
        return QStringLiteral("Icon");
    if (key == AssociationCommandKey)
        return QStringLiteral("Exec");
    return {};
}

bool canWriteIn(const QString& folder, const QString& file)
{
    if (!QDir().mkpath(folder))
        return false;
    const QFileInfo info(file);
    if (info.exists())
        return info.isFile() && info.isReadable() && info.isWritable();
    return QFileInfo(folder).isWritable();
}

} // namespace

QString EscapeDesktopValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u' ' && i == 0)
            out += QStringLiteral("\\s"); // a leading blank would be trimmed away
        else
            out += c;
    }
    return out;
}

QString UnescapeDesktopValue(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[++i];
        if (n == u's')
            out += u' ';
        else if (n == u'n')
            out += u'\n';
        else if (n == u't')
            out += u'\t';
        else if (n == u'r')
            out += u'\r';
        else if (n == u'\\')
            out += u'\\';
        else {
            out += c;
            out += n;
        }
    }
    return out;
}

QString QuoteExecArgument(const QString& argument)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            out += u'\\';
        if (c == u'%')
            out += u'%';
        out += c;
    }
    out += u'"';
    return out;
}

XdgAssociationStore::XdgAssociationStore(
    QString dataHome, QString configHome, std::function<void(const QString& dataHome)> refresh)
    : m_dataHome(std::move(dataHome))
    , m_configHome(std::move(configHome))
    , m_refresh(std::move(refresh))
{
}

QString XdgAssociationStore::UserDataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString XdgAssociationStore::UserConfigHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

void XdgAssociationStore::RefreshDesktopDatabases(const QString& dataHome)
{
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!mime.isEmpty())
        QProcess::startDetached(mime, { dataHome + QStringLiteral("/mime") });
    const QString desktop = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (!desktop.isEmpty())
        QProcess::startDetached(desktop, { dataHome + QStringLiteral("/applications") });
}

QString XdgAssociationStore::desktopFilePath() const
{
    return m_dataHome + QStringLiteral("/applications/") + QLatin1String(DesktopFileName);
}

QString XdgAssociationStore::mimePackagePath() const
{
    return m_dataHome + QStringLiteral("/mime/packages/x-zov.xml");
}

QString XdgAssociationStore::mimeAppsListPath() const
{
    return m_configHome + QStringLiteral("/mimeapps.list");
}

bool XdgAssociationStore::OpenKey(const QString& key)
{
    if (!desktopKeyOf(key).isEmpty())
        return canWriteIn(m_dataHome + QStringLiteral("/applications"), desktopFilePath());
    if (key == AssociationExtensionKey)
        return canWriteIn(m_dataHome + QStringLiteral("/mime/packages"), mimePackagePath())
            && canWriteIn(m_configHome, mimeAppsListPath());
    return false;
}

QString XdgAssociationStore::ReadDefault(const QString& key)
{
    const QString desktopKey = desktopKeyOf(key);
    if (!desktopKey.isEmpty())
        return UnescapeDesktopValue(entryText(readLines(desktopFilePath()), DesktopGroup, desktopKey));
    if (key != AssociationExtensionKey)
        throw RegistryError("Unknown key " + key.toStdString());
    QFile package(mimePackagePath());
    if (!package.exists())
        return {};
    if (!package.open(QIODevice::ReadOnly))
        throw RegistryError("Cannot read " + mimePackagePath().toStdString());
    if (package.readAll() != QByteArray(MimePackage))
        return {};
    const QString defaults = entryText(readLines(mimeAppsListPath()), DefaultsGroup, QLatin1String(MimeType));
    if (defaults.section(u';', 0, 0).trimmed() != QLatin1String(DesktopFileName))
        return {};
    return QStringLiteral("ZOV");
}

void XdgAssociationStore::WriteDefault(const QString& key, const QString& value)
{
    const QString desktopKey = desktopKeyOf(key);
    if (!desktopKey.isEmpty()) {
        QStringList lines = readLines(desktopFilePath());
        if (lines.isEmpty()) {
            lines = { DesktopGroup, QStringLiteral("Type=Application"), QStringLiteral("MimeType=application/x-zov;"),
                QStringLiteral("Terminal=false"), QStringLiteral("Categories=Graphics;") };
        }
        setEntryText(lines, DesktopGroup, desktopKey, EscapeDesktopValue(value));
        writeLines(desktopFilePath(), lines);
        m_changed = m_refreshPending = true;
        return;
    }
    if (key != AssociationExtensionKey || value != QLatin1String("ZOV"))
        throw RegistryError("Cannot set " + key.toStdString() + " to " + value.toStdString());
    QFile package(mimePackagePath());
    const bool samePackage = package.open(QIODevice::ReadOnly) && package.readAll() == QByteArray(MimePackage);
    package.close();
    if (!samePackage)
        writeFile(mimePackagePath(), QByteArray(MimePackage));
    QStringList lines = readLines(mimeAppsListPath());
    const QString wanted = QLatin1String(DesktopFileName) + u';';
    if (entryText(lines, DefaultsGroup, QLatin1String(MimeType)) != wanted) {
        // The user's other defaults stay as they are.
        setEntryText(lines, DefaultsGroup, QLatin1String(MimeType), wanted);
        writeLines(mimeAppsListPath(), lines);
    }
    m_changed = m_refreshPending = true;
}

void XdgAssociationStore::Close()
{
    if (m_refreshPending && m_refresh)
        m_refresh(m_dataHome);
    m_refreshPending = false;
}

} // namespace zov::sys
