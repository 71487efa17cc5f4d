#include "platform/HandOver.h"

#include "platform/Errors.h"
#include "platform/InstanceLock.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QTimer>
#include <QtEndian>

#include <stdexcept>

Q_LOGGING_CATEGORY(lcHandOver, "lumeno.handover")

namespace Platform {

namespace {
constexpr qsizetype kReplySize = 4;
} // namespace

QString handOverSocketPath(const QString& name)
{
    return perUserRuntimePath(name);
}

HandOverReceiver::HandOverReceiver(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)), m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &HandOverReceiver::acceptConnections);
}

HandOverReceiver::~HandOverReceiver() = default;

bool HandOverReceiver::listen(const QString& socketPath)
{
    // A crashed instance leaves its socket file behind; the lock proves nobody serves it.
    QLocalServer::removeServer(socketPath);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(socketPath))
        return true;
    qCWarning(lcHandOver, "cannot listen on %s: %s", qPrintable(socketPath),
              qPrintable(m_server->errorString()));
    return false;
}

QString HandOverReceiver::errorString() const
{
    return m_server->errorString();
}

void HandOverReceiver::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // Bounds what a sender can make us buffer; the kernel holds back the rest.
        socket->setReadBufferSize(kHandOverHeaderSize + kHandOverMaxData);
        Connection& connection = m_connections[socket];
        connection.stallTimer = new QTimer(socket);
        connection.stallTimer->setSingleShot(true);
        connection.stallTimer->setInterval(m_stallMs);
        connect(connection.stallTimer, &QTimer::timeout, this,
                [this, socket] { drop(socket, "sender stalled"); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { peerClosed(socket); });
        connection.stallTimer->start();
        readFrom(socket);
    }
}

void HandOverReceiver::readFrom(QLocalSocket* socket)
{
    auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->frameQueued)
        return; // a sender's next frame waits until its current one is answered
    if (readFrame(socket, *it))
        scheduleQueue();
}

void HandOverReceiver::scheduleQueue()
{
    // Not from inside the socket's signal: the handler may delete sockets or this receiver.
    QTimer::singleShot(0, this, &HandOverReceiver::handleQueue);
}

// Reads no more than the current frame needs, so nothing past cbData is ever looked at.
// Returns true when a complete, valid frame was queued; a bad one drops the connection.
bool HandOverReceiver::readFrame(QLocalSocket* socket, Connection& connection)
{
    QByteArray& buffer = connection.buffer;
    bool progress = false;
    for (;;) {
        FrameParse parse = parseHandOverFrame(buffer);
        if (parse.status == FrameStatus::Invalid) {
            drop(socket, parse.reason);
            return false;
        }
        if (parse.status == FrameStatus::Complete) {
            m_queue.enqueue({socket, parse.frame.dwData, std::move(parse.frame.text)});
            buffer.clear();
            connection.frameQueued = true;
            connection.stallTimer->stop(); // the sender now rightly waits for us
            return true;
        }
        const QByteArray chunk = socket->read(parse.missing);
        if (chunk.isEmpty())
            break;
        progress = true;
        buffer += chunk;
    }
    if (progress)
        connection.stallTimer->start();
    return false;
}

void HandOverReceiver::peerClosed(QLocalSocket* socket)
{
    // Everything the sender wrote was read before this signal; a complete frame is queued
    // and still handled (the file was handed over), a partial one is discarded.
    auto it = m_connections.find(socket);
    if (it != m_connections.end() && !it->frameQueued)
        release(socket);
}

void HandOverReceiver::drop(QLocalSocket* socket, const char* reason)
{
    qCWarning(lcHandOver, "hand-over connection dropped: %s", reason);
    release(socket);
}

void HandOverReceiver::release(QLocalSocket* socket)
{
    const auto it = m_connections.constFind(socket);
    if (it == m_connections.constEnd())
        return;
    it->stallTimer->stop();
    m_connections.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void HandOverReceiver::handleQueue()
{
    if (m_handling || m_queue.isEmpty())
        return; // a handler further up the stack is running a nested event loop
    m_handling = true;
    const QPointer<HandOverReceiver> self(this);
    // The handler may destroy this receiver (the window closing in a nested event loop);
    // run a copy so its captures outlive that.
    const Handler handler = m_handler;
    while (!m_queue.isEmpty()) {
        const Frame frame = m_queue.dequeue();
        try {
            handler(frame.dwData, frame.text);
        } catch (const std::exception& error) {
            handleException(error);
        } catch (...) {
            handleException(std::runtime_error("unknown error during a hand-over"));
        }
        if (!self)
            return;
        finishFrame(frame);
    }
    m_handling = false;
}

void HandOverReceiver::finishFrame(const Frame& frame)
{
    QLocalSocket* socket = frame.socket;
    auto it = socket ? m_connections.find(socket) : m_connections.end();
    if (it == m_connections.end())
        return;
    // Still marked queued while writing: a write error may report the disconnect right here.
    if (socket->state() == QLocalSocket::ConnectedState) {
        socket->write(QByteArray(kReplySize, '\0'));
        socket->flush();
    }
    it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    it->frameQueued = false;
    if (socket->state() != QLocalSocket::ConnectedState) {
        release(socket);
        return;
    }
    if (readFrame(socket, *it))
        return;                      // the caller's loop handles it next
    it = m_connections.find(socket); // gone if that frame was refused
    if (it != m_connections.end())
        it->stallTimer->start();
}

SendResult sendHandOver(const QString& socketPath, quint32 dwData, const QString& text,
                        int timeoutMs)
{
    QByteArray data = text.toUtf8();
    data.append('\0');
    if (data.size() > qsizetype(kHandOverMaxData)) {
        qCWarning(lcHandOver, "argument too long to hand over (%lld bytes)",
                  static_cast<long long>(data.size()));
        return SendResult::Failed;
    }
    const QDeadlineTimer deadline(timeoutMs); // negative: forever
    const auto remaining = [&deadline] { return int(deadline.remainingTime()); };

    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(remaining())) {
        const auto error = socket.error();
        if (error == QLocalSocket::ServerNotFoundError ||
            error == QLocalSocket::ConnectionRefusedError)
            return SendResult::NoReceiver;
        qCWarning(lcHandOver, "cannot connect: %s", qPrintable(socket.errorString()));
        return SendResult::Failed;
    }
    socket.write(encodeHandOverFrame(dwData, data));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remaining()))
            return SendResult::Failed;
    }
    while (socket.bytesAvailable() < kReplySize) {
        if (!socket.waitForReadyRead(remaining()))
            return SendResult::Failed; // refused, timed out, or the receiver went away
    }
    const QByteArray reply = socket.read(kReplySize);
    return qFromLittleEndian<quint32>(reply.constData()) == 0 ? SendResult::Delivered
                                                              : SendResult::Failed;
}

int forwardArguments(const QStringList& args,
                     const std::function<void(const QString&)>& showMessage,
                     const QString& socketPath)
{
    for (const QString& argument : args) {
        switch (sendHandOver(socketPath, 0, argument)) {
        case SendResult::NoReceiver:
            showMessage(QString::fromLatin1(kReceiverNotFound));
            break;
        case SendResult::Failed:
            qCWarning(lcHandOver, "hand-over of %s failed", qPrintable(argument));
            break;
        case SendResult::Delivered:
            break;
        }
    }
    return 0;
}

} // namespace Platform
