// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged files of every kind the player takes, played through the player window: each
// one either plays or shows the "Error" box, and the good file after it then plays.
#include "WindowTestSupport.h"
#include "engine/TFilterGraph.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QToolButton>
#include <QtEndian>
#include <QtTest>

#include <gst/gst.h>

namespace {

// One undamaged file per kind, as the media generator makes them.
const QList<QPair<QString, QString>> kBaseFiles = {
    {".avi", "avi_mpeg4_mp3.avi"}, {".mid", "song.mid"},       {".mp3", "audio.mp3"},
    {".mpg", "mpeg1_ps.mpg"},      {".mpeg", "mpeg2_ps.mpeg"}, {".wmv", "video.wmv"},
    {".wma", "audio.wma"},         {".wav", "audio.wav"}};

QByteArray readMedia(const QString& name)
{
    QFile file(media(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putLe32(QByteArray& bytes, qsizetype at, quint32 value)
{
    if (at >= 0 && at + 4 <= bytes.size())
        qToLittleEndian<quint32>(value, bytes.data() + at);
}

void putBe32(QByteArray& bytes, qsizetype at, quint32 value)
{
    if (at >= 0 && at + 4 <= bytes.size())
        qToBigEndian<quint32>(value, bytes.data() + at);
}

// A length field near the start set far beyond the file, the way each format keeps it.
QByteArray hugeHeaderSize(const QString& kind, QByteArray bytes)
{
    if (kind == ".avi") {
        putLe32(bytes, 4, 0xFFFFFFF0u);  // RIFF size
        putLe32(bytes, 16, 0xFFFFFFF0u); // LIST hdrl size
    } else if (kind == ".wav") {
        putLe32(bytes, 4, 0xFFFFFFF0u);
        putLe32(bytes, bytes.indexOf("fmt ") + 4, 0x7FFFFFF0u);
    } else if (kind == ".mid") {
        putBe32(bytes, bytes.indexOf("MTrk") + 4, 0x7FFFFFFFu);
    } else if (kind == ".mp3") {
        // An ID3v2 tag claiming the largest size its syncsafe field can hold.
        bytes.prepend(QByteArray("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10));
    } else if (kind == ".mpg") {
        const qsizetype system = bytes.indexOf(QByteArray("\x00\x00\x01\xBB", 4));
        if (system >= 0 && system + 6 <= bytes.size())
            bytes[system + 4] = bytes[system + 5] = char(0xFF);
    } else if (kind == ".mpeg") {
        const qsizetype pes = bytes.indexOf(QByteArray("\x00\x00\x01\xE0", 4));
        if (pes >= 0 && pes + 6 <= bytes.size())
            bytes[pes + 4] = bytes[pes + 5] = char(0xFF);
    } else { // ASF: the header object's 64-bit size
        putLe32(bytes, 16, 0xFFFFFFF0u);
        putLe32(bytes, 20, 0x00FFFFFFu);
    }
    return bytes;
}

QByteArray bitFlipped(QByteArray bytes, quint32 seed)
{
    QRandomGenerator random(seed);
    for (qsizetype i = 0; i < bytes.size(); i += 1 + random.bounded(200))
        bytes[i] = char(bytes[i] ^ (1 << random.bounded(8)));
    return bytes;
}

QByteArray zeroFilled(QByteArray bytes)
{
    const qsizetype quarter = bytes.size() / 4;
    std::fill(bytes.begin() + quarter, bytes.begin() + 2 * quarter, '\0');
    return bytes;
}

struct Damaged {
    QString name;
    QByteArray bytes;
    QString good; // the undamaged file of the same kind, played after it
};

QList<Damaged> makeDamagedFiles()
{
    QList<Damaged> files;
    for (qsizetype k = 0; k < kBaseFiles.size(); ++k) {
        const QString kind = kBaseFiles[k].first;
        const QString good = kBaseFiles[k].second;
        const QByteArray whole = readMedia(good);
        // Another kind's content under this kind's extension.
        const QByteArray other = readMedia(kBaseFiles[(k + 3) % kBaseFiles.size()].second);
        const QString stem = good.section('.', 0, 0);
        files << Damaged{stem + "-empty" + kind, QByteArray(), good}
              << Damaged{stem + "-cut" + kind, whole.left(whole.size() * 2 / 5), good}
              << Damaged{stem + "-bitflip" + kind, bitFlipped(whole, quint32(k + 1)), good}
              << Damaged{stem + "-zerofill" + kind, zeroFilled(whole), good}
              << Damaged{stem + "-wrongext" + kind, other, good}
              << Damaged{stem + "-hugesize" + kind, hugeHeaderSize(kind, whole), good};
    }
    // Cut inside the header, where the demuxers learn the streams.
    files << Damaged{"avi-headeronly.avi", readMedia("avi_mpeg4_mp3.avi").left(100),
                     "avi_mpeg4_mp3.avi"}
          << Damaged{"wmv-headeronly.wmv", readMedia("video.wmv").left(100), "video.wmv"};
    return files;
}

gint64 position()
{
    gint64 at = -1;
    GstElement* pipeline = DM->FilterGraph1->pipeline();
    if (!pipeline || !gst_element_query_position(pipeline, GST_FORMAT_TIME, &at))
        return -1;
    return at;
}

} // namespace

class TestCorruptMedia : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachPlaysOrShowsErrorThenNextPlays_data();
    void eachPlaysOrShowsErrorThenNextPlays();

private:
    WindowTestSupport m_support;
    QTemporaryDir m_dir;
    QList<Damaged> m_files;
};

void TestCorruptMedia::initTestCase()
{
    QVERIFY2(QFile::exists(media("audio.wav")), "run the make_media test first");
    m_support.start();
    m_files = makeDamagedFiles();
    QCOMPARE(m_files.size(), 50);
    for (const Damaged& damaged : std::as_const(m_files)) {
        QFile file(m_dir.filePath(damaged.name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(damaged.bytes), damaged.bytes.size());
    }
}

void TestCorruptMedia::cleanupTestCase()
{
    m_support.finish();
}

void TestCorruptMedia::eachPlaysOrShowsErrorThenNextPlays_data()
{
    QTest::addColumn<QString>("damaged");
    QTest::addColumn<QString>("good");
    for (const Damaged& damaged : makeDamagedFiles())
        QTest::newRow(qPrintable(damaged.name)) << damaged.name << damaged.good;
}

void TestCorruptMedia::eachPlaysOrShowsErrorThenNextPlays()
{
    QFETCH(QString, damaged);
    QFETCH(QString, good);
    TFrm_PlayerControl* p = Frm_PlayerControl;
    m_support.reset();
    WindowTestSupport::setPlaylist({m_dir.filePath(damaged), media(good)});
    Frm_playlist->Lst_playlist->setItemIndex(0);

    QElapsedTimer opening;
    opening.start();
    QTest::mouseClick(p->ToolPlay, Qt::LeftButton);
    const qint64 openMs = opening.elapsed();

    const QStringList& shown = m_support.dialogs->shown;
    if (!shown.isEmpty()) {
        // Refused: exactly one "Error" box with the graph's text for the failure.
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith("error: ") && shown[0].size() > 7, qPrintable(shown[0]));
        QCOMPARE(p->pnl_jdl->text(), QString("Lumeno"));
        // A failed open leaves the controls stopped, Play ready for another try.
        QVERIFY(p->ToolPlay->isEnabled());
        QVERIFY(!p->ToolStop->isEnabled());
        qInfo("%s: error box \"%s\" after %lld ms", qPrintable(damaged), qPrintable(shown[0]),
              static_cast<long long>(openMs));
    } else {
        // Taken: the graph plays it. Let it stream a while over the damage; it may also
        // end and advance to the next line by itself.
        QCOMPARE(p->FCurrentIndex, 0);
        QCOMPARE(graphState(), GST_STATE_PLAYING);
        QVERIFY(p->ToolStop->isEnabled());
        QTest::qWait(800);
        QVERIFY2(shown.isEmpty(), qPrintable(shown.join(" | ")));
        qInfo("%s: plays (opened in %lld ms)", qPrintable(damaged), static_cast<long long>(openMs));
    }

    // The user moves on with Next (unless the end of the file already did).
    const qsizetype boxes = shown.size();
    if (p->FCurrentIndex == 0)
        p->ToolNextClick();
    QCOMPARE(p->FCurrentIndex, 1);
    QVERIFY(playingUri().endsWith("/" + good));
    QCOMPARE(graphState(), GST_STATE_PLAYING);
    QTRY_VERIFY_WITH_TIMEOUT(position() > 200 * GST_MSECOND, 5000);
    QCOMPARE(shown.size(), boxes);
}

QTEST_MAIN(TestCorruptMedia)
#include "test_corrupt_media.moc"
