// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>

// A file or folder that cannot be created, opened, read or written. The message
// names the file and the system's reason, ready to be shown to the user.
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(const QString& message);
    QString message() const;
};

// Whole-file reads and writes for the program's own text files. The write goes
// to a temporary file in the same folder that is renamed over the old one
// (QSaveFile), so a crash or a full disk leaves the old or the new file whole.
// Both throw EInOutError.
QByteArray readWholeFile(const QString& path);
void writeWholeFile(const QString& path, const QByteArray& bytes);

// The settings file (FSettings on indo.ini): an INI text file read and written
// one value at a time, each write reaching the disk at once.
//
// Hand-written rather than QSettings: QSettings escapes blanks in keys
// ("Application%20Path"), rewrites the whole file in its own layout and drops
// comments, so other readers of this file would no longer find the keys.
// Lines this class does not change are kept as they were; lines end in CR LF;
// the text is UTF-8. Sections and keys are found without regard to letter case.
class IniFile {
public:
    IniFile() = default;
    explicit IniFile(const QString& fileName);

    const QString& fileName() const { return m_fileName; }

    // A missing or unreadable file reads as empty, so every key has its default.
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    bool ValueExists(const QString& section, const QString& key) const;

    // Replaces the key's line, or adds it at the end of its section, adding the
    // section at the end of the file when it is new. The file is replaced
    // through a temporary file in the same folder (QSaveFile), so a crash leaves
    // the old or the new file whole. Throws EInOutError, also for a section, key
    // or value holding a line break (the file would no longer read back the same).
    void WriteString(const QString& section, const QString& key, const QString& value);

private:
    QByteArray readText(bool mustRead) const;

    QString m_fileName;
};

// The settings text on its own, as IniFile reads and writes it: a missing section or key
// gives defaultValue (and found false); the write returns the whole new text.
QString iniReadString(const QByteArray& text, const QString& section, const QString& key,
                      const QString& defaultValue, bool* found = nullptr);
QByteArray iniWriteString(const QByteArray& text, const QString& section, const QString& key,
                          const QString& value);
