#include "plat/io/TextFile.h"

#include "plat/io/ReplacingFile.h"
#include "plat/rt/Errors.h"

namespace io {

TextFile::TextFile(const std::string& path)
    : m_file(std::make_unique<ReplacingFile>(path))
    , m_path(path)
{
    if (!m_file->isOpen())
        throw rt::IoError("Cannot create " + path + ": " + m_file->error());
}

TextFile::TextFile(std::string& buffer)
    : m_buffer(&buffer)
{
}

TextFile::~TextFile() = default;

void TextFile::write(std::string_view text)
{
    if (m_buffer) {
        m_buffer->append(text);
        return;
    }
    if (!m_file || !m_file->isOpen())
        throw rt::IoError("Cannot write " + m_path + ": the file is closed");
    if (!m_file->write(text.data(), text.size()))
        throw rt::IoError("Cannot write " + m_path + ": " + m_file->error());
}

void TextFile::writeLine(std::string_view text)
{
    write(text);
    write("\r\n");
}

void TextFile::close()
{
    if (!m_file || !m_file->isOpen())
        return;
    if (!m_file->commit())
        throw rt::IoError("Cannot write " + m_path + ": " + m_file->error());
}

} // namespace io
