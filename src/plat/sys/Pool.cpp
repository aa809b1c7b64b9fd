#include "plat/sys/Pool.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <deque>
#include <exception>
#include <latch>
#include <memory>
#include <mutex>

namespace zov::sys {

namespace {

// Never destroyed: the pool may outlive every other static.
struct TaskQueue {
    std::mutex lock;
    std::deque<std::function<void()>> tasks;
};

TaskQueue& taskQueue()
{
    static TaskQueue* const queue = new TaskQueue;
    return *queue;
}

} // namespace

void RunOnPool(std::function<void()> task)
{
    TaskQueue& queue = taskQueue();
    {
        const std::lock_guard<std::mutex> lock(queue.lock);
        queue.tasks.push_back(std::move(task));
    }
    QThreadPool::globalInstance()->start([] {
        TaskQueue& queued = taskQueue();
        std::function<void()> next;
        {
            const std::lock_guard<std::mutex> lock(queued.lock);
            next = std::move(queued.tasks.front());
            queued.tasks.pop_front();
        }
        next();
    });
}

bool OnPoolThread()
{
    return QThreadPool::globalInstance()->contains(QThread::currentThread());
}

void ForEachOnPool(std::size_t count, std::size_t minSlice, const std::function<void(std::size_t, std::size_t)>& body)
{
    const std::size_t threads = std::size_t(std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
    const std::size_t slices = std::min(threads, count / std::max<std::size_t>(minSlice, 1));
    if (slices < 2 || OnPoolThread()) {
        body(0, count);
        return;
    }
    // Shared with the tasks, which count down last thing: it outlives the last one.
    const auto left = std::make_shared<std::latch>(std::ptrdiff_t(slices));
    const auto failure = std::make_shared<std::exception_ptr>();
    const auto failureLock = std::make_shared<std::mutex>();
    for (std::size_t s = 0; s < slices; ++s) {
        const std::size_t first = count * s / slices, end = count * (s + 1) / slices;
        RunOnPool([&body, first, end, left, failure, failureLock] {
            try {
                body(first, end);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(*failureLock);
                *failure = std::current_exception();
            }
            left->count_down();
        });
    }
    left->wait();
    if (*failure)
        std::rethrow_exception(*failure);
}

} // namespace zov::sys
