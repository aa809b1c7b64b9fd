#include "plat/io/BinaryStream.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace io {

FormatError::FormatError(Kind kind, std::size_t offset, const std::string& detail, std::uintptr_t where)
    : rt::Error(detail + " at byte " + std::to_string(offset), where)
    , m_kind(kind)
    , m_offset(offset)
    , m_detail(detail)
{
}

void BinaryReader::fail(FormatError::Kind kind, const std::string& detail, std::uintptr_t where) const
{
    throw FormatError(kind, m_pos, detail, where);
}

const std::uint8_t* BinaryReader::take(std::size_t n)
{
    if (n > remaining())
        fail(FormatError::Kind::Truncated,
            "the data ends early (" + std::to_string(n) + " bytes needed, " + std::to_string(remaining()) + " left)");
    const std::uint8_t* p = m_data.data() + m_pos;
    m_pos += n;
    return p;
}

void BinaryReader::seek(std::size_t pos)
{
    if (pos > m_data.size())
        fail(FormatError::Kind::Truncated, "position " + std::to_string(pos) + " is past the end of the data");
    m_pos = pos;
}

std::uint8_t BinaryReader::readU8()
{
    return *take(1);
}

std::uint16_t BinaryReader::readU16()
{
    const std::uint8_t* p = take(2);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::int16_t BinaryReader::readI16()
{
    return static_cast<std::int16_t>(readU16());
}

std::uint32_t BinaryReader::readU32()
{
    const std::uint8_t* p = take(4);
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

std::int32_t BinaryReader::readI32()
{
    return static_cast<std::int32_t>(readU32());
}

float BinaryReader::readF32()
{
    return std::bit_cast<float>(readU32());
}

float BinaryReader::readFiniteF32()
{
    const float v = readF32();
    if (!std::isfinite(v)) {
        m_pos -= 4;
        fail(FormatError::Kind::Corrupt, "a number that is not finite");
    }
    return v;
}

Bytes BinaryReader::readBytes(std::size_t n)
{
    const std::uint8_t* p = take(n);
    return Bytes(p, n);
}

void BinaryReader::readInto(void* dest, std::size_t n)
{
    const std::uint8_t* p = take(n);
    if (n)
        std::memcpy(dest, p, n);
}

void BinaryWriter::writeU16(std::uint16_t v)
{
    const std::uint8_t b[2] = { static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8) };
    writeBytes(b, 2);
}

void BinaryWriter::writeU32(std::uint32_t v)
{
    const std::uint8_t b[4] = { static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
        static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24) };
    writeBytes(b, 4);
}

void BinaryWriter::writeF32(float v)
{
    writeU32(std::bit_cast<std::uint32_t>(v));
}

void BinaryWriter::writeBytes(Bytes bytes)
{
    writeBytes(bytes.data(), bytes.size());
}

void BinaryWriter::reserve(std::size_t n)
{
    if (n > m_data.size())
        m_data.resize(n);
}

std::vector<std::uint8_t> BinaryWriter::take()
{
    m_data.resize(m_size);
    m_size = 0;
    return std::move(m_data);
}

void BinaryWriter::writeBytes(const void* data, std::size_t n)
{
    if (n == 0)
        return;
    if (m_data.size() - m_size < n)
        m_data.resize(std::max(m_size + n, 2 * m_data.size() + 256));
    std::memcpy(m_data.data() + m_size, data, n);
    m_size += n;
}

} // namespace io
