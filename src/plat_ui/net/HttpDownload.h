#pragma once
// Downloads over HTTP into a local file, in blocks of 4096 bytes. The result codes are those the
// update check expects: 0 done, -1 no reply or no readable content length, -2 abandoned (cannot
// start, Cancel pressed, or stopped from another thread), -3 the content broke off (or the time
// allowed ran out), -4 the content is larger than allowed, a positive file error code when the
// local file could not be written (ENOSPC when the content would not fit in the folder's free
// space). The file is written under a temporary name and takes its own name only once the whole
// content has arrived, so a failed or cancelled download never leaves a half file behind.

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
    DownloadTooLarge = -4,
};

constexpr int DownloadBlockSize = 4096;

struct DownloadOptions {
    // With a progress window: the transfer runs on a thread of its own while the calling GUI
    // thread waits behind the window (net/TransferWait.h): the status texts, the window for
    // contents over one block (or once the transfer has taken a moment), its Cancel.
    Progress* progress = nullptr;
    std::string caption = "ZOV update";
    std::string info = "File Transfer Progress";
    // Receives "+++++++", "Calling", "Connected", "Size: N", "Bloc N" (only with a progress window).
    std::function<void(const std::string&)> status;
    // Set from another thread to abandon the download at the next chance (result -2).
    const std::atomic<bool>* stop = nullptr;
    // A content announced larger than this is refused (-4); negative: no limit.
    std::int64_t maxSize = -1;
    // The whole transfer, from the call to the last byte, ends after this (result -1 or -3).
    int timeoutMs = 10 * 60 * 1000;
};

struct DownloadReply {
    int result = DownloadAbandoned;
    long httpStatus = 0; // of the last reply; an error page is content like any other
    std::int64_t size = 0; // bytes written to the file
    std::int64_t announced = -1; // the content length the reply announced
};

// Fetches Url into LocalFile (replaced when the download succeeds). Safe to call from any thread
// when Options carries no progress window; with one, from the GUI thread only.
DownloadReply DownloadFile(const std::string& url, const std::string& localFile, const DownloadOptions& options = {});

// The user agent of the next request: "Topx" and a number in 30..32029 from the runtime's
// pseudo-random sequence, which is never seeded (Topx30, Topx1034, Topx27583 ...).
std::string NextUserAgent();

// Once per process, before the first transfer; never undone, since the update thread may still
// be running when the program ends.
void EnsureNetInitialised();

} // namespace zov::net
