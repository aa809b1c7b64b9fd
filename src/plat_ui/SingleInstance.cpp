#include "plat_ui/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zov::ui {

namespace {
constexpr char KindActivate = 0;
constexpr char KindOpen = 1;
constexpr char Answer = 1;
constexpr int LockWaitMs = 10000;
constexpr int ProbeMs = 2000;

// A folder of the user's that nobody else may enter.
bool isPrivateFolder(const QString& folder)
{
    struct stat status {};
    return !folder.isEmpty() && ::lstat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode)
        && status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}

QString privateFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (isPrivateFolder(runtime))
        return runtime;
    // No usable runtime folder: one of our own in the temporary folder, made private.
    const QString own = QDir::tempPath() + QStringLiteral("/zovaran-") + QString::number(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
}

// The lock starts take turns under, held for one scope.
class NameLock {
public:
    explicit NameLock(const QString& socketPath)
    {
        m_fd = ::open(QFile::encodeName(socketPath + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return;
        QElapsedTimer clock;
        clock.start();
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (clock.elapsed() > LockWaitMs) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            QThread::msleep(10);
        }
    }
    ~NameLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // and the lock with it
    }
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Whether an instance answers on Path.
bool answers(const QString& path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    const bool connected = probe.waitForConnected(ProbeMs);
    probe.abort();
    return connected;
}
} // namespace

QByteArray EncodeInstanceMessage(const InstanceMessage& message)
{
    QByteArray data;
    if (!message.open || message.path.isEmpty()) {
        data.append(KindActivate);
        return data;
    }
    data.append(KindOpen);
    data.append(char(quint8(message.path.size())));
    data.append(message.path);
    return data;
}

DecodeResult DecodeInstanceMessage(const QByteArray& data, InstanceMessage& message)
{
    if (data.isEmpty())
        return DecodeResult::Incomplete;
    const char kind = data[0];
    if (kind == KindActivate) {
        message = {};
        return DecodeResult::Complete;
    }
    if (kind != KindOpen)
        return DecodeResult::Malformed;
    if (data.size() < 2)
        return DecodeResult::Incomplete;
    const int length = quint8(data[1]);
    // The length byte is checked against what arrived: nothing is read past the data.
    if (data.size() < 2 + length)
        return DecodeResult::Incomplete;
    message.path = data.mid(2, length);
    message.open = !message.path.isEmpty();
    return DecodeResult::Complete;
}

void BringToFront(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

SingleInstance::SingleInstance(QString serverName)
    : m_name(std::move(serverName))
    , m_path(SocketPath(m_name))
{
}

QString SingleInstance::SocketPath(const QString& name)
{
    if (name.startsWith(u'/'))
        return name;
    const QString folder = privateFolder();
    return folder.isEmpty() ? QString() : folder + u'/' + name;
}

SingleInstance::~SingleInstance()
{
    for (Pending& p : m_queue) {
        if (p.socket)
            p.socket->abort();
    }
    m_queue.clear();
    if (m_server && m_server->isListening()) {
        // Closing removes the socket file: under the lock, so that it is ours and not that of
        // a start which took the name over meanwhile.
        NameLock lock(m_path);
        m_server->close();
    }
}

QString SingleInstance::DefaultServerName()
{
    // A test may run its own pair of programs beside the user's editor.
    const QString own = qEnvironmentVariable("ZOVARAN_INSTANCE");
    if (!own.isEmpty())
        return own;
    return QStringLiteral("zovaran-") + QString::number(getuid());
}

bool SingleInstance::SendToRunning(const InstanceMessage& message, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    auto remaining = [&] { return int(std::max<qint64>(0, timeoutMs - clock.elapsed())); };

    if (m_path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(timeoutMs))
        return false; // nobody listens: no server, or one left behind by a crash
    socket.write(EncodeInstanceMessage(message));
    // The running instance is there; a late or missing answer does not keep this start alive.
    while (socket.bytesToWrite() > 0 && remaining() > 0) {
        if (!socket.waitForBytesWritten(remaining()))
            break;
    }
    while (socket.bytesAvailable() == 0 && socket.state() == QLocalSocket::ConnectedState && remaining() > 0) {
        if (!socket.waitForReadyRead(remaining()))
            break;
    }
    socket.abort();
    return true;
}

bool SingleInstance::Listen()
{
    m_taken = false;
    if (m_server && m_server->isListening())
        return true;
    if (m_path.isEmpty())
        return false;
    // One start at a time from here to listening: a start that comes after finds the server up.
    NameLock lock(m_path);
    if (!lock.held())
        return false;
    if (answers(m_path)) {
        m_taken = true;
        return false;
    }
    m_server = std::make_unique<QLocalServer>();
    // Made in place, in the private folder: no access option, which would build the socket
    // elsewhere and rename it over the name.
    if (!m_server->listen(m_path)) {
        if (m_server->serverError() != QAbstractSocket::AddressInUseError)
            return false;
        // Nobody answered while we hold the lock: the socket was left by a crashed instance.
        QLocalServer::removeServer(m_path);
        if (!m_server->listen(m_path))
            return false;
    }
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_server.get(), [this] { acceptConnections(); });
    return true;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::SetHandler(std::function<void(const InstanceMessage&)> handler)
{
    m_handler = std::move(handler);
    deliverLater();
}

void SingleInstance::SetWindow(QWidget* window)
{
    m_window = window;
}

void SingleInstance::SetHeld(bool held)
{
    m_held = held;
    if (!held)
        deliverLater();
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { readFrom(socket); });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket)
{
    if (socket->property("zovReceived").toBool())
        return;
    InstanceMessage message;
    switch (DecodeInstanceMessage(socket->peek(socket->bytesAvailable()), message)) {
    case DecodeResult::Incomplete:
        return;
    case DecodeResult::Malformed:
        socket->abort();
        return;
    case DecodeResult::Complete:
        break;
    }
    socket->readAll();
    socket->setProperty("zovReceived", true);
    m_queue.push_back({ socket, std::move(message) });
    deliverLater();
}

void SingleInstance::deliverLater()
{
    if (m_queue.empty() || !m_server)
        return;
    QTimer::singleShot(0, m_server.get(), [this] { deliver(); });
}

void SingleInstance::deliver()
{
    // A handler that pumps messages (a box, a progress window) must not start the next one inside it.
    if (m_delivering)
        return;
    m_delivering = true;
    while (!m_queue.empty() && !m_held && m_handler) {
        Pending pending = std::move(m_queue.front());
        m_queue.pop_front();
        struct AnswerOnExit {
            QPointer<QLocalSocket> socket;
            ~AnswerOnExit()
            {
                if (!socket || socket->state() != QLocalSocket::ConnectedState)
                    return;
                socket->write(&Answer, 1);
                socket->flush();
                socket->disconnectFromServer();
            }
        } answer { pending.socket };
        BringToFront(m_window);
        try {
            m_handler(pending.message);
        } catch (...) {
            m_delivering = false;
            deliverLater();
            throw;
        }
    }
    m_delivering = false;
}

} // namespace zov::ui
