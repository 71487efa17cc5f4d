#pragma once
// Hands a second start's arguments to the running instance over a per-user local socket.
//
// Frame, sender to receiver: dwData (u32 LE), cbData (u32 LE), then cbData bytes: UTF-8
// text whose terminating zero is counted in cbData. Reply: u32 LE 0, written only after
// the receiver's handler has finished, so the sender waits out the whole hand-over.

#include "platform/HandOverFrame.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace Platform {

constexpr int kHandOverStallMs = 2000; // a sender silent this long is dropped
inline const char kReceiverNotFound[] = "CopyData Receiver NOT found!";

// "$XDG_RUNTIME_DIR/<name>", or "/tmp/<name>-<uid>" (see perUserRuntimePath).
QString handOverSocketPath(const QString& name = QStringLiteral("Lumeno"));

class HandOverReceiver : public QObject {
    Q_OBJECT
public:
    // text holds the bytes before the terminating zero. The handler runs on this object's
    // thread, may run nested event loops, and may take as long as it needs.
    using Handler = std::function<void(quint32 dwData, const QByteArray& text)>;

    explicit HandOverReceiver(Handler handler, QObject* parent = nullptr);
    ~HandOverReceiver() override;

    // Removes a leftover socket file at socketPath, then listens there. Call it only while
    // holding the instance lock, or a running instance's socket would be taken away.
    bool listen(const QString& socketPath);
    QString errorString() const;
    void setStallTimeout(int ms) { m_stallMs = ms; }

private:
    struct Connection {
        QByteArray buffer; // the frame read so far
        QTimer* stallTimer = nullptr;
        bool frameQueued = false;
    };
    struct Frame {
        QPointer<QLocalSocket> socket;
        quint32 dwData = 0;
        QByteArray text;
    };

    void acceptConnections();
    void readFrom(QLocalSocket* socket);
    bool readFrame(QLocalSocket* socket, Connection& connection);
    void peerClosed(QLocalSocket* socket);
    void drop(QLocalSocket* socket, const char* reason);
    void release(QLocalSocket* socket);
    void scheduleQueue();
    void handleQueue();
    void finishFrame(const Frame& frame);

    Handler m_handler;
    QLocalServer* m_server;
    QHash<QLocalSocket*, Connection> m_connections;
    QQueue<Frame> m_queue;
    bool m_handling = false;
    int m_stallMs = kHandOverStallMs;
};

enum class SendResult { Delivered, NoReceiver, Failed };

// Connects, sends one frame and waits for the reply. timeoutMs -1 waits as long as the
// receiver's hand-over takes. Blocks the calling thread; meant for the short-lived second
// instance, which has no window to keep alive.
SendResult sendHandOver(const QString& socketPath, quint32 dwData, const QString& text,
                        int timeoutMs = -1);

// Sends each argument in order with dwData 0; for every one nobody receives, shows
// kReceiverNotFound and goes on. Returns the second instance's exit code, 0.
int forwardArguments(const QStringList& args,
                     const std::function<void(const QString&)>& showMessage,
                     const QString& socketPath = handOverSocketPath());

} // namespace Platform
