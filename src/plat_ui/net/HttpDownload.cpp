#include "plat_ui/net/HttpDownload.h"

#include "diagram/Progress.h"
#include "plat/sys/Trace.h"

#include <QCoreApplication>

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <mutex>
#include <algorithm>
#include <vector>

namespace zov::net {

namespace {

// A trace file that cannot be written must not break a transfer (nor cross the library's frames).
void note(const std::string& line) noexcept
{
    try {
        Trace(line);
    } catch (...) {
    }
}

struct Transfer {
    const DownloadOptions* options = nullptr;
    CURL* curl = nullptr;
    std::string localFile;
    std::string partFile;
    std::FILE* file = nullptr;
    bool started = false; // the reply's header was checked and the file created
    bool shown = false; // the progress window is open
    int result = 0; // set when a callback stops the transfer
    bool stopped = false;
    std::exception_ptr error; // raised inside a callback, passed on once the transfer is closed
    std::int64_t contentLength = -1;
    std::int64_t written = 0;
    int blocks = 0;
    std::vector<char> block;

    void Status(const std::string& text) const
    {
        if (options->progress && options->status)
            options->status(text);
    }

    void Stop(int code)
    {
        result = code;
        stopped = true;
    }

    // Checks the reply's length and creates the file; false when the transfer must stop.
    bool Start()
    {
        started = true;
        Status("Connected");
        curl_off_t length = -1;
        if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length < 0) {
            note("QueryInfo error 0");
            Stop(DownloadNoContent);
            return false;
        }
        contentLength = length;
        Status("Size: " + std::to_string(length));
        note("Size: " + std::to_string(length));
        if (options->maxSize >= 0 && length > options->maxSize) {
            note("Size refused");
            Stop(DownloadNoContent);
            return false;
        }
        if (options->progress && length > DownloadBlockSize) {
            options->progress->Open(options->caption, options->info, static_cast<int>(length / DownloadBlockSize + 1));
            shown = true;
        }
        file = std::fopen(partFile.c_str(), "wb");
        if (!file) {
            const int code = errno ? errno : EIO;
            note("Error " + std::to_string(code) + " opening " + localFile);
            Stop(code);
            return false;
        }
        return true;
    }

    // Writes the gathered block; false when the transfer must stop.
    bool FlushBlock()
    {
        if (block.empty())
            return true;
        if (std::fwrite(block.data(), 1, block.size(), file) != block.size()) {
            const int code = errno ? errno : EIO;
            note("Error " + std::to_string(code) + " writing " + localFile);
            Stop(code);
            return false;
        }
        written += static_cast<std::int64_t>(block.size());
        block.clear();
        if (options->progress) {
            options->progress->StepIt();
            if (options->progress->Cancelled()) {
                Stop(DownloadAbandoned);
                return false;
            }
        }
        ++blocks;
        Status("Bloc " + std::to_string(blocks));
        return true;
    }

    bool StopRequested() const { return options->stop && options->stop->load(); }
};

size_t takeData(Transfer* t, char* data, size_t bytes)
{
    if (!t->started && !t->Start())
        return 0;
    // The announced length is all that is taken; more would be a reply we cannot trust.
    if (t->written + static_cast<std::int64_t>(t->block.size() + bytes) > t->contentLength) {
        note("Receive error: more than announced");
        t->Stop(DownloadBrokenOff);
        return 0;
    }
    size_t done = 0;
    while (done < bytes) {
        const size_t take = std::min(bytes - done, DownloadBlockSize - t->block.size());
        t->block.insert(t->block.end(), data + done, data + done + take);
        done += take;
        if (t->block.size() == DownloadBlockSize && !t->FlushBlock())
            return 0;
    }
    return bytes;
}

size_t onData(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    if (t->stopped)
        return 0;
    try {
        return takeData(t, data, size * count);
    } catch (...) {
        t->error = std::current_exception();
        t->Stop(DownloadAbandoned);
        return 0;
    }
}

bool tick(Transfer* t)
{
    if (t->StopRequested()) {
        t->Stop(DownloadAbandoned);
        return false;
    }
    if (t->options->progress) {
        QCoreApplication::processEvents();
        if (t->options->progress->Cancelled()) {
            t->Stop(DownloadAbandoned);
            return false;
        }
    }
    return true;
}

// Called often, also while nothing arrives: keeps the window alive and notices Cancel or a stop.
int onTick(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* t = static_cast<Transfer*>(user);
    if (t->stopped)
        return 1;
    try {
        return tick(t) ? 0 : 1;
    } catch (...) {
        t->error = std::current_exception();
        t->Stop(DownloadAbandoned);
        return 1;
    }
}

std::mutex randomMutex;
std::uint32_t randSeed = 0;

} // namespace

void EnsureNetInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string NextUserAgent()
{
    std::lock_guard lock(randomMutex);
    randSeed = randSeed * 134775813u + 1u;
    const auto n = static_cast<std::uint32_t>((std::uint64_t(32000) * randSeed) >> 32);
    return "Topx" + std::to_string(n + 30);
}

DownloadReply DownloadFile(const std::string& url, const std::string& localFile, const DownloadOptions& options)
{
    note("Downloading " + url);
    Transfer t;
    t.options = &options;
    t.localFile = localFile;
    t.partFile = localFile + ".part";
    t.Status("+++++++");
    t.Status("Calling");
    DownloadReply reply;

    EnsureNetInitialised();
    const std::string agent = NextUserAgent();
    t.curl = curl_easy_init();
    if (!t.curl)
        return reply;
    const bool secure = url.rfind("https://", 0) == 0;
    curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    curl_easy_setopt(t.curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(t.curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(t.curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(t.curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A secure address never gets redirected to a plain one.
    curl_easy_setopt(t.curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(t.curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(t.curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(t.curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(t.curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(t.curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(t.curl, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(t.curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(t.curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(t.curl, CURLOPT_XFERINFOFUNCTION, onTick);
    curl_easy_setopt(t.curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(t.curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode rc = curl_easy_perform(t.curl);
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &reply.httpStatus);

    int result = DownloadDone;
    try {
        if (t.stopped) {
            result = t.result;
        } else if (rc != CURLE_OK) {
            if (t.started) {
                note("Receive error " + std::to_string(int(rc)));
                result = DownloadBrokenOff;
            } else {
                note("OpenURL error " + std::to_string(int(rc)));
                result = DownloadNoContent;
            }
        } else if (!t.started && !t.Start()) {
            result = t.result; // an empty content: no data callback came
        } else if (!t.FlushBlock()) {
            result = t.result;
        } else if (t.written != t.contentLength) {
            note("Receive error: " + std::to_string(t.written) + " of " + std::to_string(t.contentLength));
            result = DownloadBrokenOff;
        }
    } catch (...) {
        t.error = std::current_exception();
        result = DownloadAbandoned;
    }
    curl_easy_cleanup(t.curl);
    curl_slist_free_all(headers);

    if (t.shown)
        options.progress->Close();
    if (t.file) {
        if (std::fclose(t.file) != 0 && result == DownloadDone)
            result = errno ? errno : EIO;
        if (result == DownloadDone && std::rename(t.partFile.c_str(), localFile.c_str()) != 0)
            result = errno ? errno : EIO;
        if (result != DownloadDone)
            std::remove(t.partFile.c_str());
        note("FileSize: " + std::to_string(result == DownloadDone ? t.written : 0) + " RC= " + std::to_string(result));
    }
    if (t.error)
        std::rethrow_exception(t.error);
    reply.result = result;
    reply.size = result == DownloadDone ? t.written : 0;
    return reply;
}

} // namespace zov::net
