#pragma once
// Downloads over HTTP into a local file, in blocks of 4096 bytes. The result codes are those the
// update check expects: 0 done, -1 no reply or no readable content length, -2 abandoned (cannot
// start, Cancel pressed, or stopped from another thread), -3 the content broke off, a positive
// file error code when the local file could not be written. The file is written under a
// temporary name and takes its own name only once the whole content has arrived, so a failed or
// cancelled download never leaves a half file behind.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace zov {
class Progress;
}

namespace zov::net {

enum DownloadResult : int {
    DownloadDone = 0,
    DownloadNoContent = -1,
    DownloadAbandoned = -2,
    DownloadBrokenOff = -3,
};

constexpr int DownloadBlockSize = 4096;

struct DownloadOptions {
    // With a progress window: the status texts, the window for contents over one block, and its
    // Cancel polled between blocks. The call then runs on the GUI thread and lets events run.
    Progress* progress = nullptr;
    std::string caption = "ZOV update";
    std::string info = "File Transfer Progress";
    // Receives "Calling", "Connected", "Size: N", "Bloc N" (only with a progress window).
    std::function<void(const std::string&)> status;
    // Set from another thread to abandon the download at the next chance (result -2).
    const std::atomic<bool>* stop = nullptr;
    // A content announced larger than this is refused (-1); negative: no limit.
    std::int64_t maxSize = -1;
};

struct DownloadReply {
    int result = DownloadAbandoned;
    long httpStatus = 0; // of the last reply; an error page is content like any other
    std::int64_t size = 0; // bytes written to the file
};

// Fetches Url into LocalFile (replaced when the download succeeds). Safe to call from any thread
// when Options carries no progress window.
DownloadReply DownloadFile(const std::string& url, const std::string& localFile, const DownloadOptions& options = {});

// The user agent of the next request: "Topx" and a number in 30..32029 from the runtime's
// pseudo-random sequence, which is never seeded (Topx30, Topx1034, Topx27583 ...).
std::string NextUserAgent();

// Once per process, before the first transfer; never undone, since the update thread may still
// be running when the program ends.
void EnsureNetInitialised();

} // namespace zov::net
