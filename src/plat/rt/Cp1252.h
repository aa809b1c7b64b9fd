#pragma once
// The 8-bit texts of diagrams (object texts, header fields, font names) are Windows-1252 bytes,
// whatever the machine's locale. These turn them into Qt text and back.

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace rt {

// Text of Windows-1252 BYTES. The five bytes the code page leaves unassigned (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control characters of the same number, so every byte survives a round
// trip. A zero byte is kept as a character.
QString FromCp1252(std::string_view bytes);

// Windows-1252 bytes of TEXT; a character the code page cannot hold becomes '?' (one '?' for a
// character written as a surrogate pair).
std::string ToCp1252(QStringView text);

} // namespace rt
