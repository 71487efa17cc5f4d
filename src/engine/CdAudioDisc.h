// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An audio CD opened through libcdio: a drive's device node or a BIN/CUE image.
// The table of contents is read once at open; sector reads may come from any thread.

#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

typedef struct _CdIo CdIo_t;

// CD-DA geometry: 75 sectors a second, 588 stereo 16-bit samples of 44.1 kHz each.
constexpr int kCdSectorsPerSecond = 75;
constexpr int kCdSamplesPerSector = 588;
constexpr int kCdBytesPerSample = 4;
constexpr int kCdSampleRate = 44100;

struct CdTrack {
    int number = 0;
    int startLsn = 0;
    int endLsn = 0; // first sector after the track
    bool audio = false;
};

struct CdToc {
    std::vector<CdTrack> tracks;
    int leadOutLsn = 0;

    const CdTrack* track(int number) const;
    // The track holding lsn; the lead-out counts as the end of the last track.
    const CdTrack* trackAt(int lsn) const;
    int startLsn() const { return tracks.empty() ? 0 : tracks.front().startLsn; }
    bool hasAudio() const;
};

// The disc's CD-Text (from the disc, or the TITLE and PERFORMER lines of a cue
// sheet): empty fields are unknown.
struct CdTextEntry {
    QString title;
    QString performer;
};

struct CdText {
    CdTextEntry disc;
    std::map<int, CdTextEntry> tracks;

    // The track's entry, or an empty one.
    CdTextEntry track(int number) const;
};

class CdAudioDisc {
public:
    ~CdAudioDisc();
    CdAudioDisc(const CdAudioDisc&) = delete;
    CdAudioDisc& operator=(const CdAudioDisc&) = delete;

    // root is a .cue file or a CD drive's device node. On failure returns null and
    // puts a sentence for the user into error.
    static std::unique_ptr<CdAudioDisc> open(const QString& root, QString* error);
    // The system's default CD drive, empty when there is none.
    static QString defaultDrive();

    const QString& root() const { return m_root; }
    bool isImage() const { return m_image; }
    const CdToc& toc() const { return m_toc; }
    const CdText& text() const { return m_text; }

    // Reads count raw CD-DA sectors (2352 bytes each, little-endian stereo) at lsn.
    bool readSectors(int lsn, int count, void* buffer) const;

private:
    CdAudioDisc(CdIo_t* cdio, const QString& root, bool image);
    bool readToc(QString* error);
    void readText();

    CdIo_t* m_cdio;
    QString m_root;
    bool m_image;
    CdToc m_toc;
    CdText m_text;
    mutable std::mutex m_readLock; // libcdio handles are not thread-safe
};
