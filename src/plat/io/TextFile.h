#pragma once
// A text file written with CR LF line ends, as every text the program writes has them. Written
// to a file, the text replaces the former file only once it is complete.

#include <QByteArray>

#include <memory>
#include <string>
#include <string_view>

namespace io {

class ReplacingFile;

class TextFile {
public:
    // Creates Path anew (an existing file is replaced at close). Raises rt::IoError naming the
    // file when it cannot be created.
    explicit TextFile(const std::string& path);
    // Appends to Buffer instead of a file.
    explicit TextFile(std::string& buffer);
    // Without a close, a file being written is dropped and any former file stays as it was.
    ~TextFile();

    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // The bytes as given (8-bit text); raises rt::IoError when they cannot be written.
    void write(std::string_view text);
    // Text, then CR LF.
    void writeLine(std::string_view text = {});
    // Puts the file in place; raises rt::IoError naming the file when that fails.
    void close();

private:
    std::unique_ptr<ReplacingFile> m_file;
    std::string* m_buffer = nullptr;
    std::string m_path;
};

} // namespace io
