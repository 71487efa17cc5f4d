// SPDX-License-Identifier: GPL-3.0-or-later
// The single-instance lock and the hand-over of a second start's arguments, exercised
// between real processes: this binary doubles as the second instance (--send) and as a
// running instance that can be killed (--hold-lock).
#include "platform/Errors.h"
#include "platform/HandOver.h"
#include "platform/InstanceLock.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cstdio>
#include <future>
#include <unistd.h>

using namespace Platform;

namespace {

struct Received {
    quint32 dwData;
    QByteArray text;
};

QByteArray frame(quint32 dwData, quint32 cbData, const QByteArray& bytes)
{
    QByteArray header(8, Qt::Uninitialized);
    qToLittleEndian<quint32>(dwData, header.data());
    qToLittleEndian<quint32>(cbData, header.data() + 4);
    return header + bytes;
}

QByteArray textFrame(const QByteArray& text, quint32 dwData = 0)
{
    return frame(dwData, quint32(text.size() + 1), text + '\0');
}

// Runs a blocking send on another thread while this one serves the receiver.
SendResult sendWhileServing(const QString& path, quint32 dwData, const QString& text,
                            int timeoutMs = -1)
{
    auto result = std::async(std::launch::async, sendHandOver, path, dwData, text, timeoutMs);
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return result.get();
}

QByteArray firstLine(QProcess& process)
{
    while (!process.canReadLine() && process.waitForReadyRead(5000)) {
    }
    return process.readLine().trimmed();
}

void say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// A running instance in miniature: takes the lock, serves the socket, waits to be killed.
int holdLockHelper(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    InstanceLock lock;
    if (!lock.tryAcquire()) {
        say("busy");
        return 0;
    }
    HandOverReceiver receiver([](quint32, const QByteArray&) {});
    receiver.listen(handOverSocketPath());
    say("held");
    return app.exec();
}

// A second start: forwards its arguments, reporting each return and each message.
int sendHelper(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto show = [](const QString& message) { say(qPrintable("message: " + message)); };
    const int waitMs = qEnvironmentVariableIntValue("HANDOVER_WAIT_MS");
    int code = 0;
    for (const QString& argument : app.arguments().mid(2)) {
        code |= forwardArguments({argument}, show, handOverSocketPath(), waitMs).exitCode;
        say("returned");
    }
    return code;
}

} // namespace

class TestHandOver : public QObject {
    Q_OBJECT

private:
    QScopedPointer<QTemporaryDir> m_runtimeDir;
    QList<Received> m_received;

