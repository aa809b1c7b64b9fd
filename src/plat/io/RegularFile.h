#pragma once
// Reading a file the user named. Only a regular file is read: a named pipe, a device or a socket
// with a diagram's name would block the reader until someone writes to it, or never end. The
// check is made before the file is opened, and again on what was opened, which never blocks.

#include <QByteArray>

#include <cstdint>
#include <string>

namespace io {

class RegularFile {
public:
    // Opens Path for reading; when that fails, error() says why in a few words.
    explicit RegularFile(const std::string& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Why the file is not open or the last read failed: "it is a named pipe, not a file", or
    // the system's reason ("No such file or directory"). Empty when all went well.
    const std::string& error() const { return m_error; }

    // The next bytes, at most MaxBytes of them; fewer only at the end of the file. On a failed
    // read error() is set and what was read before it is returned.
    QByteArray read(std::int64_t maxBytes);

private:
    int m_fd = -1;
    std::string m_error;
};

} // namespace io
