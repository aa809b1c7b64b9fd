#include "plat/io/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace io {

namespace {

// Why a file of Mode is not read; empty for a regular file.
std::string notAFile(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return "it is a folder, not a file";
    if (S_ISFIFO(mode))
        return "it is a named pipe, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device, not a file";
    if (S_ISSOCK(mode))
        return "it is a socket, not a file";
    return "it is not a regular file";
}

std::string systemReason(int code)
{
    return std::strerror(code);
}

} // namespace

RegularFile::RegularFile(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        m_error = systemReason(errno);
        return;
    }
    if (m_error = notAFile(status.st_mode); !m_error.empty())
        return;
    // Without blocking, in case something else took the name between the two looks.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        m_error = systemReason(errno);
        return;
    }
    if (::fstat(fd, &status) != 0) {
        m_error = systemReason(errno);
        ::close(fd);
        return;
    }
    if (m_error = notAFile(status.st_mode); !m_error.empty()) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray RegularFile::read(std::int64_t maxBytes)
{
    QByteArray out;
    if (m_fd < 0 || maxBytes <= 0)
        return out;
    constexpr std::int64_t Block = 64 * 1024;
    while (std::int64_t(out.size()) < maxBytes) {
        const std::int64_t want = std::min(Block, maxBytes - std::int64_t(out.size()));
        const qsizetype at = out.size();
        out.resize(at + qsizetype(want));
        const ssize_t n = ::read(m_fd, out.data() + at, std::size_t(want));
        if (n < 0 && errno == EINTR) {
            out.resize(at);
            continue;
        }
        if (n <= 0) {
            if (n < 0)
                m_error = systemReason(errno);
            out.resize(at);
            break;
        }
        out.resize(at + qsizetype(n));
    }
    return out;
}

} // namespace io
