#include "plat_ui/SingleInstance.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

namespace zov::ui {

namespace {
constexpr char KindActivate = 0;
constexpr char KindOpen = 1;
constexpr char Answer = 1;
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
{
}

SingleInstance::~SingleInstance()
{
    for (Pending& p : m_queue) {
        if (p.socket)
            p.socket->abort();
    }
    m_queue.clear();
    if (m_server)
        m_server->close();
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

    QLocalSocket socket;
    socket.connectToServer(m_name);
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
    if (m_server && m_server->isListening())
        return true;
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        if (m_server->serverError() != QAbstractSocket::AddressInUseError)
            return false;
        // Nobody answered on this name (the caller tried first), so the socket is stale.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
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
