// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/TListBox.h"

#include <QAbstractListModel>
#include <QItemSelectionModel>

namespace {

// Long enough that a rebuild of 100,000 lines announces only a few dozen
// batches, short enough that the list visibly fills while it is rebuilt.
constexpr qint64 kPublishIntervalMs = 40;

} // namespace

// Holds the line texts. Rows are stored at once but may be announced to the
// view later, so rowCount() is what the view has been told, size() what exists.
class TListBoxModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_announced;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_announced || role != Qt::DisplayRole)
            return {};
        return m_lines.at(index.row());
    }

    int size() const { return int(m_lines.size()); }
    const QStringList& lines() const { return m_lines; }
    bool hasPending() const { return m_announced < m_lines.size(); }

    void store(const QString& text) { m_lines.append(text); }

    void announcePending()
    {
        if (!hasPending())
            return;
        beginInsertRows(QModelIndex(), m_announced, size() - 1);
        m_announced = size();
        endInsertRows();
    }

    void removeLine(int i)
    {
        announcePending();
        beginRemoveRows(QModelIndex(), i, i);
        m_lines.removeAt(i);
        m_announced = size();
        endRemoveRows();
    }

    void replaceAll(const QStringList& texts)
    {
        beginResetModel();
        m_lines = texts;
        m_announced = size();
        endResetModel();
    }

private:
    QStringList m_lines;
    int m_announced = 0;
};

TListBox::TListBox(QWidget* parent) : QListView(parent), m_model(new TListBoxModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sincePublish.start();
}

TListBox::~TListBox() = default;

int TListBox::count() const
{
    return m_model->size();
}

void TListBox::clear()
{
    m_model->replaceAll({});
}

void TListBox::addLine(const QString& text)
{
    m_model->store(text);
    if (m_updateDepth == 0 || m_sincePublish.elapsed() >= kPublishIntervalMs)
        publishPending();
}

void TListBox::deleteLine(int i)
{
    if (i >= 0 && i < count())
        m_model->removeLine(i);
}

QString TListBox::line(int i) const
{
    return i >= 0 && i < count() ? m_model->lines().at(i) : QString();
}

QStringList TListBox::lines() const
{
    return m_model->lines();
}

void TListBox::setLines(const QStringList& texts)
{
    m_model->replaceAll(texts);
}

bool TListBox::selected(int i) const
{
    // Rows not yet announced have invalid indices and so read as unselected,
    // which they are.
    return selectionModel()->isSelected(m_model->index(i));
}

void TListBox::setSelected(int i, bool on)
{
    publishPending();
    const QModelIndex index = m_model->index(i);
    if (!index.isValid())
        return;
    if (!on) {
        selectionModel()->select(index, QItemSelectionModel::Deselect);
        return;
    }
    // Marking a line also makes it the focused line: the play pipeline marks
    // the line it plays and later reads the focused line back.
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select);
    scrollTo(index);
}

QList<bool> TListBox::selectionFlags() const
{
    QList<bool> flags(count(), false);
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        const int last = qMin(range.bottom(), int(flags.size()) - 1);
        for (int row = qMax(range.top(), 0); row <= last; ++row)
            flags[row] = true;
    }
    return flags;
}

int TListBox::itemIndex() const
{
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TListBox::setItemIndex(int i)
{
    publishPending();
    if (i == -1) {
        selectionModel()->clearCurrentIndex();
        return;
    }
    const QModelIndex index = m_model->index(i);
    if (!index.isValid())
        return;
    // Moves the focus only; the selection is the caller's business.
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
}

void TListBox::selectAll()
{
    publishPending();
    if (count() > 0)
        selectionModel()->select(QItemSelection(m_model->index(0), m_model->index(count() - 1)),
                                 QItemSelectionModel::Select);
}

void TListBox::selectNone()
{
    selectionModel()->clearSelection();
}

void TListBox::invertSelection()
{
    publishPending();
    if (count() > 0)
        selectionModel()->select(QItemSelection(m_model->index(0), m_model->index(count() - 1)),
                                 QItemSelectionModel::Toggle);
}

void TListBox::beginUpdate()
{
    if (m_updateDepth++ == 0)
        m_sincePublish.restart();
}

void TListBox::endUpdate()
{
    if (m_updateDepth > 0 && --m_updateDepth == 0)
        publishPending();
}

void TListBox::publishPending()
{
    m_model->announcePending();
    m_sincePublish.restart();
}
