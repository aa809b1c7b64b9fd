#pragma once
// A file that replaces its target only once it is complete. It is written as a file without a
// name in the target's folder, flushed to the disk and only then given a name and put over the
// target, and the folder is flushed too: a failure at any point (a full disk, a value that cannot
// be written), or the program killed halfway, leaves the former file as it was and nothing beside
// it, and a save that succeeded outlasts a power cut. Where the file system cannot make a file
// without a name, it is written under a temporary name beside the target instead, readable by its
// owner alone until complete; one that a killed program left there is removed by the next save of
// that target. Every failure keeps the system's own reason ("No space left on device").

#include <cstddef>
#include <functional>
#include <string>

namespace io {

// The calls with which a save flushes its file and folder to the disk (fsync) and locks its file
// (flock): the system's own, unless a test puts its own in to watch them or to act in between.
extern std::function<int(int fd)> syncCall;
extern std::function<int(int fd, int operation)> lockCall;

class ReplacingFile {
public:
    // Whether the file is written without a name where the file system allows it (as the
    // program does), or always under a temporary name (as where it does not).
    enum class Naming { UnnamedWherePossible, Temporary };
    // Creates the file for Path; when that fails, isOpen() is false and error() says why.
    explicit ReplacingFile(const std::string& path, Naming naming = Naming::UnnamedWherePossible);
    // Without a commit the file is dropped.
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
    std::string m_temporary; // empty while the file has no name
    std::string m_error;
    int m_mode = -1; // the permissions the file takes at the commit; -1 keeps those it was made with
    int m_fd = -1;
};

} // namespace io
