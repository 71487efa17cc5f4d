#pragma once
// The About window: product, version and the maker's notice.

#include <QWidget>

class QLabel;

class Tfrm_about : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_about(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
};

extern Tfrm_about* frm_about;
