// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hand-over frame on its own, apart from the socket: dwData (u32 LE), cbData (u32 LE),
// then cbData bytes of UTF-8 text whose terminating zero is counted in cbData.

#include <QByteArray>
#include <QtGlobal>

namespace Platform {

constexpr quint32 kHandOverMaxData = 64 * 1024; // largest accepted cbData
constexpr qsizetype kHandOverHeaderSize = 8;
constexpr qsizetype kHandOverReplySize = 4; // u32 LE 0: the frame was taken

struct HandOverFrame {
    quint32 dwData = 0;
    QByteArray text; // the bytes before the terminating zero
};

enum class FrameStatus { NeedMore, Complete, Invalid };

struct FrameParse {
    FrameStatus status = FrameStatus::NeedMore;
    qsizetype missing = 0;        // NeedMore: bytes still to read for this frame, never more
    HandOverFrame frame;          // Complete
    const char* reason = nullptr; // Invalid: why the sender is refused
};

// Looks at the bytes of one frame read so far (never more than `missing` asked for), so
// nothing past cbData is ever read or looked at.
FrameParse parseHandOverFrame(const QByteArray& buffer);

QByteArray encodeHandOverFrame(quint32 dwData, const QByteArray& data);

} // namespace Platform
