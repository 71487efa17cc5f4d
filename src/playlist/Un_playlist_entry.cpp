// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/Un_playlist_entry.h"

#include "platform/Dialogs.h"
#include "playlist/PlaylistOps.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

TFrm_playlist_entry* Frm_playlist_entry = nullptr;

TFrm_playlist_entry::TFrm_playlist_entry(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Playlist Entry"));
    setFixedSize(332, 102);
    Label1 = new QLabel(QStringLiteral("Old"), this);
    Label1->setGeometry(8, 8, 28, 21);
    Label2 = new QLabel(QStringLiteral("New"), this);
    Label2->setGeometry(8, 32, 28, 21);
    Edt_old = new QLineEdit(this);
    Edt_old->setGeometry(40, 8, 281, 21);
    Edt_old->setReadOnly(true);
    QPalette grey = Edt_old->palette();
    grey.setColor(QPalette::Text, palette().color(QPalette::Disabled, QPalette::WindowText));
    Edt_old->setPalette(grey);
    Edt_new = new QLineEdit(this);
    Edt_new->setGeometry(40, 32, 281, 21);
    // The labels name the boxes for a screen reader.
    Label1->setBuddy(Edt_old);
    Label2->setBuddy(Edt_new);
    Btn_ok = new QPushButton(QStringLiteral("OK"), this);
    Btn_ok->setGeometry(8, 64, 75, 25);
    Btn_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Btn_Cancel->setGeometry(88, 64, 75, 25);
    connect(Btn_ok, &QPushButton::clicked, this, &TFrm_playlist_entry::Btn_okClick);
    connect(Btn_Cancel, &QPushButton::clicked, this, &TFrm_playlist_entry::Btn_CancelClick);
}

void TFrm_playlist_entry::EditFile(const TfilePtr& entry)
{
    FFile = entry;
    const QString path = entry ? entry->Path : QString();
    Edt_old->setText(path);
    Edt_new->setText(path);
}

void TFrm_playlist_entry::Btn_okClick()
{
    // A pasted line break would break the playlist file the entry is saved to.
    if (TPlaylistOps::hasLineBreak(Edt_new->text())) {
        Platform::dialogs().message(this, TPlaylistOps::lineBreakMessage(Edt_new->text()));
        return;
    }
    if (FFile) {
        FFile->Path = Edt_new->text();
    }
    accept();
}

void TFrm_playlist_entry::Btn_CancelClick()
{
    reject();
}