    QString socketPath() const { return m_runtimeDir->filePath("Lumeno"); }
    void startHelper(QProcess& process, const QStringList& args)
    {
        process.start(QCoreApplication::applicationFilePath(), args);
        QVERIFY(process.waitForStarted());
    }
    HandOverReceiver* makeReceiver(HandOverReceiver::Handler handler = {})
    {
        if (!handler)
            handler = [this](quint32 dwData, const QByteArray& text) {
                m_received.append({dwData, text});
            };
        auto* receiver = new HandOverReceiver(handler, this);
        receiver->listen(socketPath());
        return receiver;
    }

private slots:
    void init()
    {
        m_runtimeDir.reset(new QTemporaryDir);
        QVERIFY(m_runtimeDir->isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir->path()));
        m_received.clear();
    }

    void cleanup() { qDeleteAll(findChildren<HandOverReceiver*>()); }

    void runtimePathFallsBackToTmp()
    {
        const QString perUser = QStringLiteral("/tmp/Lumeno-%1").arg(::getuid());
        QCOMPARE(InstanceLock().path(), m_runtimeDir->filePath("Lumeno.lock"));
        QCOMPARE(handOverSocketPath(), socketPath());

        QFile notAFolder(m_runtimeDir->filePath("file"));
        QVERIFY(notAFolder.open(QIODevice::WriteOnly));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(notAFolder.fileName()));
        QCOMPARE(InstanceLock().path(), perUser + ".lock");
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(handOverSocketPath(), perUser);
    }

    void lockIsExclusiveAndAKilledInstanceIsReplaced()
    {
        QProcess holder;
        startHelper(holder, {"--hold-lock"});
        QCOMPARE(firstLine(holder), QByteArray("held"));
        InstanceLock mine;
        QVERIFY(!mine.tryAcquire());
        QProcess second;
        startHelper(second, {"--hold-lock"});
        QCOMPARE(firstLine(second), QByteArray("busy"));
        QVERIFY(second.waitForFinished());

        holder.kill(); // SIGKILL: its lock file and socket file stay behind
        QVERIFY(holder.waitForFinished());
        QVERIFY(QFile::exists(mine.path()) && QFile::exists(socketPath()));
        QCOMPARE(sendHandOver(socketPath(), 0, "a"), SendResult::NoReceiver);
        QVERIFY(mine.tryAcquire());
        QVERIFY(!InstanceLock().tryAcquire()); // a second descriptor conflicts even in-process
        makeReceiver();
        QCOMPARE(sendWhileServing(socketPath(), 0, "after crash"), SendResult::Delivered);
        QTRY_COMPARE(m_received.size(), 1);
    }

    void lockIsNotInheritedByChildren()
    {
        QProcess child;
        {
            InstanceLock mine;
            QVERIFY(mine.tryAcquire());
            child.start("sleep", {"30"});
            QVERIFY(child.waitForStarted());
        }
        QProcess next;
        startHelper(next, {"--hold-lock"});
        QCOMPARE(firstLine(next), QByteArray("held"));
        next.kill();
        child.kill();
        next.waitForFinished();
        child.waitForFinished();
    }

    void secondStartHandsOverEachArgumentInOrder()
    {
        QProcess sender;
        bool senderEndedFirst = false;
        makeReceiver([&](quint32 dwData, const QByteArray& text) {
            // The first hand-over sits in a nested event loop (a message box nobody
            // clicks) until the sender has ended: the replies must not wait for it.
            if (m_received.isEmpty())
                senderEndedFirst =
                    QTest::qWaitFor([&] { return sender.state() == QProcess::NotRunning; }, 10000);
            m_received.append({dwData, text});
        });
        startHelper(sender, {"--send", "/media/a.mp3", "b c.avi", "\u00fc.ogg"});
        QTRY_COMPARE_WITH_TIMEOUT(m_received.size(), 3, 15000);
        QVERIFY(senderEndedFirst);
        QCOMPARE(sender.exitCode(), 0);
        const QByteArray senderOutput = sender.readAllStandardOutput();
        QCOMPARE(senderOutput.count("returned"), 3);

        QCOMPARE(m_received[0].text, QByteArray("/media/a.mp3"));
        QCOMPARE(m_received[1].text, QByteArray("b c.avi"));
        QCOMPARE(m_received[2].text, QString("\u00fc.ogg").toUtf8());
        for (const Received& r : std::as_const(m_received))
            QCOMPARE(r.dwData, 0u);
        QVERIFY(!senderOutput.contains("message"));
    }

    void framesAreValidated_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<quint32>("dwData");
        QTest::addColumn<QByteArray>("text"); // what the handler gets, or why it is refused
        const QByteArray longest(int(kHandOverMaxData) - 1, 'x');
        const QByteArray badSize = "cbData out of range";
        const QByteArray noZero = "text not zero-terminated within cbData";
        QTest::newRow("cbData zero") << frame(0, 0, "") << false << 0u << badSize;
        QTest::newRow("cbData over 64 KiB, refused before any payload")
            << frame(0, kHandOverMaxData + 1, "") << false << 0u << badSize;
        QTest::newRow("zero only after cbData")
            << frame(0, 3, QByteArray("abc\0", 4)) << false << 0u << noZero;
        QTest::newRow("text ends at the first zero")
            << frame(0, 6, QByteArray("ab\0cd\0", 6)) << true << 0u << QByteArray("ab");
        QTest::newRow("largest frame") << textFrame(longest) << true << 0u << longest;
        QTest::newRow("non-zero dwData still answered")
            << textFrame("x.mp3", 0x101) << true << 0x101u << QByteArray("x.mp3");
    }

    void framesAreValidated()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        QFETCH(QByteArray, text);
        if (!accepted)
            QTest::ignoreMessage(QtWarningMsg, "hand-over connection dropped: " + text);
        makeReceiver()->setStallTimeout(20000); // a refusal must not wait for the stall timer
        QLocalSocket client;
        client.connectToServer(socketPath());
        QVERIFY(client.waitForConnected());
        client.write(bytes);
        if (!accepted) {
            QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, 3000);
            QCOMPARE(client.bytesAvailable(), 0); // no reply for a refused frame
            QVERIFY(m_received.isEmpty());
            return;
        }
        QTRY_COMPARE(client.bytesAvailable(), 4);
        QCOMPARE(client.readAll(), QByteArray(4, '\0'));
        QCOMPARE(m_received.size(), 1);
        QTEST(m_received[0].dwData, "dwData");
        QCOMPARE(m_received[0].text, text);
    }

    void stalledSendersAreDroppedWithoutBlocking()
    {
        makeReceiver()->setStallTimeout(300);
        for (int i = 0; i < 2; ++i)
            QTest::ignoreMessage(QtWarningMsg, "hand-over connection dropped: sender stalled");
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(20);

        QLocalSocket stalled, silent;
        for (QLocalSocket* client : {&stalled, &silent}) {
            client->connectToServer(socketPath());
            QVERIFY(client->waitForConnected());
        }
        stalled.write(textFrame("never finished").left(11));
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(stalled.state(), QLocalSocket::UnconnectedState, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, 3000);
        QVERIFY(clock.elapsed() >= 250);
        QVERIFY(ticks >= 5); // the event loop kept running meanwhile

        // Slower overall than the timeout, but never silent that long.
        QLocalSocket trickling;
        trickling.connectToServer(socketPath());
        QVERIFY(trickling.waitForConnected());
        for (char byte : textFrame("slow.mp3")) {
            trickling.write(&byte, 1);
            QTest::qWait(60);
        }
        QTRY_COMPARE(trickling.bytesAvailable(), 4);
        QCOMPARE(m_received.size(), 1);
        QCOMPARE(m_received[0].text, QByteArray("slow.mp3"));
    }

    void senderGoneAfterWritingStillHandsOver()
    {
        makeReceiver();
        QLocalSocket whole, half;
        for (QLocalSocket* client : {&whole, &half}) {
            client->connectToServer(socketPath());
            QVERIFY(client->waitForConnected());
        }
        whole.write(textFrame("killed while waiting.mp3"));
        half.write(textFrame("half.mp3").left(10));
        whole.disconnectFromServer();
        half.disconnectFromServer();
        QTRY_COMPARE(m_received.size(), 1);
        QTest::qWait(100);
        QCOMPARE(m_received.size(), 1);
        QCOMPARE(m_received[0].text, QByteArray("killed while waiting.mp3"));
    }

    void framesAreHandledOneAtATimeInArrivalOrder()
    {
        int depth = 0;
        int deepest = 0;
        makeReceiver([&](quint32 dwData, const QByteArray& text) {
            deepest = qMax(deepest, ++depth);
            QTest::qWait(150);
            m_received.append({dwData, text});
            --depth;
        });
        QLocalSocket first, second, pipelined;
        for (QLocalSocket* client : {&first, &second, &pipelined}) {
            client->connectToServer(socketPath());
            QVERIFY(client->waitForConnected());
        }
        // The later ones arrive while the first hand-over runs its nested event loop.
        first.write(textFrame("1"));
        QTimer::singleShot(40, &second, [&second] { second.write(textFrame("2")); });
        QTimer::singleShot(80, &pipelined,
                           [&pipelined] { pipelined.write(textFrame("3") + textFrame("4")); });
        QTRY_COMPARE(pipelined.bytesAvailable(), 8);
        QCOMPARE(first.bytesAvailable(), 4);
        QCOMPARE(second.bytesAvailable(), 4);
        QCOMPARE(deepest, 1);
        QStringList order;
        for (const Received& r : std::as_const(m_received))
            order << QString::fromUtf8(r.text);
        QCOMPARE(order, QStringList({"1", "2", "3", "4"}));
    }

    void senderReportsEachOutcome()
    {
        QCOMPARE(sendHandOver(socketPath(), 0, "x"), SendResult::NoReceiver);
        int handlerMs = 0;
        makeReceiver([&](quint32 dwData, const QByteArray& text) {
            QTest::qWait(handlerMs);
            m_received.append({dwData, text});
            if (text == "throw")
                throw std::runtime_error("hand-over failed");
        });
        QCOMPARE(sendWhileServing(socketPath(), 7, "seven"), SendResult::Delivered);
        QTRY_COMPARE(m_received.size(), 1);
        QCOMPARE(m_received.last().dwData, 7u);

        QTest::ignoreMessage(QtWarningMsg, "argument too long to hand over (65537 bytes)");
        QCOMPARE(sendWhileServing(socketPath(), 0, QString(kHandOverMaxData, 'x')),
                 SendResult::TooLong);
        QCOMPARE(m_received.size(), 1);

        QString reported;
        setExceptionHandler([&reported](const QString& message) { reported = message; });
        QCOMPARE(sendWhileServing(socketPath(), 0, "throw"), SendResult::Delivered);
        setExceptionHandler({});
        QCOMPARE(reported, QString("hand-over failed"));

        // A slow hand-over does not hold up the reply.
        handlerMs = 600;
        QCOMPARE(sendWhileServing(socketPath(), 0, "late", 150), SendResult::Delivered);
        handlerMs = 0;
        QCOMPARE(sendWhileServing(socketPath(), 0, "next"), SendResult::Delivered);
        QTRY_COMPARE(m_received.last().text, QByteArray("next"));
    }

    // A later start is answered at once even while the window thread is busy handling an
    // earlier start's file (opening media can hold it for a while).
    void senderIsAnsweredWhileAHandlerIsBusy()
    {
        std::future<SendResult> second;
        makeReceiver([this, &second](quint32 dwData, const QByteArray& text) {
            if (text == "first") {
                second = std::async(std::launch::async, sendHandOver, socketPath(), 0,
                                    QStringLiteral("second"), 1000);
                QThread::msleep(2000); // busy, no events
            }
            m_received.append({dwData, text});
        });
        QCOMPARE(sendWhileServing(socketPath(), 0, "first"), SendResult::Delivered);
        QTRY_COMPARE(m_received.size(), 2);
        QCOMPARE(second.get(), SendResult::Delivered);
        QCOMPARE(m_received[1].text, QByteArray("second"));
    }

    void receiverMayBeDestroyedByItsHandler()
    {
        HandOverReceiver* receiver = nullptr;
        receiver = makeReceiver([&receiver](quint32, const QByteArray&) {
            delete receiver;
            receiver = nullptr;
        });
        QCOMPARE(sendWhileServing(socketPath(), 0, "closing"), SendResult::Delivered);
        QTRY_VERIFY(!receiver);
    }

    void framesWaitForAHandlerAndCanBeTakenUnhandled()
    {
        auto* receiver = new HandOverReceiver({}, this);
        receiver->listen(socketPath());
        QCOMPARE(sendWhileServing(socketPath(), 0, "early"), SendResult::Delivered);
        QCOMPARE(sendWhileServing(socketPath(), 3, "tagged"), SendResult::Delivered);
        QTest::qWait(50);
        const QList<HandOverReceiver::Frame> pending = receiver->takePending();
        QCOMPARE(pending.size(), 2);
        QCOMPARE(pending[0].text, QByteArray("early"));
        QCOMPARE(pending[1].dwData, 3u);
        QCOMPARE(sendWhileServing(socketPath(), 0, "later"), SendResult::Delivered);
        receiver->setHandler([this](quint32 dwData, const QByteArray& text) {
            m_received.append({dwData, text});
        });
        QTRY_COMPARE(m_received.size(), 1);
        QCOMPARE(m_received[0].text, QByteArray("later"));
    }

    // Starts made together: the one that finds the lock taken waits for the running
    // instance to listen, or takes over when that instance is gone.
    void aStartWaitsForTheReceiverOrTakesOver()
    {
        QProcess sender;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HANDOVER_WAIT_MS", "5000");
        sender.setProcessEnvironment(env);
        startHelper(sender, {"--send", "late.mp3"});
        QTest::qWait(700);
        QCOMPARE(sender.state(), QProcess::Running);
        makeReceiver();
        QTRY_COMPARE_WITH_TIMEOUT(sender.state(), QProcess::NotRunning, 5000);
        QCOMPARE(sender.exitCode(), 0);
        QCOMPARE(sender.readAllStandardOutput(), QByteArray("returned\n"));
        QCOMPARE(m_received.size(), 1);
        qDeleteAll(findChildren<HandOverReceiver*>());

        // The lock holder dies before it ever listens: this start becomes the instance.
        QProcess holder;
        startHelper(holder, {"--hold-lock"});
        QCOMPARE(firstLine(holder), QByteArray("held"));
        QFile::remove(socketPath()); // as if it had not got that far
        QTimer::singleShot(400, &holder, [&holder] { holder.kill(); });
        InstanceLock lock;
        QVERIFY(!lock.tryAcquire());
        QStringList shown;
        const ForwardResult result = forwardArguments(
            {"a.mp3", "b.mp3"}, [&shown](const QString& text) { shown << text; }, socketPath(),
            5000,
            [&lock] {
                QCoreApplication::processEvents();
                return lock.tryAcquire();
            });
        QVERIFY(result.tookOver);
        QCOMPARE(result.remaining, (QStringList{"a.mp3", "b.mp3"}));
        QVERIFY(shown.isEmpty());
        holder.waitForFinished();
    }

    void noReceiverShowsTheMessageOncePerArgument()
    {
        QProcess sender;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HANDOVER_WAIT_MS", "300");
        sender.setProcessEnvironment(env);
        startHelper(sender, {"--send", "a", "b", "c"});
        QVERIFY(sender.waitForFinished());
        QCOMPARE(sender.exitCode(), 1); // nothing was delivered
        const QByteArray output = sender.readAllStandardOutput();
        QCOMPARE(output.count("message: CopyData Receiver NOT found!\nreturned\n"), 3);
    }
};

// The helper modes must run before Qt Test parses the command line.
#define main runTests
QTEST_MAIN(TestHandOver)
#undef main

int main(int argc, char** argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLockHelper(argc, argv);
    if (argc >= 2 && qstrcmp(argv[1], "--send") == 0)
        return sendHelper(argc, argv);
    return runTests(argc, argv);
}

#include "test_handover.moc"
