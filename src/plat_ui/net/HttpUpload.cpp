#include "plat_ui/net/HttpUpload.h"

#include "plat/rt/Errors.h"
#include "plat/sys/Trace.h"
#include "plat_ui/net/CurlPerform.h"
#include "plat_ui/net/HttpDownload.h"
#include "plat_ui/net/TransferWait.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

namespace zov::net {

namespace {

constexpr std::int64_t BlockSize = 4096;

struct Reply {
    UploadReply* reply;
    std::size_t limit;
};

size_t onReply(char* data, size_t size, size_t count, void* user)
{
    auto* r = static_cast<Reply*>(user);
    const size_t bytes = size * count;
    const size_t room = r->limit - std::min(r->limit, r->reply->body.size());
    if (bytes > room)
        r->reply->truncated = true;
    r->reply->body.append(data, std::min(bytes, room));
    return bytes; // the rest is read and dropped, so the host is not cut off mid-reply
}

// Tells the waiting window how much of the file went out, a step per block.
struct Sent {
    TransferMonitor* monitor = nullptr;
    bool lengthTold = false;
    std::int64_t blocks = 0;
};

int onSent(void* user, curl_off_t, curl_off_t, curl_off_t total, curl_off_t now)
{
    auto* sent = static_cast<Sent*>(user);
    if (!sent->monitor)
        return 0;
    if (!sent->lengthTold && total > 0) {
        sent->lengthTold = true;
        sent->monitor->Length(total);
    }
    for (; sent->blocks < now / BlockSize; ++sent->blocks)
        sent->monitor->Block();
    return 0;
}

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct MimeDeleter {
    void operator()(curl_mime* m) const { curl_mime_free(m); }
};

UploadReply post(const UploadRequest& request, const std::atomic<bool>* stop, TransferMonitor* monitor)
{
    EnsureNetInitialised();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        throw rt::Error("Cannot start the upload");
    std::unique_ptr<curl_mime, MimeDeleter> mime(curl_mime_init(curl.get()));
    curl_mimepart* part = curl_mime_addpart(mime.get());
    if (!part || curl_mime_name(part, request.field.c_str()) != CURLE_OK
        || curl_mime_filedata(part, request.path.c_str()) != CURLE_OK
        || curl_mime_filename(part, request.fileName.c_str()) != CURLE_OK
        || curl_mime_type(part, request.partType.c_str()) != CURLE_OK)
        throw rt::Error("Cannot prepare the upload of " + request.path);

    UploadReply reply;
    Reply sink { &reply, request.maxReply };
    Sent sent { monitor };
    char message[CURL_ERROR_SIZE] = {};
    const std::string agent = NextUserAgent();
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
    if (request.timeoutMs > 0)
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(request.timeoutMs));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onReply);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onSent);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &sent);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, message);
    const CURLcode rc = PerformUntilStopped(
        c, [&] { return (stop && stop->load()) || (monitor && monitor->Stopped()); });
    if (rc == CURLE_ABORTED_BY_CALLBACK) {
        reply.cancelled = true;
        return reply;
    }
    if (rc != CURLE_OK) {
        // The detail (host, port) goes to the trace; the shown text has no period, which the
        // error display would cut at.
        try {
            Trace("Upload error " + std::to_string(int(rc)) + " " + message);
        } catch (...) {
        }
        throw rt::Error(std::string("Upload failed: ") + curl_easy_strerror(rc));
    }
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.httpStatus);
    return reply;
}

} // namespace

UploadReply PostFile(const UploadRequest& request, const std::atomic<bool>* stop)
{
    return post(request, stop, nullptr);
}

UploadReply PostFileWithProgress(
    const UploadRequest& request, Progress& progress, const std::string& caption, const std::string& info)
{
    EnsureNetInitialised();
    TransferMonitor monitor;
    TransferWindow window;
    window.progress = &progress;
    window.caption = caption;
    window.info = info;
    window.blockSize = BlockSize;
    window.openAtOnce = true;
    UploadReply reply;
    const bool cancelled = RunTransfer(window, monitor, [&] { reply = post(request, nullptr, &monitor); });
    if (cancelled) {
        reply = {};
        reply.cancelled = true;
    }
    return reply;
}

} // namespace zov::net
