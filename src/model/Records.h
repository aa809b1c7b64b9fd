#pragma once
// The object records of the diagram file: how each object is read from its record (every file
// version from 1 to 10) and written (version 10 only), the tree framing of the writer, and the
// XML elements of an object. The file around the records is diagram/DiagramFile.

#include "model/Objet.h"
#include "plat/io/BinaryStream.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zov {

class DiagramLink;

// Marker words between the records of the object tree.
enum TreeMarker : std::uint16_t {
    mkSibling = 0,    // the record of the object's sibling follows
    mkSiblingEnd = 1, // the sibling's subtree is complete
    mkNext = 2,       // the record of the object's next step follows
    mkNextEnd = 3,    // the next step's subtree is complete
    mkEnd = 4,        // end of the tree
};

// Where a record is being read.
struct LoadContext {
    // The diagram being read: racing boats are numbered from its FBoatCount, and it learns its
    // first mark and its committee boat. None: boats get number 0 and nothing is registered.
    DiagramLink* diagram = nullptr;
    // The object this record is a later position of (the reader's cursor when the record is a
    // next step or a further next step), or none. A racing boat read there keeps that boat's
    // number.
    const TObjet* previousStep = nullptr;
};

// Whether Kind (a kind word of the file) names a class: 0 and 3 to 18, high byte clear.
bool IsKnownKind(std::uint16_t kind);

// The stream constructor: the object of Kind (the kind word just read) built from the rest of
// its record, for the file version in FileVersion. Null for a kind that names no class.
// Raises io::FormatError: Truncated when the data ends inside the record, Corrupt for values no
// writer produces (NaN, negative text length, colour word with its top bit set from version 9,
// a picture that is damaged or too large), NotCompatible for a picture type other than 1 to 4;
// rt::RangeError for a value that does not fit its field (a mark type above 255, a 32768th boat).
std::unique_ptr<TObjet> LoadObject(std::uint16_t kind, io::BinaryReader& s, const LoadContext& ctx);

// Writes Obj's record, then its sibling's subtree between markers 0 and 1, then its next
// step's subtree between markers 2 and 3. Walks with its own stack, so the nesting of the
// top-level chain costs no call depth. A record that cannot be written raises rt::Error naming
// the object (kind, position, step); links that loop back raise rt::AssertionFailure.
void SaveTree(TObjet& obj, io::BinaryWriter& s);

// The track values of a record (eleven f32, the two angles stored as 90 - angle).
std::unique_ptr<TCourbe> LoadCourbe(io::BinaryReader& s);
void SaveCourbe(const TCourbe& courbe, io::BinaryWriter& s);

// One XML line: 9 blanks, <Name>Value</Name>, CR LF.
void WriteXMLElement(io::TextFile& f, std::string_view name, std::int64_t value);

// Colours are COLORREF in the file (0x00BBGGRR) and opaque ARGB in memory.
constexpr std::uint32_t ColorRefToArgb(std::uint32_t c)
{
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr std::uint32_t ArgbToColorRef(std::uint32_t argb)
{
    return ((argb >> 16) & 0xFFu) | (argb & 0xFF00u) | ((argb & 0xFFu) << 16);
}

// The class name the trace shows ("TBateauCourse", ...).
std::string ClassNameOf(const TObjet& obj);

// The reserved block of the text records, never interpreted: the one most recently read in
// this process, written into every text record (zeros until one was read).
extern std::array<std::uint8_t, 45> TextReservedBlock;

} // namespace zov
