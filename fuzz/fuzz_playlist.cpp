// SPDX-License-Identifier: GPL-3.0-or-later
// The reader of .ist playlists and of the Playlist.dat index (both are pairs of lines).
#include "FuzzCheck.h"
#include "playlist/PlaylistText.h"

#include <cstdint>

namespace {
bool samePairs(const QList<LinePair>& a, const QList<LinePair>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].Name != b[i].Name || a[i].Path != b[i].Path)
            return false;
    }
    return true;
}

bool holdsLineBreak(const QString& line)
{
    return line.contains(u'\r') || line.contains(u'\n');
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Not copied: a read past the end of the file's bytes is caught by the sanitizer.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<LinePair> pairs = readLinePairs(bytes);
    FUZZ_CHECK(qsizetype(pairs.size()) <= qsizetype(size)); // every pair takes a byte or more
    QByteArray saved;
    for (const LinePair& pair : pairs) {
        FUZZ_CHECK(!holdsLineBreak(pair.Name) && !holdsLineBreak(pair.Path));
        appendLinePair(saved, pair.Name, pair.Path);
    }
    // A list read and saved again reads back as it was.
    FUZZ_CHECK(samePairs(readLinePairs(saved), pairs));
    return 0;
}
