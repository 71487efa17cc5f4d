// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hands a second start's arguments to the running instance over a per-user local socket.
//
// Frame, sender to receiver: dwData (u32 LE), cbData (u32 LE), then cbData bytes: UTF-8
// text whose terminating zero is counted in cbData. Reply: u32 LE 0, written as soon as
// the frame is taken into the receiver's queue. The reply does not wait for the handler:
// a handler may sit in a message box for as long as nobody clicks it, and later starts
// must not hang on that.

#include "platform/HandOverFrame.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

class QThread;

namespace Platform {

constexpr int kHandOverStallMs = 2000;          // a sender silent this long is dropped
// How long a start that finds the instance lock taken waits for the running instance
// to take hand-overs: that instance may be in its first moments.
constexpr int kReceiverWaitMs = 8000;
inline const char kReceiverNotFound[] = "CopyData Receiver NOT found!";

// "$XDG_RUNTIME_DIR/<name>", or "/tmp/<name>-<uid>" (see perUserRuntimePath).
QString handOverSocketPath(const QString& name = QStringLiteral("Lumeno"));

class HandOverListener;

// The sockets are read and answered on a thread of their own, so a later start gets its
// reply at once even while this program's window thread is busy (opening the file an
// earlier start handed over, say); the frames are handled on the receiver's thread.
class HandOverReceiver : public QObject {
    Q_OBJECT
public:
    // text holds the bytes before the terminating zero. The handler runs on this object's
    // thread, may run nested event loops, and may take as long as it needs.
    using Handler = std::function<void(quint32 dwData, const QByteArray& text)>;
    struct Frame {
        quint32 dwData = 0;
        QByteArray text;
    };

    // Without a handler, frames are answered and kept until one is set.
    explicit HandOverReceiver(Handler handler, QObject* parent = nullptr);
    ~HandOverReceiver() override;

    // Removes a leftover socket file at socketPath, then listens there. Call it only while
    // holding the instance lock, or a running instance's socket would be taken away.
    bool listen(const QString& socketPath);
    QString errorString() const;
    void setStallTimeout(int ms);
    void setHandler(Handler handler);
    // No more hand-overs are taken; frames already answered stay for takePending.
    void stopListening();
    // The frames answered but not handled yet, in arrival order; they leave the queue.
    QList<Frame> takePending();

private:
    friend class HandOverListener;
    void enqueue(Frame frame); // from the listener's thread
    void scheduleQueue();
    void handleQueue();

    Handler m_handler;
    QThread* m_thread;
    HandOverListener* m_listener; // lives in m_thread; null once stopped
    QString m_errorString;
    QMutex m_queueMutex;
    QQueue<Frame> m_queue;
    bool m_handling = false;
};

enum class SendResult { Delivered, NoReceiver, Failed, TooLong };

// Connects, sends one frame and waits for the reply. timeoutMs -1 waits as long as the
// receiver's hand-over takes. Blocks the calling thread; meant for the short-lived second
// instance, which has no window to keep alive.
SendResult sendHandOver(const QString& socketPath, quint32 dwData, const QString& text,
                        int timeoutMs = -1);

struct ForwardResult {
    int exitCode = 0;      // 0 only when every argument was delivered
    bool tookOver = false; // the running instance went away; this start is it now
    QStringList remaining; // with tookOver: the arguments still to be played
};

// Sends each argument in order with dwData 0. Nobody receiving yet: tries again until
// receiverWaitMs have passed, asking takeOver (when given) whether the instance lock
// has become free, which ends the forwarding with the rest of the arguments. Still
// nobody: shows kReceiverNotFound and goes on with the next argument.
ForwardResult forwardArguments(const QStringList& args,
                               const std::function<void(const QString&)>& showMessage,
                               const QString& socketPath = handOverSocketPath(),
                               int receiverWaitMs = kReceiverWaitMs,
                               const std::function<bool()>& takeOver = {});

} // namespace Platform
