// SPDX-License-Identifier: GPL-3.0-or-later
// Lets the user drag an entry of a list to another row: the drop is handed on as a
// move, and the list changes only as the move is written, never by itself.
#ifndef ROWDRAGFILTER_H
#define ROWDRAGFILTER_H

#include <QObject>

class QListWidget;

class RowDragFilter : public QObject
{
    Q_OBJECT

public:
    explicit RowDragFilter(QObject *parent = nullptr);
    void watch(QListWidget *list);

signals:
    void rowDropped(int from, int to);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int rowAt(const QPoint &position) const;

    QListWidget *list = nullptr;
};

#endif // ROWDRAGFILTER_H
