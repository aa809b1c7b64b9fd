#pragma once
// Path and command-line helpers of the program. Paths are split at "/" and at "\" alike, so a
// name written with either separator (in the settings, on the command line) works.

#include <QString>
#include <QStringList>

namespace zov {

// A display form of Path of at most 40 characters where the path allows it: the part up to the
// first separator stays, the following folders are dropped from the left and replaced by "...",
// and the last component is never cut (so the result can stay longer than 40 characters).
QString ShortenPath(const QString& path);

// Name without its extension: cut at the last "." when no separator or ":" follows it.
QString RemoveExtension(const QString& name);

// True for the "debug" switch: "-debug" or "/debug", any case, nothing more.
bool IsDebugSwitch(const QString& argument);
// True when Argument is a switch rather than a file: it starts with "-", or it is "/" followed by
// a switch word. Absolute Linux paths ("/home/...") are files.
bool IsSwitch(const QString& argument);
// True when some parameter, at any position, is the debug switch.
bool HasDebugSwitch(const QStringList& parameters);

} // namespace zov
