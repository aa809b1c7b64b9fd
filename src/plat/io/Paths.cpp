#include "plat/io/Paths.h"

namespace zov {

namespace {

constexpr int ShortPathLength = 40;

bool isSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

int firstSeparator(const QString& s, int from = 0)
{
    for (int i = from; i < s.size(); ++i) {
        if (isSeparator(s[i]))
            return i;
    }
    return -1;
}

} // namespace

QString ShortenPath(const QString& path)
{
    QString result = path;
    if (result.size() <= ShortPathLength)
        return result;
    const int first = firstSeparator(path);
    if (first < 0)
        return path;
    // The elision mark takes the separator the head ends with, so "C:\a\b" keeps its backslashes.
    const QString head = path.left(first + 1);
    const QString mark = QStringLiteral("...") + path[first];
    // The tail is never cut to a length: cutting it would show (and let tabs match) a different file.
    QString rest = path.mid(first + 1);
    for (;;) {
        const int next = firstSeparator(rest);
        if (next < 0)
            return result;
        rest = rest.mid(next + 1);
        result = head + mark + rest;
        if (result.size() <= ShortPathLength)
            return result;
    }
}

QString RemoveExtension(const QString& name)
{
    for (int i = name.size() - 1; i >= 0; --i) {
        const QChar c = name[i];
        if (c == u'.')
            return name.left(i);
        if (c == u':' || isSeparator(c))
            return name;
    }
    return name;
}

bool IsDebugSwitch(const QString& argument)
{
    if (argument.size() != 6 || (argument[0] != u'-' && argument[0] != u'/'))
        return false;
    return argument.mid(1).compare(QLatin1String("debug"), Qt::CaseInsensitive) == 0;
}

bool IsSwitch(const QString& argument)
{
    return argument.startsWith(u'-') || IsDebugSwitch(argument);
}

bool HasDebugSwitch(const QStringList& parameters)
{
    for (const QString& p : parameters) {
        if (IsDebugSwitch(p))
            return true;
    }
    return false;
}

} // namespace zov
