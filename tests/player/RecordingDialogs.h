// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answers the program's dialogs in tests and remembers what they showed.

#include "platform/Dialogs.h"

#include <QStringList>

class RecordingDialogs : public Platform::DialogBackend {
public:
    RecordingDialogs() { Platform::setDialogBackend(this); }
    ~RecordingDialogs() override { Platform::setDialogBackend(nullptr); }

    void warning(QWidget*, const QString& text) override { shown << "warning: " + text; }
    void error(QWidget*, const QString& text) override { shown << "error: " + text; }
    void message(QWidget*, const QString& text) override { shown << "message: " + text; }
    void beep() override { shown << "beep"; }
    QStringList openFiles(QWidget*, const QString& folder, const QString& filter, bool) override
    {
        asked << "open " + folder + " " + filter;
        return openAnswer;
    }
    QString saveFile(QWidget*, const QString& folder, const QString& filter,
                     const QString&) override
    {
        asked << "save " + folder + " " + filter;
        return saveAnswer;
    }
    QString chooseFolder(QWidget*, const QString& caption, const QString&) override
    {
        asked << "folder " + caption;
        return folderAnswer;
    }
    bool openDocument(const QString& pathOrUrl) override
    {
        opened << pathOrUrl;
        return openWorks;
    }

    QStringList shown;
    QStringList asked;
    QStringList opened;
    QStringList openAnswer;
    QString saveAnswer;
    QString folderAnswer;
    bool openWorks = true; // false: no program opens documents
};
