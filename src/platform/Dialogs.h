// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every message box and file dialog the program shows goes through here, so tests can
// answer them as a person would.

#include <QString>
#include <QStringList>

class QWidget;

namespace Platform {

class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    // A warning with an OK button, captioned "Warning".
    virtual void warning(QWidget* parent, const QString& text) = 0;
    // A box titled "Error" with an OK button.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // A plain message box under the application's title.
    virtual void message(QWidget* parent, const QString& text) = 0;
    virtual void beep() = 0;
    // Filters are in the "Description|*.a;*.b|..." form; an empty result means Cancel.
    virtual QStringList openFiles(QWidget* parent, const QString& folder, const QString& filter,
                                  bool multiple) = 0;
    virtual QString saveFile(QWidget* parent, const QString& folder, const QString& filter,
                             const QString& defaultSuffix) = 0;
    virtual QString chooseFolder(QWidget* parent, const QString& caption,
                                 const QString& folder) = 0;
    // Opens a document or link with the desktop's default program; false when no
    // program could be started for it.
    virtual bool openDocument(const QString& pathOrUrl) = 0;
};

// The backend in use: Qt's own dialogs unless a test installed another.
DialogBackend& dialogs();
// Installs a backend (not owned); null restores Qt's dialogs.
void setDialogBackend(DialogBackend* backend);

// For a termination request: closes every open modal dialog, message box and popup
// menu as if cancelled, and from then on shows none; messages go to the log and file
// dialogs answer Cancel, so nothing waits for a person who is not there.
void closeAllDialogs();
bool dialogsClosed();

// "Desc|*.a;*.b|Desc2|*.c" to Qt's name filters, descriptions kept as they are written.
QStringList qtNameFilters(const QString& filter);

} // namespace Platform
