// SPDX-License-Identifier: GPL-3.0-or-later
// The reader and writer of indo.ini's text, with the keys the program uses.
#include "FuzzCheck.h"
#include "platform/IniFile.h"

#include <QStringList>

#include <cstdint>

namespace {
struct Key {
    const char* section;
    const char* key;
};
constexpr Key kKeys[] = {{"Application", "Application Path"},
                         {"Application", "Data Path"},
                         {"playlist", "playlist directory"},
                         {"playlist", "last playlist"}};

QString read(const QByteArray& text, const Key& k, bool* found = nullptr)
{
    return iniReadString(text, QLatin1String(k.section), QLatin1String(k.key),
                         QStringLiteral("<none>"), found);
}

// The value to write: the input's first line, so values of every shape come along.
QString valueFrom(const QByteArray& bytes)
{
    const qsizetype end = bytes.indexOf('\n');
    QString value = QString::fromUtf8(bytes.left(end < 0 ? 64 : qMin<qsizetype>(end, 64)));
    value.remove(u'\r');
    return value;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList before;
    for (const Key& k : kKeys) {
        bool found = false;
        const QString value = read(bytes, k, &found);
        FUZZ_CHECK(found || value == QStringLiteral("<none>"));
        before << value;
    }
    const QString value = valueFrom(bytes);
    for (int i = 0; i < int(std::size(kKeys)); ++i) {
        const Key& k = kKeys[i];
        const QByteArray written =
            iniWriteString(bytes, QLatin1String(k.section), QLatin1String(k.key), value);
        bool found = false;
        // What was written reads back, and writing it again changes nothing.
        FUZZ_CHECK(read(written, k, &found) == value.trimmed() && found);
        FUZZ_CHECK(iniWriteString(written, QLatin1String(k.section), QLatin1String(k.key), value) ==
                   written);
        // The other keys keep their values.
        for (int j = 0; j < int(std::size(kKeys)); ++j) {
            if (j != i)
                FUZZ_CHECK(read(written, kKeys[j]) == before[j]);
        }
    }
    return 0;
}
