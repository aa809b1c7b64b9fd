#include "plat_ui/net/HttpDownload.h"

#include "plat/sys/Trace.h"
#include "plat_ui/net/CurlPerform.h"
#include "plat_ui/net/TransferWait.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <mutex>
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

// The room left in the folder of Path; -1 when it cannot be told.
std::int64_t freeSpaceFor(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(path, error).parent_path();
    const std::filesystem::space_info space = std::filesystem::space(folder, error);
    return error ? -1 : std::int64_t(space.available);
}

// One download. Run() may go on a thread of its own; Finish() puts the file in place (or removes
// it) on the caller's thread, once nothing can cancel any more.
struct Transfer {
    const DownloadOptions* options = nullptr;
    TransferMonitor* monitor = nullptr; // with a progress window: what the waiting window is told
    CURL* curl = nullptr;
    std::string localFile;
    std::string partFile;
    std::FILE* file = nullptr;
    bool started = false; // the reply's header was checked and the file created
    int result = 0; // set when a callback stops the transfer
    bool stopped = false;
    std::exception_ptr error; // raised inside a callback, passed on once the transfer is closed
    std::int64_t contentLength = -1;
    std::int64_t written = 0;
    int blocks = 0;
    std::vector<char> block;
    long httpStatus = 0;

    void Status(const std::string& text) const
    {
        if (monitor)
            monitor->Status(text);
    }

    void Stop(int code)
    {
        result = code;
        stopped = true;
    }

    bool StopRequested() const { return (options->stop && options->stop->load()) || (monitor && monitor->Stopped()); }

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
            Stop(DownloadTooLarge);
            return false;
        }
        // Refused before a byte is written: a folder filled to the brim helps nobody.
        if (const std::int64_t room = freeSpaceFor(localFile); room >= 0 && length > room) {
            note("Size over the free space: " + std::to_string(room));
            Stop(ENOSPC);
            return false;
        }
        if (monitor)
            monitor->Length(length);
        file = std::fopen(partFile.c_str(), "wbe");
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
        if (std::fwrite(block.data(), 1, block.size(), file) != block.size() || std::fflush(file) != 0) {
            const int code = errno ? errno : EIO;
            note("Error " + std::to_string(code) + " writing " + localFile);
            Stop(code);
            return false;
        }
        written += static_cast<std::int64_t>(block.size());
        block.clear();
        if (monitor)
            monitor->Block();
        if (StopRequested()) {
            Stop(DownloadAbandoned);
            return false;
        }
        ++blocks;
        Status("Bloc " + std::to_string(blocks));
        return true;
    }

    void Run(const std::string& url);
    int Finish(int result);
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

// At the end of each reply's head the announced length is judged, before any content arrives;
// the heads of interim replies and of redirections followed are passed over.
size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t->stopped)
        return 0;
    if (t->started || !(bytes == 2 && data[0] == '\r' && data[1] == '\n'))
        return bytes;
    long status = 0;
    curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status);
    char* redirect = nullptr;
    curl_easy_getinfo(t->curl, CURLINFO_REDIRECT_URL, &redirect);
    if (status < 200 || redirect)
        return bytes;
    try {
        return t->Start() ? bytes : 0;
    } catch (...) {
        t->error = std::current_exception();
        t->Stop(DownloadAbandoned);
        return 0;
    }
}

void Transfer::Run(const std::string& url)
{
    Status("+++++++");
    Status("Calling");
    const std::string agent = NextUserAgent();
    curl = curl_easy_init();
    if (!curl) {
        Stop(DownloadAbandoned);
        return;
    }
    const bool secure = url.rfind("https://", 0) == 0;
    curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A secure address never gets redirected to a plain one.
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    if (options->timeoutMs > 0)
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(options->timeoutMs));
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);

    const CURLcode rc = PerformUntilStopped(curl, [this] { return StopRequested(); });
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &httpStatus);
    try {
        if (stopped) {
        } else if (rc == CURLE_ABORTED_BY_CALLBACK) {
            Stop(DownloadAbandoned);
        } else if (rc != CURLE_OK) {
            if (started) {
                note("Receive error " + std::to_string(int(rc)));
                Stop(DownloadBrokenOff);
            } else {
                note("OpenURL error " + std::to_string(int(rc)));
                Stop(DownloadNoContent);
            }
        } else if (!started && !Start()) {
            // an empty content: no data callback came
        } else if (!FlushBlock()) {
        } else if (written != contentLength) {
            note("Receive error: " + std::to_string(written) + " of " + std::to_string(contentLength));
            Stop(DownloadBrokenOff);
        }
    } catch (...) {
        error = std::current_exception();
        Stop(DownloadAbandoned);
    }
    curl_easy_cleanup(curl);
    curl = nullptr;
    curl_slist_free_all(headers);
}

int Transfer::Finish(int outcome)
{
    if (file) {
        if (std::fclose(file) != 0 && outcome == DownloadDone)
            outcome = errno ? errno : EIO;
        file = nullptr;
        if (outcome == DownloadDone && std::rename(partFile.c_str(), localFile.c_str()) != 0)
            outcome = errno ? errno : EIO;
        if (outcome != DownloadDone)
            std::remove(partFile.c_str());
        note("FileSize: " + std::to_string(outcome == DownloadDone ? written : 0) + " RC= " + std::to_string(outcome));
    }
    return outcome;
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
    EnsureNetInitialised();
    Transfer t;
    t.options = &options;
    t.localFile = localFile;
    t.partFile = localFile + ".part";

    bool cancelled = false;
    if (options.progress) {
        TransferMonitor monitor;
        t.monitor = &monitor;
        TransferWindow window;
        window.progress = options.progress;
        window.caption = options.caption;
        window.info = options.info;
        window.blockSize = DownloadBlockSize;
        window.status = options.status;
        cancelled = RunTransfer(window, monitor, [&] { t.Run(url); });
        t.monitor = nullptr;
    } else {
        t.Run(url);
    }
    // A Cancel that came while the last blocks arrived still cancels: nothing is kept.
    const int result = t.Finish(cancelled ? int(DownloadAbandoned) : t.stopped ? t.result : int(DownloadDone));
    if (t.error)
        std::rethrow_exception(t.error);
    DownloadReply reply;
    reply.result = result;
    reply.httpStatus = t.httpStatus;
    reply.size = result == DownloadDone ? t.written : 0;
    reply.announced = t.contentLength;
    return reply;
}

} // namespace zov::net
