// libcurl is loaded the first time the network is used, not when the program starts: together with
// the thirty-odd libraries it brings (TLS, Kerberos, LDAP, SSH...) it would add several
// milliseconds of loading and relocation to every start, for a background check the user does
// not wait for. The program links these forwarding functions instead of libcurl; the first call,
// from whatever thread, loads the library. When it cannot be loaded, every call fails the way
// libcurl reports a failure (no handle, CURLE_FAILED_INIT), so a transfer simply does not happen.
//
// A curl function the network code starts to use needs its line here (the link says which).

#include <curl/curl.h>

#include <dlfcn.h>

#include <cstdarg>

namespace {

// The library's name as programs that link it record it.
constexpr const char* LibraryName = "libcurl.so.4";

struct Api {
    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_global_cleanup) global_cleanup = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_perform) easy_perform = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;
    decltype(&::curl_mime_init) mime_init = nullptr;
    decltype(&::curl_mime_free) mime_free = nullptr;
    decltype(&::curl_mime_addpart) mime_addpart = nullptr;
    decltype(&::curl_mime_name) mime_name = nullptr;
    decltype(&::curl_mime_filename) mime_filename = nullptr;
    decltype(&::curl_mime_type) mime_type = nullptr;
    decltype(&::curl_mime_filedata) mime_filedata = nullptr;
    decltype(&::curl_mime_data) mime_data = nullptr;
    decltype(&::curl_multi_init) multi_init = nullptr;
    decltype(&::curl_multi_setopt) multi_setopt = nullptr;
    decltype(&::curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&::curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&::curl_multi_perform) multi_perform = nullptr;
    decltype(&::curl_multi_poll) multi_poll = nullptr;
    decltype(&::curl_multi_wait) multi_wait = nullptr;
    decltype(&::curl_multi_wakeup) multi_wakeup = nullptr;
    decltype(&::curl_multi_info_read) multi_info_read = nullptr;
    decltype(&::curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&::curl_multi_strerror) multi_strerror = nullptr;
};

template <class F> void bind(void* library, F& function, const char* name)
{
    function = reinterpret_cast<F>(dlsym(library, name));
}

Api load()
{
    Api a;
    // Local: its symbols stay out of the program's scope. Never unloaded.
    void* library = dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return a;
    bind(library, a.global_init, "curl_global_init");
    bind(library, a.global_cleanup, "curl_global_cleanup");
    bind(library, a.easy_init, "curl_easy_init");
    bind(library, a.easy_setopt, "curl_easy_setopt");
    bind(library, a.easy_perform, "curl_easy_perform");
    bind(library, a.easy_getinfo, "curl_easy_getinfo");
    bind(library, a.easy_cleanup, "curl_easy_cleanup");
    bind(library, a.easy_strerror, "curl_easy_strerror");
    bind(library, a.slist_append, "curl_slist_append");
    bind(library, a.slist_free_all, "curl_slist_free_all");
    bind(library, a.mime_init, "curl_mime_init");
    bind(library, a.mime_free, "curl_mime_free");
    bind(library, a.mime_addpart, "curl_mime_addpart");
    bind(library, a.mime_name, "curl_mime_name");
    bind(library, a.mime_filename, "curl_mime_filename");
    bind(library, a.mime_type, "curl_mime_type");
    bind(library, a.mime_filedata, "curl_mime_filedata");
    bind(library, a.mime_data, "curl_mime_data");
    bind(library, a.multi_init, "curl_multi_init");
    bind(library, a.multi_setopt, "curl_multi_setopt");
    bind(library, a.multi_add_handle, "curl_multi_add_handle");
    bind(library, a.multi_remove_handle, "curl_multi_remove_handle");
    bind(library, a.multi_perform, "curl_multi_perform");
    bind(library, a.multi_poll, "curl_multi_poll");
    bind(library, a.multi_wait, "curl_multi_wait");
    bind(library, a.multi_wakeup, "curl_multi_wakeup");
    bind(library, a.multi_info_read, "curl_multi_info_read");
    bind(library, a.multi_cleanup, "curl_multi_cleanup");
    bind(library, a.multi_strerror, "curl_multi_strerror");
    return a;
}

const Api& api()
{
    static const Api a = load(); // loaded once, whichever thread comes first
    return a;
}

// The one argument after an option, passed on as the type the option's number range says it is.
template <class Handle, class Option, class Set> auto forwardOption(Set set, Handle* handle, Option option, va_list args)
{
    const long kind = long(option) / 10000 * 10000;
    if (kind == CURLOPTTYPE_LONG)
        return set(handle, option, va_arg(args, long));
    if (kind == CURLOPTTYPE_OFF_T)
        return set(handle, option, va_arg(args, curl_off_t));
    return set(handle, option, va_arg(args, void*)); // data and function pointers, blobs
}

