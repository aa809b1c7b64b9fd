#pragma once
// A transfer runs on a thread of its own while the GUI thread waits for it behind the progress
// window: the windows keep painting, no window but the progress window takes the user's input
// (so nothing can pull the object of the transfer away, nor start another command), and Cancel
// stops the transfer at once.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace zov {
class Progress;
}

namespace zov::net {

// What the transfer thread tells the waiting window, in the order it happens. Thread-safe.
class TransferMonitor {
public:
    // A status text for the window's owner (the status bar).
    void Status(const std::string& text);
    // The size of the content in bytes, once known.
    void Length(std::int64_t bytes);
    // One more block of the content done: the bar steps.
    void Block();
    // Whether the user cancelled; the transfer stops as soon as it sees it.
    bool Stopped() const { return m_stop.load(); }
    void Stop() { m_stop = true; }

    struct Event {
        enum class Kind { Status, Length, Block } kind;
        std::string text;
        std::int64_t bytes = 0;
    };
    // The events since the last call (GUI thread).
    std::vector<Event> Take();

private:
    std::mutex m_mutex;
    std::vector<Event> m_events;
    std::atomic<bool> m_stop { false };
};

struct TransferWindow {
    Progress* progress = nullptr;
    std::string caption;
    std::string info;
    // The bar has a step per block; the window opens when the content is known to be longer than
    // one block, or when the transfer is still running after ShowAfterMs, or at once.
    std::int64_t blockSize = 4096;
    bool openAtOnce = false;
    // Receives the status texts, on the GUI thread.
    std::function<void(const std::string&)> status;
};

constexpr int ShowAfterMs = 750;

// Runs Work on a thread of its own and waits for it on this, the GUI thread, as said above. An
// error Work raises is raised here. True when the user cancelled: Monitor was stopped, and Work
// may have ended early.
bool RunTransfer(const TransferWindow& window, TransferMonitor& monitor, const std::function<void()>& work);

// Whether a transfer is under way on the GUI thread's behalf: what would come in between (a file
// handed over, an update offer) waits for it.
bool TransferRunning();

} // namespace zov::net
