#pragma once
// Little-endian binary data: a reader over bytes held in memory that checks every read against
// the data that is really there, and a writer that assembles bytes in memory. Files are read
// whole and written whole, so a failure never leaves half a file behind.

#include "plat/rt/Errors.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace io {

using Bytes = std::span<const std::uint8_t>;

// Data that ends too early or contradicts its format. Offset is where in the data the reader
// stood; what() reads "<detail> at byte <offset>".
class FormatError : public rt::Error {
public:
    enum class Kind {
        Truncated,     // the data ends before the value being read
        Corrupt,       // a value no writer produces (negative length, NaN, bad picture...)
        NotCompatible, // a value this program does not know (kind code, marker, picture type)
    };

    FormatError(Kind kind, std::size_t offset, const std::string& detail, std::uintptr_t where = rt::CallerAddress());
    Kind kind() const { return m_kind; }
    std::size_t offset() const { return m_offset; }
    const std::string& detail() const { return m_detail; }

private:
    Kind m_kind;
    std::size_t m_offset;
    std::string m_detail;
};

class BinaryReader {
public:
    explicit BinaryReader(Bytes data)
        : m_data(data)
    {
    }

    std::size_t pos() const { return m_pos; }
    std::size_t size() const { return m_data.size(); }
    std::size_t remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos == m_data.size(); }
    Bytes data() const { return m_data; }
    // Moves to Pos; past the end is Truncated.
    void seek(std::size_t pos);

    // Each raises FormatError(Truncated) when fewer bytes remain than the value needs; the
    // position is then unchanged.
    std::uint8_t readU8();
    std::uint16_t readU16();
    std::int16_t readI16();
    std::uint32_t readU32();
    std::int32_t readI32();
    float readF32();
    // Like readF32, but NaN and infinities are Corrupt: no writer stores them.
    float readFiniteF32();
    // The next N bytes (a view into the data).
    Bytes readBytes(std::size_t n);
    void readInto(void* dest, std::size_t n);
    void skip(std::size_t n) { readBytes(n); }

    // Raises FormatError of Kind at the current position, made where this is called.
    [[noreturn]] void fail(
        FormatError::Kind kind, const std::string& detail, std::uintptr_t where = rt::CallerAddress()) const;

private:
    const std::uint8_t* take(std::size_t n);

    Bytes m_data;
    std::size_t m_pos = 0;
};

class BinaryWriter {
public:
    BinaryWriter() = default;

    Bytes data() const { return Bytes(m_data.data(), m_size); }
    // The bytes written; the writer is empty afterwards.
    std::vector<std::uint8_t> take();
    std::size_t size() const { return m_size; }
    void reserve(std::size_t n);

    // The values are stored as given: narrowing is the caller's business (rt::checked).
    void writeU8(std::uint8_t v) { writeBytes(&v, 1); }
    void writeU16(std::uint16_t v);
    void writeI16(std::int16_t v) { writeU16(static_cast<std::uint16_t>(v)); }
    void writeU32(std::uint32_t v);
    void writeI32(std::int32_t v) { writeU32(static_cast<std::uint32_t>(v)); }
    void writeF32(float v);
    void writeBytes(Bytes bytes);
    void writeBytes(const void* data, std::size_t n);

private:
    std::vector<std::uint8_t> m_data; // grown ahead of the bytes written
    std::size_t m_size = 0;
};

} // namespace io
