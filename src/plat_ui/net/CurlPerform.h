#pragma once
// Runs one prepared transfer of the HTTP client library to its end on the calling thread, waking
// often enough to notice a request to stop: a transfer that waits on a silent host ends within a
// twentieth of a second of being told to.

#include <curl/curl.h>

#include <functional>

namespace zov::net {

// Performs Easy; Stopped is asked between waits. The transfer's own result, or
// CURLE_ABORTED_BY_CALLBACK when it was stopped.
CURLcode PerformUntilStopped(CURL* easy, const std::function<bool()>& stopped);

} // namespace zov::net
