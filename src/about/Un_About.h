// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About window: product, version, the maker's notice and, when the system
// configuration asks for it, a support link that opens in the desktop's browser.

#include <QWidget>

class QLabel;
class QPushButton;

class Tfrm_about : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_about(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QPushButton* btn_close;

    bool FLinkShown = false;
    bool FLinkHot = false;

    void FormShow();
    void Label6Click();
    void Label6MouseEnter();
    void Label6MouseLeave();
    void btn_closeClick();

    // The first line of the maker's notice; the link's address follows it.
    static const QString kNotice;
    // The link's address when the configuration asks for a link but names none.
    static QString defaultAddress();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setLinkFont(int pointSize, const QColor& colour);
};

extern Tfrm_about* frm_about;
