#include "plat/io/ReplacingFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace io {

namespace {

// A name beside Path that no other writer picks at the same time.
std::string temporaryName(const std::string& path)
{
    static std::atomic<unsigned> counter { 0 };
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const unsigned long long token
        = (static_cast<unsigned long long>(now) * 2654435761ull) ^ (static_cast<unsigned long long>(::getpid()) << 20)
        ^ counter.fetch_add(1);
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix;
    unsigned long long rest = token;
    for (int i = 0; i < 8; ++i) {
        suffix += digits[rest % 36];
        rest /= 36;
    }
    return path + ".tmp-" + suffix;
}

} // namespace

ReplacingFile::ReplacingFile(const std::string& path)
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
    if (exists && !S_ISREG(former.st_mode)) {
        m_error = "it is not a regular file";
        return;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temporary = temporaryName(m_target);
        m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0 || errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        m_error = std::strerror(errno);
        m_temporary.clear();
        return;
    }
    // The file keeps the permissions it had.
    if (exists)
        ::fchmod(m_fd, former.st_mode & 07777);
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
    if (::fsync(m_fd) != 0)
        return failed(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return failed(errno);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        return failed(errno);
    m_temporary.clear();
    return true;
}

void ReplacingFile::cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

} // namespace io
