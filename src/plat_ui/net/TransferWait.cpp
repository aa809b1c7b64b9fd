#include "plat_ui/net/TransferWait.h"

#include "diagram/Progress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <exception>
#include <thread>

namespace zov::net {

namespace {

int transfersRunning = 0; // GUI thread only

// Drops the user's input to everything but the progress window while a transfer runs, as a
// modal window would, also before the progress window shows.
class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* allowed)
        : m_allowed(allowed)
    {
        qApp->installEventFilter(this);
    }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (!IsInput(event->type()))
            return false;
        if (m_allowed) {
            if (auto* widget = qobject_cast<QWidget*>(target); widget && (widget == m_allowed || m_allowed->isAncestorOf(widget)))
                return false;
            if (auto* window = qobject_cast<QWindow*>(target); window && window == m_allowed->windowHandle())
                return false;
        }
        return true;
    }

private:
    static bool IsInput(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }

    QWidget* m_allowed;
};

} // namespace

void TransferMonitor::Status(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back({ Event::Kind::Status, text, 0 });
}

void TransferMonitor::Length(std::int64_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back({ Event::Kind::Length, {}, bytes });
}

void TransferMonitor::Block()
{
    std::lock_guard lock(m_mutex);
    m_events.push_back({ Event::Kind::Block, {}, 0 });
}

std::vector<TransferMonitor::Event> TransferMonitor::Take()
{
    std::lock_guard lock(m_mutex);
    std::vector<Event> out;
    out.swap(m_events);
    return out;
}

bool RunTransfer(const TransferWindow& window, TransferMonitor& monitor, const std::function<void()>& work)
{
    Progress& progress = *window.progress;
    ++transfersRunning;
    struct Count {
        ~Count() { --transfersRunning; }
    } count;
    InputBlocker blocker(dynamic_cast<QWidget*>(window.progress));

    bool shown = false;
    bool cancelled = false;
    std::int64_t length = -1;
    auto maximum = [&] { return length < 0 ? 1 : int(std::min<std::int64_t>(length / window.blockSize + 1, 1 << 30)); };
    auto open = [&] {
        if (shown)
            return;
        shown = true;
        progress.Open(window.caption, window.info, maximum());
    };
    auto cancel = [&] {
        cancelled = true;
        monitor.Stop();
    };
    // Hands what the transfer told over to the window, in order.
    auto drain = [&] {
        for (const TransferMonitor::Event& e : monitor.Take()) {
            if (cancelled)
                return;
            switch (e.kind) {
            case TransferMonitor::Event::Kind::Status:
                if (window.status)
                    window.status(e.text);
                break;
            case TransferMonitor::Event::Kind::Length:
                length = e.bytes;
                if (shown)
                    progress.SetMaximum(maximum());
                else if (length > window.blockSize)
                    open();
                break;
            case TransferMonitor::Event::Kind::Block:
                progress.StepIt();
                if (progress.Cancelled())
                    cancel();
                break;
            }
        }
    };

    QEventLoop loop;
    std::atomic<bool> finished { false };
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        finished = true;
        // By name: a functor is an object that both threads hold, freed by whichever lets go of it
        // last, through a count inside Qt that the race checker cannot see.
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });

    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.setInterval(20);
    bool ticking = false;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        // The window lets events run while it steps: a tick inside a tick would take events
        // out of their order.
        if (ticking)
            return;
        ticking = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done { ticking };
        drain();
        if (!cancelled && progress.Cancelled())
            cancel();
        if (!shown && !cancelled && (window.openAtOnce || clock.elapsed() >= ShowAfterMs))
            open();
        if (finished)
            loop.quit();
    });
    if (window.openAtOnce)
        open();
    tick.start();
    if (!finished)
        loop.exec();
    tick.stop();
    worker.join();
    drain(); // what came after the last tick
    if (shown)
        progress.Close();
    if (error)
        std::rethrow_exception(error);
    return cancelled;
}

bool TransferRunning()
{
    return transfersRunning > 0;
}

} // namespace zov::net
