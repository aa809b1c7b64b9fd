#include "plat_ui/net/HttpUpload.h"

#include "plat/rt/Errors.h"
#include "plat/sys/Trace.h"
#include "plat_ui/net/HttpDownload.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

namespace zov::net {

namespace {

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

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct MimeDeleter {
    void operator()(curl_mime* m) const { curl_mime_free(m); }
};

} // namespace

UploadReply PostFile(const UploadRequest& request)
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
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onReply);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, message);
    const CURLcode rc = curl_easy_perform(c);
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

} // namespace zov::net
