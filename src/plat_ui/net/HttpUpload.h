#pragma once
// Sends one file as multipart form data and reads the reply.

#include <atomic>
#include <cstddef>
#include <string>

namespace zov {
class Progress;
}

namespace zov::net {

struct UploadReply {
    long httpStatus = 0;
    std::string body; // at most the limit asked for; the rest of a longer reply is dropped
    bool truncated = false;
    bool cancelled = false; // stopped before the reply was complete: nothing to judge
};

struct UploadRequest {
    std::string url;
    std::string field; // the form field that holds the file
    std::string path; // the file to send
    std::string fileName; // the part's file name
    std::string partType; // the part's content type
    std::size_t maxReply = 64 * 1024;
    // The whole transfer, from the call to the last byte of the reply, ends after this.
    int timeoutMs = 2 * 60 * 1000;
};

// POSTs the request on the calling thread; Stop, set from another thread, abandons it (the reply
// is then "cancelled"). A failure to reach the host or to send, and running out of time, raise
// rt::Error with the client library's text. An HTTP error status is a reply like any other: the
// caller judges it.
UploadReply PostFile(const UploadRequest& request, const std::atomic<bool>* stop = nullptr);

// The same on a thread of its own, while the calling GUI thread waits behind Progress, opened at
// once with Caption and Info (net/TransferWait.h); its Cancel abandons the upload.
UploadReply PostFileWithProgress(
    const UploadRequest& request, Progress& progress, const std::string& caption, const std::string& info);

} // namespace zov::net
