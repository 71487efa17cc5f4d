// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QListView>
#include <QStringList>

class TListBoxModel;

// A list of text lines with multiple selection and a focused line, the way the
// playlist window uses it. Indices out of range are ignored, never fatal.
class TListBox : public QListView {
    Q_OBJECT

public:
    explicit TListBox(QWidget* parent = nullptr);
    ~TListBox() override;

    int count() const;
    void clear();
    void addLine(const QString& text);
    void deleteLine(int i);
    QString line(int i) const;
    QStringList lines() const;
    void setLines(const QStringList& texts);

    bool selected(int i) const;
    void setSelected(int i, bool on); // on also makes i the focused line
    // The selected flag of every line at once, cheaper than count() calls of selected().
    QList<bool> selectionFlags() const;

    int itemIndex() const; // focused line, -1 none
    void setItemIndex(int i);

    void selectAll() override;
    void selectNone();
    void invertSelection();

    // Between these calls addLine() only stores the line and the view hears of
    // new rows in timed batches: announcing each row on its own costs a layout
    // pass per row once events are processed between lines. Calls nest.
    void beginUpdate();
    void endUpdate();

private:
    void publishPending();

    TListBoxModel* m_model;
    int m_updateDepth = 0;
    QElapsedTimer m_sincePublish;
};
