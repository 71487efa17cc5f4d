// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

EInOutError::EInOutError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString EInOutError::message() const
{
    return QString::fromUtf8(what());
}

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    // Opening a folder succeeds on Linux and then reads nothing, which would
    // pass for an empty file.
    if (QFileInfo(path).isDir())
        throw EInOutError(QStringLiteral("Cannot open \"%1\": it is a folder").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot open \"%1\": %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
    return bytes;
}

void writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EInOutError(QStringLiteral("Cannot create \"%1\": %2").arg(path, file.errorString()));
    // flush() here: QSaveFile::commit() overlooks a failure of the flush it does itself
    // (a full disk), and would rename an empty file over the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw EInOutError(QStringLiteral("Cannot write \"%1\": %2").arg(path, reason));
    }
    if (!file.commit())
        throw EInOutError(QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString()));
}

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QStringList splitLines(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
    // Every leading byte-order mark: an editor that adds one to a file that has one
    // would otherwise hide the first section, and each save would change the text.
    while (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(kCrLf, QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    // "a\nb\n" splits into three parts; the line break ends "b", it starts nothing.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool isSectionLine(const QString& line, QString& name)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return false;
    const qsizetype close = trimmed.indexOf(u']');
    name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
    return true;
}

bool isKeyLine(const QString& line, QString& key, QString& value)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return false;
    const qsizetype equals = trimmed.indexOf(u'=');
    if (equals < 0)
        return false;
    key = trimmed.left(equals).trimmed();
    value = trimmed.mid(equals + 1).trimmed();
    return true;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key stands, or where it would go: after the last non-blank line of
// the first section of that name, so blank separators stay before the next.
struct KeyLocation {
    qsizetype keyLine = -1;
    qsizetype insertAfter = -1;
    QString value;
};

KeyLocation locate(const QStringList& lines, const QString& section, const QString& key)
{
    KeyLocation where;
    bool inSection = false;
    bool firstSectionDone = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        QString name, value;
        if (isSectionLine(line, name)) {
            if (inSection)
                firstSectionDone = true;
            inSection = sameName(name, section);
            if (inSection && !firstSectionDone && where.insertAfter < 0)
                where.insertAfter = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!firstSectionDone && !line.trimmed().isEmpty())
            where.insertAfter = i;
        if (isKeyLine(line, name, value) && sameName(name, key)) {
            where.keyLine = i;
            where.value = value;
            return where;
        }
    }
    return where;
}

} // namespace

QString iniReadString(const QByteArray& text, const QString& section, const QString& key,
                      const QString& defaultValue, bool* found)
{
    const KeyLocation where = locate(splitLines(text), section, key);
    if (found)
        *found = where.keyLine >= 0;
    return where.keyLine >= 0 ? where.value : defaultValue;
}

QByteArray iniWriteString(const QByteArray& text, const QString& section, const QString& key,
                          const QString& value)
{
    QStringList lines = splitLines(text);
    const KeyLocation where = locate(lines, section, key);
    const QString keyLine = key + u'=' + value;
    if (where.keyLine >= 0) {
        lines[where.keyLine] = keyLine;
    } else if (where.insertAfter >= 0) {
        lines.insert(where.insertAfter + 1, keyLine);
    } else {
        lines.append(u'[' + section + u']');
        lines.append(keyLine);
    }
    return (lines.join(kCrLf) + kCrLf).toUtf8();
}

IniFile::IniFile(const QString& fileName) : m_fileName(fileName) {}

QByteArray IniFile::readText(bool mustRead) const
{
    if (m_fileName.isEmpty() || !QFileInfo::exists(m_fileName)) {
        if (mustRead && m_fileName.isEmpty())
            throw EInOutError(QStringLiteral("No settings file name was given"));
        return {};
    }
    try {
        return readWholeFile(m_fileName);
    } catch (const EInOutError&) {
        // A write must not replace a file it could not read: that would lose
        // every other setting in it.
        if (mustRead)
            throw;
        return {};
    }
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    return iniReadString(readText(false), section, key, defaultValue);
}

bool IniFile::ValueExists(const QString& section, const QString& key) const
{
    bool found = false;
    iniReadString(readText(false), section, key, QString(), &found);
    return found;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    // One line per key: a line break would end the value early and turn the rest into
    // a line of its own (a false section or key).
    for (const QString* text : {&section, &key, &value}) {
        if (text->contains(u'\n') || text->contains(u'\r'))
            throw EInOutError(QStringLiteral("Cannot write \"%1\" to \"%2\": it holds a line break")
                                  .arg(key, m_fileName));
    }
    writeWholeFile(m_fileName, iniWriteString(readText(true), section, key, value));
}
