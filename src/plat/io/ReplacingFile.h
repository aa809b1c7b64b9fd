#pragma once
// A file that replaces its target only once it is complete. It is written under a temporary name
// beside the target, flushed to the disk and then renamed over it: a failure at any point (a full
// disk, a value that cannot be written) leaves the former file as it was and removes the
// temporary one. Every failure keeps the system's own reason ("No space left on device").

#include <cstddef>
#include <string>

namespace io {

class ReplacingFile {
public:
    // Creates the temporary file for Path; when that fails, isOpen() is false and error() says why.
    explicit ReplacingFile(const std::string& path);
    // Without a commit the temporary file is removed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // The file that will be replaced (a link is followed to the file it names).
    const std::string& path() const { return m_target; }
    // The system's reason for the first failure; empty while all goes well.
    const std::string& error() const { return m_error; }

    // Writes all of Data; false when the system refused (the file is then abandoned).
    bool write(const void* data, std::size_t size);
    // Flushes the file to the disk and puts it in place; false when any of it failed.
    bool commit();
    // Abandons the file; the target stays as it was.
    void cancel();

private:
    bool failed(int code);

    std::string m_target;
    std::string m_temporary;
    std::string m_error;
    int m_fd = -1;
};

} // namespace io
