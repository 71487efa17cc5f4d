// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A captioned group of radio buttons addressed by item index, -1 for none checked.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, int columns,
                QWidget* parent = nullptr);
    int itemIndex() const;
    void setItemIndex(int index);
    int count() const;

signals:
    void itemIndexChanged(int index);

private:
    QButtonGroup* m_buttons;
};
