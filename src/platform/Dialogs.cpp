// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Dialogs.h"

#include "platform/FileSystem.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace Platform {

namespace {

// Audio CD tracks (<disc>/TrackNN.cda) exist only for the program, not on disk; Qt's own
// dialog would refuse them. Typed or pasted, they are taken like files on disk.
class OpenFilesDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    QStringList chosen;

    void accept() override
    {
        const QStringList files = selectedFiles();
        bool virtualOnes = false;
        for (const QString& file : files) {
            if (!fileExists(file)) {
                QFileDialog::accept(); // Qt says what is missing
                return;
            }
            virtualOnes = virtualOnes || !QFileInfo::exists(file);
        }
        if (!virtualOnes) {
            QFileDialog::accept();
            return;
        }
        chosen = files;
        QDialog::accept();
    }
};

class QtDialogs : public DialogBackend {
public:
    void warning(QWidget* parent, const QString& text) override
    {
        QMessageBox::warning(parent, QStringLiteral("Warning"), text);
    }
    void error(QWidget* parent, const QString& text) override
    {
        QMessageBox::critical(parent, QStringLiteral("Error"), text);
    }
    void message(QWidget* parent, const QString& text) override
    {
        QMessageBox::information(parent, QApplication::applicationDisplayName(), text);
    }
    void beep() override { QApplication::beep(); }
    QStringList openFiles(QWidget* parent, const QString& folder, const QString& filter,
                          bool multiple) override
    {
        OpenFilesDialog dialog(parent, QString(), folder);
        // The desktop's own dialog could not be taught the CD track files.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(qtNameFilters(filter));
        dialog.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted) {
            return QStringList();
        }
        return dialog.chosen.isEmpty() ? dialog.selectedFiles() : dialog.chosen;
    }
    QString saveFile(QWidget* parent, const QString& folder, const QString& filter,
                     const QString& defaultSuffix) override
    {
        QFileDialog dialog(parent, QString(), folder);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(qtNameFilters(filter));
        dialog.setDefaultSuffix(defaultSuffix);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().first()
                   : QString();
    }
    QString chooseFolder(QWidget* parent, const QString& caption, const QString& folder) override
    {
        return QFileDialog::getExistingDirectory(parent, caption, folder);
    }
    bool openDocument(const QString& pathOrUrl) override
    {
        const QUrl url = pathOrUrl.contains(QLatin1String("://")) ? QUrl(pathOrUrl)
                                                                  : QUrl::fromLocalFile(pathOrUrl);
        return QDesktopServices::openUrl(url);
    }
};

class ClosedDialogs : public DialogBackend {
public:
    void warning(QWidget*, const QString& text) override { log("Warning", text); }
    void error(QWidget*, const QString& text) override { log("Error", text); }
    void message(QWidget*, const QString& text) override { log("Lumeno", text); }
    void beep() override {}
    QStringList openFiles(QWidget*, const QString&, const QString&, bool) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
    bool openDocument(const QString&) override { return true; } // nobody left to tell

private:
    static void log(const char* caption, const QString& text)
    {
        qWarning("%s: %s", caption, qPrintable(text));
    }
};

QtDialogs qtDialogs;
ClosedDialogs closedDialogs;
DialogBackend* installed = nullptr;
bool closed = false;

} // namespace

DialogBackend& dialogs()
{
    if (closed)
        return closedDialogs;
    return installed ? *installed : qtDialogs;
}

void closeAllDialogs()
{
    closed = true;
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close())
            break;
    }
    // Each one's exec() returns once control goes back to its event loop.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible() && dialog->isModal())
            dialog->reject();
    }
}

bool dialogsClosed()
{
    return closed;
}

void setDialogBackend(DialogBackend* backend)
{
    installed = backend;
}

QStringList qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // Qt reads the patterns from the last parentheses; the description keeps its own.
        result << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')');
    }
    return result;
}

} // namespace Platform
