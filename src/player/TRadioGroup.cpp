// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/TRadioGroup.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent), m_buttons(new QButtonGroup(this))
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setVerticalSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        m_buttons->addButton(button, i);
        grid->addWidget(button, i / columns, i % columns);
    }
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            emit itemIndexChanged(id);
        }
    });
}

int TRadioGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    if (QAbstractButton* button = m_buttons->button(index)) {
        button->setChecked(true);
        return;
    }
    // No button for the index: none checked.
    m_buttons->setExclusive(false);
    for (QAbstractButton* b : m_buttons->buttons()) {
        b->setChecked(false);
    }
    m_buttons->setExclusive(true);
}

int TRadioGroup::count() const
{
    return int(m_buttons->buttons().size());
}
