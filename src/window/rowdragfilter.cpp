// SPDX-License-Identifier: GPL-3.0-or-later
#include "rowdragfilter.h"

#include <QDropEvent>
#include <QListWidget>

RowDragFilter::RowDragFilter(QObject *parent)
    : QObject(parent)
{
}

// Installed after any other filter of the viewport, so that it sees the list's own
// drags first and leaves the rest to the others.
void RowDragFilter::watch(QListWidget *watched)
{
    list = watched;
    list->setDragEnabled(true);
    list->viewport()->installEventFilter(this);
}

// Dropped below the last entry, it goes last.
int RowDragFilter::rowAt(const QPoint &position) const
{
    const QModelIndex index = list->indexAt(position);
    return index.isValid() ? index.row() : list->count() - 1;
}

bool RowDragFilter::eventFilter(QObject *watched, QEvent *event)
{
    const bool isDrag = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove
                        || event->type() == QEvent::Drop;
    if (!isDrag || static_cast<QDropEvent *>(event)->source() != list)
        return QObject::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    // A copy, so that the list does not take the dragged entry out by itself.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop)
        emit rowDropped(list->currentRow(), rowAt(drop->pos()));
    return true;
}
