// SPDX-License-Identifier: GPL-3.0-or-later
// The hand-over frame reader, fed a sender's byte stream in pieces as a socket delivers it.
#include "FuzzCheck.h"
#include "platform/HandOverFrame.h"

#include <QtEndian>

#include <cstdint>
#include <cstring>

using namespace Platform;

namespace {
// What a correct reader must make of a whole frame at the start of `stream`.
void checkComplete(const HandOverFrame& frame, const QByteArray& buffer)
{
    FUZZ_CHECK(buffer.size() >= kHandOverHeaderSize);
    const quint32 dwData = qFromLittleEndian<quint32>(buffer.constData());
    const quint32 cbData = qFromLittleEndian<quint32>(buffer.constData() + 4);
    FUZZ_CHECK(cbData > 0 && cbData <= kHandOverMaxData);
    FUZZ_CHECK(buffer.size() == kHandOverHeaderSize + qsizetype(cbData)); // nothing past cbData
    FUZZ_CHECK(frame.dwData == dwData);
    FUZZ_CHECK(frame.text.size() < qsizetype(cbData));
    FUZZ_CHECK(!frame.text.contains('\0'));
    FUZZ_CHECK(buffer.at(kHandOverHeaderSize + frame.text.size()) == '\0');
    FUZZ_CHECK(std::memcmp(frame.text.constData(), buffer.constData() + kHandOverHeaderSize,
                           size_t(frame.text.size())) == 0);
    // What the sender encodes for that text reads back the same.
    const FrameParse again = parseHandOverFrame(encodeHandOverFrame(dwData, frame.text + '\0'));
    FUZZ_CHECK(again.status == FrameStatus::Complete);
    FUZZ_CHECK(again.frame.dwData == dwData && again.frame.text == frame.text);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte sets how the stream is cut into reads; the rest is what was sent.
    const qsizetype largestRead = 1 + data[0] % 32;
    const char* stream = reinterpret_cast<const char*>(data) + 1;
    const qsizetype streamSize = qsizetype(size) - 1;
    qsizetype pos = 0;
    QByteArray buffer;
    for (int step = 0; step < 1 << 20; ++step) {
        FrameParse parse = parseHandOverFrame(buffer);
        if (parse.status == FrameStatus::Invalid) {
            FUZZ_CHECK(parse.reason != nullptr);
            return 0;
        }
        if (parse.status == FrameStatus::Complete) {
            checkComplete(parse.frame, buffer);
            buffer.clear(); // the receiver goes on with the sender's next frame
            continue;
        }
        FUZZ_CHECK(parse.missing > 0);
        FUZZ_CHECK(buffer.size() + parse.missing <= kHandOverHeaderSize + kHandOverMaxData);
        const qsizetype take = qMin(qMin(parse.missing, largestRead), streamSize - pos);
        if (take == 0)
            return 0; // the sender stopped mid-frame
        buffer.append(stream + pos, take);
        pos += take;
    }
    FUZZ_CHECK(false); // every read consumes a byte, so the loop must have ended
    return 0;
}
