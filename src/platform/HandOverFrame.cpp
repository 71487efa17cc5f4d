// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HandOverFrame.h"

#include <QtEndian>

#include <cstring>

namespace Platform {

namespace {
quint32 headerField(const QByteArray& buffer, int index)
{
    return qFromLittleEndian<quint32>(buffer.constData() + 4 * index);
}
} // namespace

FrameParse parseHandOverFrame(const QByteArray& buffer)
{
    FrameParse parse;
    if (buffer.size() < kHandOverHeaderSize) {
        parse.missing = kHandOverHeaderSize - buffer.size();
        return parse;
    }
    const quint32 cbData = headerField(buffer, 1);
    if (cbData == 0 || cbData > kHandOverMaxData) {
        parse.status = FrameStatus::Invalid;
        parse.reason = "cbData out of range";
        return parse;
    }
    const qsizetype frameSize = kHandOverHeaderSize + qsizetype(cbData);
    if (buffer.size() < frameSize) {
        parse.missing = frameSize - buffer.size();
        return parse;
    }
    const char* data = buffer.constData() + kHandOverHeaderSize;
    const auto* zero = static_cast<const char*>(memchr(data, '\0', cbData));
    if (!zero) {
        parse.status = FrameStatus::Invalid;
        parse.reason = "text not zero-terminated within cbData";
        return parse;
    }
    parse.status = FrameStatus::Complete;
    parse.frame.dwData = headerField(buffer, 0);
    parse.frame.text = QByteArray(data, zero - data);
    return parse;
}

QByteArray encodeHandOverFrame(quint32 dwData, const QByteArray& data)
{
    QByteArray frame(kHandOverHeaderSize, Qt::Uninitialized);
    qToLittleEndian<quint32>(dwData, frame.data());
    qToLittleEndian<quint32>(quint32(data.size()), frame.data() + 4);
    return frame + data;
}

} // namespace Platform
