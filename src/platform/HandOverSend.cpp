// SPDX-License-Identifier: GPL-3.0-or-later
// The sending half of the hand-over, all a later start needs: it links only Qt's core
// and network modules.
#include "platform/HandOver.h"

#include "platform/InstanceLock.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QThread>
#include <QtEndian>

Q_LOGGING_CATEGORY(lcHandOverSend, "lumeno.handover")

namespace Platform {

QString handOverSocketPath(const QString& name)
{
    return perUserRuntimePath(name);
}

SendResult sendHandOver(const QString& socketPath, quint32 dwData, const QString& text,
                        int timeoutMs)
{
    QByteArray data = text.toUtf8();
    data.append('\0');
    if (data.size() > qsizetype(kHandOverMaxData)) {
        qCWarning(lcHandOverSend, "argument too long to hand over (%lld bytes)",
                  static_cast<long long>(data.size()));
        return SendResult::TooLong;
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
        qCWarning(lcHandOverSend, "cannot connect: %s", qPrintable(socket.errorString()));
        return SendResult::Failed;
    }
    socket.write(encodeHandOverFrame(dwData, data));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remaining()))
            return SendResult::Failed;
    }
    while (socket.bytesAvailable() < kHandOverReplySize) {
        if (!socket.waitForReadyRead(remaining()))
            return SendResult::Failed; // refused, timed out, or the receiver went away
    }
    const QByteArray reply = socket.read(kHandOverReplySize);
    return qFromLittleEndian<quint32>(reply.constData()) == 0 ? SendResult::Delivered
                                                              : SendResult::Failed;
}

namespace {
constexpr int kRetryMs = 50;

// One argument, retried while nobody takes it, up to the deadline.
SendResult forwardOne(const QString& socketPath, const QString& argument,
                      const QDeadlineTimer& deadline, const std::function<bool()>& takeOver,
                      bool& tookOver)
{
    for (;;) {
        const SendResult result = sendHandOver(socketPath, 0, argument);
        // Failed: connected, but the instance went away before answering (it is closing).
        if (result == SendResult::Delivered || result == SendResult::TooLong)
            return result;
        if (takeOver && takeOver()) {
            tookOver = true;
            return result;
        }
        if (deadline.hasExpired())
            return result;
        QThread::msleep(kRetryMs);
    }
}
} // namespace

ForwardResult forwardArguments(const QStringList& args,
                               const std::function<void(const QString&)>& showMessage,
                               const QString& socketPath, int receiverWaitMs,
                               const std::function<bool()>& takeOver)
{
    ForwardResult outcome;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& argument = args.at(i);
        bool tookOver = false;
        const SendResult result =
            forwardOne(socketPath, argument, QDeadlineTimer(receiverWaitMs), takeOver, tookOver);
        if (tookOver) {
            outcome.tookOver = true;
            outcome.remaining = args.mid(i);
            return outcome;
        }
        switch (result) {
        case SendResult::Delivered:
            break;
        case SendResult::NoReceiver:
            outcome.exitCode = 1;
            showMessage(QString::fromLatin1(kReceiverNotFound));
            break;
        case SendResult::Failed:
        case SendResult::TooLong:
            outcome.exitCode = 1;
            qCWarning(lcHandOverSend, "hand-over of %s failed", qPrintable(argument));
            break;
        }
    }
    return outcome;
}

} // namespace Platform
