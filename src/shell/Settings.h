#pragma once
// The program's persistent settings (the e-mail address and the five most recent files) and the
// declaration of its file type, both rewritten from the start-up.

#include <QString>

#include <array>

namespace zov {

namespace sys {
class AssociationStore;
class RegistryKey;
} // namespace sys

inline constexpr int RecentFileCount = 5;

// The most recent diagram files, each the name under which the diagram was opened or saved,
// without extension; index 0 is the newest, an empty string an empty entry. They reach the
// settings only at process end. (The e-mail address is zov::DefaultEmail, diagram/Diagram.h.)
extern std::array<QString, RecentFileCount> RecentFiles;

// Reads "Email" into DefaultEmail and "File5".."File1" into RecentFiles[4..0], creating the key
// when missing. A key that cannot be opened leaves everything empty. A value that is not a string
// reads as empty and the others are still read; the list is then closed up so no gap stays.
void LoadSettings(sys::RegistryKey& key);
void LoadSettings(); // the user's settings

// Writes "Email" := Value trimmed of blanks and control characters at both ends. The key is not
// created. False when it is missing or the value cannot be written. DefaultEmail is left alone.
bool SaveEmail(sys::RegistryKey& key, const QString& value);
bool SaveEmail(const QString& value);

// Writes "File1".."File5" from RecentFiles[0..4]. The key is not created. False when it is
// missing or a value cannot be written.
bool SaveRecentFiles(sys::RegistryKey& key);
bool SaveRecentFiles();

// Message of a file type that cannot be declared.
inline const QString AssociationFailedText = QStringLiteral("Execute ZOV as Administrator to complete installation");

// Opens Key, creating it, and writes Value as its default value when it differs (exact compare).
// When the key cannot be opened, or reading or writing fails: the message above, false.
bool SetRegDefault(sys::AssociationStore& store, const QString& key, const QString& value);

// The values of the four keys for a program at ProgramPath.
QString AssociationIconValue(const QString& programPath);
QString AssociationCommandValue(const QString& programPath);

// Declares the file type: "\ZOV", "\ZOV\DefaultIcon", "\ZOV\Shell\Open\Command", "\.zov" in that
// order, each written only where it differs; the first failure ends the sequence.
void RegisterFileType(sys::AssociationStore& store, const QString& programPath);
void RegisterFileType(); // this program, in the user's XDG folders

} // namespace zov
