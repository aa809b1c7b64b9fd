#include "plat/io/ReplacingFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace io {

std::function<int(int fd)> syncCall = ::fsync;
std::function<int(int fd, int operation)> lockCall = ::flock;

namespace {

// A temporary name is the target's name, this mark and as many of these digits.
constexpr const char* TemporaryMark = ".tmp-";
constexpr std::size_t TemporaryDigits = 8;
constexpr const char Digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

// A name beside Path that no other writer picks at the same time.
std::string temporaryName(const std::string& path)
{
    static std::atomic<unsigned> counter { 0 };
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const unsigned long long token
        = (static_cast<unsigned long long>(now) * 2654435761ull) ^ (static_cast<unsigned long long>(::getpid()) << 20)
        ^ counter.fetch_add(1);
    std::string suffix;
    unsigned long long rest = token;
    for (std::size_t i = 0; i < TemporaryDigits; ++i) {
        suffix += Digits[rest % 36];
        rest /= 36;
    }
    return path + TemporaryMark + suffix;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether Name is a temporary name that temporaryName gives a file named Base.
bool isTemporaryOf(const std::string& name, const std::string& base)
{
    const std::string prefix = base + TemporaryMark;
    return name.size() == prefix.size() + TemporaryDigits && name.compare(0, prefix.size(), prefix) == 0
        && name.find_first_not_of(Digits, prefix.size()) == std::string::npos;
}

// Whether Name in Folder is still the file open as Fd: another save's clean-up may have removed
// it meanwhile, and a file of another save may have been created under the name since.
bool isNameOf(int folderFd, const char* name, int fd)
{
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::fstatat(folderFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino && opened.st_nlink > 0;
}

// What the umask leaves of a new file's permissions. Read, since umask() would set it, for every
// thread at once; where the system does not tell, the usual one.
mode_t newFileMode()
{
    unsigned mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
                break;
        std::fclose(status);
    }
    return 0666 & ~mode_t(mask);
}

// Removes the temporary files of Target that a save killed halfway left behind, and nothing
// else. A save at work holds a lock on its file, which is therefore left alone.
void removeLeftTemporaries(const std::string& target)
{
    DIR* folder = ::opendir(folderOf(target).c_str());
    if (!folder)
        return;
    const std::string base = target.substr(target.rfind('/') + 1);
    const int folderFd = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        if (!isTemporaryOf(entry->d_name, base))
            continue;
        const int fd
            = ::openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat status {};
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && isNameOf(folderFd, entry->d_name, fd))
            ::unlinkat(folderFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(folder);
}

} // namespace

ReplacingFile::ReplacingFile(const std::string& path, Naming naming)
    : m_target(path)
{
    // A link keeps pointing at the file it names, which gets the new content.
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            m_target = resolved;
            std::free(resolved);
        }
    }
    struct stat former {};
    const bool exists = ::stat(m_target.c_str(), &former) == 0;
    if (exists && S_ISDIR(former.st_mode)) {
        m_error = std::strerror(EISDIR);
        return;
    }
    if (exists && !S_ISREG(former.st_mode)) {
        m_error = "it is not a regular file";
        return;
    }
    // Once complete the file takes the permissions the former file had.
    if (exists)
        m_mode = int(former.st_mode & 07777);
    removeLeftTemporaries(m_target);
    // The file gets its name through its descriptor's entry under /proc at the commit. Nobody can
    // reach it before, so it is made as any new file is (the umask and the folder's defaults).
    if (naming == Naming::UnnamedWherePossible && ::access("/proc/self/fd", X_OK) == 0) {
        m_fd = ::open(folderOf(m_target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        // These say that the file system (or the system) cannot make a file without a name.
        if (m_fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            m_error = std::strerror(errno);
            return;
        }
        // Held until the file is in place: a save of the same target meanwhile leaves it alone.
        if (m_fd >= 0)
            lockCall(m_fd, LOCK_EX);
    }
    int code = EEXIST;
    for (int attempt = 0; m_fd < 0 && attempt < 100; ++attempt) {
        m_temporary = temporaryName(m_target);
        // Readable by its owner alone until complete; then it takes the permissions of a new file.
        m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            code = errno;
            if (code != EEXIST)
                break;
            continue;
        }
        if (!exists)
            m_mode = int(newFileMode());
        // Held until the file is in place, like the one above. Another save's clean-up may have
        // removed the file before it was locked: then again, under another name.
        lockCall(m_fd, LOCK_EX);
        if (!isNameOf(AT_FDCWD, m_temporary.c_str(), m_fd)) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    if (m_fd < 0) {
        m_error = std::strerror(code);
        m_temporary.clear();
    }
}

ReplacingFile::~ReplacingFile()
{
    cancel();
}

bool ReplacingFile::failed(int code)
{
    if (m_error.empty())
        m_error = std::strerror(code);
    cancel();
    return false;
}

bool ReplacingFile::write(const void* data, std::size_t size)
{
    if (m_fd < 0)
        return false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, bytes, size < std::size_t(SSIZE_MAX) ? size : std::size_t(SSIZE_MAX));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failed(errno);
        }
        if (n == 0)
            return failed(EIO);
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

bool ReplacingFile::commit()
{
    if (m_fd < 0)
        return false;
    if ((m_mode >= 0 && ::fchmod(m_fd, mode_t(m_mode)) != 0) || syncCall(m_fd) != 0)
        return failed(errno);
    if (m_temporary.empty()) {
        // A name of its own first: a link cannot replace a file, a rename can, in one step.
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = temporaryName(m_target);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                m_temporary = name;
                break;
            }
            if (errno != EEXIST)
                return failed(errno);
        }
        if (m_temporary.empty())
            return failed(EEXIST);
    }
    // The rename is on the disk only once the folder is. A folder its user may write but not read
    // cannot be opened to be flushed, and some file systems cannot flush one: those keep it as
    // well as they can.
    const int folder = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        const int code = errno;
        if (folder >= 0)
            ::close(folder);
        return failed(code);
    }
    m_temporary.clear();
    const int code = folder < 0 || syncCall(folder) == 0 ? 0 : errno;
    if (folder >= 0)
        ::close(folder);
    if (code != 0 && code != EINVAL && code != ENOTSUP && code != EOPNOTSUPP)
        return failed(code);
    // Closed once in place, which ends the lock; the sync above has reported any write error.
    ::close(m_fd);
    m_fd = -1;
    return true;
}

void ReplacingFile::cancel()
{
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace io
