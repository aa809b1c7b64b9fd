#pragma once
// One running program per user. A second start connects to the first over a local socket, hands
// it the file it was started with (or only asks it to come forward) and waits for its answer; the
// first instance answers once its handler has run.
//
// The socket lives in a folder only its user can enter (the user's runtime folder), which is what
// keeps it private; it is made in place, never built elsewhere and renamed over the name. Starts
// at the same moment take their turns under a lock beside it: each tries once more to reach a
// running instance before it takes the name over, so a live instance is never replaced and
// exactly one of them becomes the running instance.
//
// On the wire: one kind byte (0 bring forward, 1 bring forward and open), then for kind 1 a length
// byte L and L bytes of the path (UTF-8, at most 255). The answer is one byte.

#include <QByteArray>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace zov::ui {

struct InstanceMessage {
    bool open = false; // false: only bring the window forward
    QByteArray path;   // the file to open, UTF-8, at most 255 bytes
};

enum class DecodeResult { Incomplete, Complete, Malformed };

// The bytes of Message; a path over 255 bytes is not encodable (the caller refuses it first).
QByteArray EncodeInstanceMessage(const InstanceMessage& message);
// Reads one message from the start of Data. An open message with an empty path decodes as a
// bring-forward; bytes after the message are ignored.
DecodeResult DecodeInstanceMessage(const QByteArray& data, InstanceMessage& message);

// Shows Window normally if minimised, raises it and asks for the focus.
void BringToFront(QWidget* window);

class SingleInstance {
public:
    static constexpr int MaxPathBytes = 255;
    static constexpr int DefaultTimeoutMs = 5000;

    explicit SingleInstance(QString serverName);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // This user's server name.
    static QString DefaultServerName();
    const QString& serverName() const { return m_name; }
    // Where the socket of Name lives: Name itself when it is a full path, else Name in the user's
    // private runtime folder (empty when there is no such folder that only the user can enter).
    static QString SocketPath(const QString& name);

    // Sends Message to a running instance and waits for its answer, at most TimeoutMs in all.
    // True when an instance was running, answered or not; false when none listens.
    bool SendToRunning(const InstanceMessage& message, int timeoutMs = DefaultTimeoutMs);

    // Makes this process the running instance, unless another one answers on the name when this
    // one holds the lock (then takenByAnother() is true: send to it). A socket left by a crashed
    // instance is removed. False when the server cannot listen or another instance runs.
    bool Listen();
    bool isListening() const;
    bool takenByAnother() const { return m_taken; }

    // The receiver's handler, run on the GUI thread after the window (when set) came forward.
    // The sender gets its answer when the handler returns. Without a handler messages wait.
    void SetHandler(std::function<void(const InstanceMessage&)> handler);
    // The window brought forward for every message; may be null.
    void SetWindow(QWidget* window);
    // While held (start-up before the main window is ready, a modal load), messages wait in order.
    void SetHeld(bool held);
    bool isHeld() const { return m_held; }
    int pendingCount() const { return int(m_queue.size()); }

private:
    struct Pending {
        QPointer<QLocalSocket> socket;
        InstanceMessage message;
    };

    void acceptConnections();
    void readFrom(QLocalSocket* socket);
    void deliverLater();
    void deliver();

    QString m_name;
    QString m_path;
    std::unique_ptr<QLocalServer> m_server;
    bool m_taken = false;
    std::function<void(const InstanceMessage&)> m_handler;
    QPointer<QWidget> m_window;
    std::deque<Pending> m_queue;
    bool m_held = false;
    bool m_delivering = false;
};

} // namespace zov::ui
