// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entry dialog: changes where one playlist entry is played from.

#include "playlist/Tfile.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TFrm_playlist_entry : public QDialog {
    Q_OBJECT
public:
    explicit TFrm_playlist_entry(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edt_old;
    QLineEdit* Edt_new;
    QPushButton* Btn_ok;
    QPushButton* Btn_Cancel;

    void EditFile(const TfilePtr& entry);
    void Btn_okClick();
    void Btn_CancelClick();

private:
    TfilePtr FFile;
};

extern TFrm_playlist_entry* Frm_playlist_entry;
