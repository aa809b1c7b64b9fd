#pragma once
// A small file system of its own (tmpfs) mounted on a folder for one scope, so that a test can
// fill a disk for real. Only root may mount: elsewhere mounted() is false and the test says so.

#include <string>

#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace zovtest {

class SmallFilesystem {
public:
    SmallFilesystem(const std::string& folder, int kilobytes)
        : m_folder(folder)
    {
        ::mkdir(folder.c_str(), 0700);
        const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0700";
        m_mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~SmallFilesystem()
    {
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool mounted() const { return m_mounted; }

    // Takes every free byte with the file Name; true once the disk said it is full.
    bool Fill(const std::string& name = "filler") const
    {
        const int fd = ::open((m_folder + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const std::vector<char> block(4096, 'f');
        bool full = false;
        for (int i = 0; i < 1 << 20 && !full; ++i) {
            if (::write(fd, block.data(), block.size()) < 0)
                full = errno == ENOSPC;
        }
        // The last few bytes of a partly filled page.
        for (int i = 0; i < 4096 && ::write(fd, block.data(), 1) == 1; ++i) { }
        ::close(fd);
        return full;
    }

private:
    std::string m_folder;
    bool m_mounted = false;
};

} // namespace zovtest