constexpr const char* NotLoadedText = "The network library (libcurl) cannot be loaded";

} // namespace

extern "C" {

CURLcode curl_global_init(long flags)
{
    return api().global_init ? api().global_init(flags) : CURLE_FAILED_INIT;
}

void curl_global_cleanup(void)
{
    if (api().global_cleanup)
        api().global_cleanup();
}

CURL* curl_easy_init(void)
{
    return api().easy_init ? api().easy_init() : nullptr;
}

CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...)
{
    if (!api().easy_setopt)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    const CURLcode result = forwardOption(api().easy_setopt, curl, option, args);
    va_end(args);
    return result;
}

CURLcode curl_easy_perform(CURL* curl)
{
    return api().easy_perform ? api().easy_perform(curl) : CURLE_FAILED_INIT;
}

CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...)
{
    if (!api().easy_getinfo)
        return CURLE_FAILED_INIT;
    // Every kind of information is returned through a pointer.
    va_list args;
    va_start(args, info);
    void* result = va_arg(args, void*);
    va_end(args);
    return api().easy_getinfo(curl, info, result);
}

void curl_easy_cleanup(CURL* curl)
{
    if (api().easy_cleanup)
        api().easy_cleanup(curl);
}

const char* curl_easy_strerror(CURLcode code)
{
    return api().easy_strerror ? api().easy_strerror(code) : NotLoadedText;
}

curl_slist* curl_slist_append(curl_slist* list, const char* text)
{
    return api().slist_append ? api().slist_append(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list)
{
    if (api().slist_free_all)
        api().slist_free_all(list);
}

curl_mime* curl_mime_init(CURL* easy)
{
    return api().mime_init ? api().mime_init(easy) : nullptr;
}

void curl_mime_free(curl_mime* mime)
{
    if (api().mime_free)
        api().mime_free(mime);
}

curl_mimepart* curl_mime_addpart(curl_mime* mime)
{
    return api().mime_addpart ? api().mime_addpart(mime) : nullptr;
}

CURLcode curl_mime_name(curl_mimepart* part, const char* name)
{
    return api().mime_name ? api().mime_name(part, name) : CURLE_FAILED_INIT;
}

CURLcode curl_mime_filename(curl_mimepart* part, const char* filename)
{
    return api().mime_filename ? api().mime_filename(part, filename) : CURLE_FAILED_INIT;
}

CURLcode curl_mime_type(curl_mimepart* part, const char* mimetype)
{
    return api().mime_type ? api().mime_type(part, mimetype) : CURLE_FAILED_INIT;
}

CURLcode curl_mime_filedata(curl_mimepart* part, const char* filename)
{
    return api().mime_filedata ? api().mime_filedata(part, filename) : CURLE_FAILED_INIT;
}

CURLcode curl_mime_data(curl_mimepart* part, const char* data, size_t size)
{
    return api().mime_data ? api().mime_data(part, data, size) : CURLE_FAILED_INIT;
}

CURLM* curl_multi_init(void)
{
    return api().multi_init ? api().multi_init() : nullptr;
}

CURLMcode curl_multi_setopt(CURLM* multi, CURLMoption option, ...)
{
    if (!api().multi_setopt)
        return CURLM_BAD_HANDLE;
    va_list args;
    va_start(args, option);
    const CURLMcode result = forwardOption(api().multi_setopt, multi, option, args);
    va_end(args);
    return result;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy)
{
    return api().multi_add_handle ? api().multi_add_handle(multi, easy) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy)
{
    return api().multi_remove_handle ? api().multi_remove_handle(multi, easy) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running)
{
    return api().multi_perform ? api().multi_perform(multi, running) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra[], unsigned int count, int timeoutMs, int* ready)
{
    return api().multi_poll ? api().multi_poll(multi, extra, count, timeoutMs, ready) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_wait(CURLM* multi, curl_waitfd extra[], unsigned int count, int timeoutMs, int* ready)
{
    return api().multi_wait ? api().multi_wait(multi, extra, count, timeoutMs, ready) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_wakeup(CURLM* multi)
{
    return api().multi_wakeup ? api().multi_wakeup(multi) : CURLM_BAD_HANDLE;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* left)
{
    return api().multi_info_read ? api().multi_info_read(multi, left) : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi)
{
    return api().multi_cleanup ? api().multi_cleanup(multi) : CURLM_BAD_HANDLE;
}

const char* curl_multi_strerror(CURLMcode code)
{
    return api().multi_strerror ? api().multi_strerror(code) : NotLoadedText;
}

} // extern "C"
