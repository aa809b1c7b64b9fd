#pragma once
// Work on the threads of Qt's global pool. Tasks are handed over through a queue of our own under
// a lock, so that a task sees whatever the thread that started it wrote before, in a way race
// checkers see too (the pool's own queue is hidden from them). On a thread of the pool Qt also
// fills large shapes serially, where from any other thread it hands them to the pool and waits.

#include <cstddef>
#include <functional>

namespace zov::sys {

// Runs TASK on a thread of the pool; the caller waits for it by its own means.
void RunOnPool(std::function<void()> task);

// Runs BODY(first, end) over slices of 0 to COUNT on the pool's threads, each slice at least
// MIN_SLICE long, and returns when all are done. From a thread of the pool, or for a single
// slice, BODY runs here on the whole range.
void ForEachOnPool(std::size_t count, std::size_t minSlice, const std::function<void(std::size_t, std::size_t)>& body);

// Whether the calling thread is one of the pool's.
bool OnPoolThread();

} // namespace zov::sys
