// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HandOver.h"

#include "platform/Errors.h"
#include "platform/Responsive.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <stdexcept>

Q_LOGGING_CATEGORY(lcHandOver, "lumeno.handover")

namespace Platform {

namespace {
constexpr int kDeferMs = 20; // retry of a hand-over put off while media open

} // namespace

// The socket side of a receiver, on the receiver's I/O thread: reads frames, queues them
// in the receiver and answers each at once.
class HandOverListener : public QObject {
public:
    explicit HandOverListener(HandOverReceiver* receiver)
        : m_receiver(receiver), m_server(new QLocalServer(this))
    {
        connect(m_server, &QLocalServer::newConnection, this, &HandOverListener::acceptConnections);
    }

    bool listen(const QString& socketPath, QString& error)
    {
        // A crashed instance leaves its socket file behind; the lock proves nobody serves it.
        QLocalServer::removeServer(socketPath);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        const bool listening = m_server->listen(socketPath);
        error = m_server->errorString();
        if (!listening)
            qCWarning(lcHandOver, "cannot listen on %s: %s", qPrintable(socketPath),
                      qPrintable(error));
        return listening;
    }

    void setStallTimeout(int ms) { m_stallMs = ms; }

private:
    struct Connection {
        QByteArray buffer; // the frame read so far
        QTimer* stallTimer = nullptr;
    };

    void acceptConnections();
    void readFrom(QLocalSocket* socket);
    void readFrames(QLocalSocket* socket, Connection& connection);
    bool answer(QLocalSocket* socket);
    void drop(QLocalSocket* socket, const char* reason);
    void release(QLocalSocket* socket);

    HandOverReceiver* m_receiver;
    QLocalServer* m_server;
    QHash<QLocalSocket*, Connection> m_connections;
    int m_stallMs = kHandOverStallMs;
};

void HandOverListener::acceptConnections()
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
        // Everything the sender wrote was read before this signal: its complete frames
        // are queued and still handled, a partial one is discarded.
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { release(socket); });
        connection.stallTimer->start();
        readFrom(socket);
    }
}

void HandOverListener::readFrom(QLocalSocket* socket)
{
    auto it = m_connections.find(socket);
    if (it != m_connections.end())
        readFrames(socket, *it);
}

// Reads no more than the current frame needs, so nothing past cbData is ever looked at.
// Every complete, valid frame is queued and then answered; a bad one drops the connection.
void HandOverListener::readFrames(QLocalSocket* socket, Connection& connection)
{
    QByteArray& buffer = connection.buffer;
    bool progress = false;
    for (;;) {
        FrameParse parse = parseHandOverFrame(buffer);
        if (parse.status == FrameStatus::Invalid) {
            drop(socket, parse.reason);
            return;
        }
        if (parse.status == FrameStatus::Complete) {
            // Queued before the answer: a sender told its file arrived finds it queued
            // even if the player closes right after.
            m_receiver->enqueue({parse.frame.dwData, std::move(parse.frame.text)});
            buffer.clear();
            if (!answer(socket))
                return; // the sender went away; its frame is still handled
            continue;
        }
        const QByteArray chunk = socket->read(parse.missing);
        if (chunk.isEmpty())
            break;
        progress = true;
        buffer += chunk;
    }
    if (progress)
        connection.stallTimer->start();
}

bool HandOverListener::answer(QLocalSocket* socket)
{
    if (socket->state() == QLocalSocket::ConnectedState) {
        socket->write(QByteArray(kHandOverReplySize, '\0'));
        socket->flush();
    }
    // A write error may have reported the disconnect (and released the socket) right here.
    return m_connections.contains(socket) && socket->state() == QLocalSocket::ConnectedState;
}

void HandOverListener::drop(QLocalSocket* socket, const char* reason)
{
    qCWarning(lcHandOver, "hand-over connection dropped: %s", reason);
    release(socket);
}

void HandOverListener::release(QLocalSocket* socket)
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

HandOverReceiver::HandOverReceiver(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)), m_thread(new QThread(this)),
      m_listener(new HandOverListener(this))
{
    m_thread->setObjectName(QStringLiteral("hand-over"));
    m_listener->moveToThread(m_thread);
    m_thread->start();
}

HandOverReceiver::~HandOverReceiver()
{
    stopListening();
}

bool HandOverReceiver::listen(const QString& socketPath)
{
    bool listening = false;
    if (m_listener)
        QMetaObject::invokeMethod(
            m_listener,
            [this, &socketPath, &listening] {
                listening = m_listener->listen(socketPath, m_errorString);
            },
            Qt::BlockingQueuedConnection);
    return listening;
}

QString HandOverReceiver::errorString() const
{
    return m_errorString;
}

void HandOverReceiver::setStallTimeout(int ms)
{
    if (m_listener)
        QMetaObject::invokeMethod(
            m_listener, [this, ms] { m_listener->setStallTimeout(ms); },
            Qt::BlockingQueuedConnection);
}

void HandOverReceiver::stopListening()
{
    if (!m_listener)
        return;
    // The listener and its sockets end on their own thread; an answered frame is queued.
    QMetaObject::invokeMethod(
        m_listener, [this] { delete m_listener; }, Qt::BlockingQueuedConnection);
    m_listener = nullptr;
    m_thread->quit();
    m_thread->wait();
}

void HandOverReceiver::setHandler(Handler handler)
{
    m_handler = std::move(handler);
    scheduleQueue();
}

QList<HandOverReceiver::Frame> HandOverReceiver::takePending()
{
    const QMutexLocker lock(&m_queueMutex);
    QList<Frame> pending(m_queue.begin(), m_queue.end());
    m_queue.clear();
    return pending;
}

void HandOverReceiver::enqueue(Frame frame)
{
    {
        const QMutexLocker lock(&m_queueMutex);
        m_queue.enqueue(std::move(frame));
    }
    scheduleQueue();
}

void HandOverReceiver::scheduleQueue()
{
    // Posted, from either thread: the handler may delete sockets or this receiver.
    QMetaObject::invokeMethod(this, &HandOverReceiver::handleQueue, Qt::QueuedConnection);
}

void HandOverReceiver::handleQueue()
{
    if (m_handling || !m_handler)
        return; // a handler further up the stack is running a nested event loop
    if (insideResponsiveWait()) {
        // Media are being opened or stopped; the next file waits until that is done.
        QTimer::singleShot(kDeferMs, this, &HandOverReceiver::handleQueue);
        return;
    }
    m_handling = true;
    const QPointer<HandOverReceiver> self(this);
    // The handler may destroy this receiver (the window closing in a nested event loop);
    // run a copy so its captures outlive that.
    const Handler handler = m_handler;
    for (;;) {
        Frame frame;
        {
            const QMutexLocker lock(&m_queueMutex);
            if (m_queue.isEmpty())
                break;
            frame = m_queue.dequeue();
        }
        try {
            handler(frame.dwData, frame.text);
        } catch (const std::exception& error) {
            handleException(error);
        } catch (...) {
            handleException(std::runtime_error("unknown error during a hand-over"));
        }
        if (!self)
            return;
    }
    m_handling = false;
}

} // namespace Platform
