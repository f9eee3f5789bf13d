// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader hears of an undo or redo: the step it took back or did again,
// told as the caller words it. Steps are pushed through it, so that a step done for
// the first time, which its command tells itself, is not told twice.
#ifndef UNDOANNOUNCER_H
#define UNDOANNOUNCER_H

#include <QObject>

#include <functional>

class QUndoCommand;
class QUndoStack;

class UndoAnnouncer : public QObject
{
    Q_OBJECT

public:
    using Notice = std::function<QString(const QString &step, bool undone)>;

    UndoAnnouncer(QUndoStack *stack, const Notice &notice, QObject *parent);

    void push(QUndoCommand *command, const QString &step);

signals:
    void announce(const QString &text);

private:
    void stepTaken(int index);

    QUndoStack *stack;
    Notice notice;
    int index = 0;
    bool pushing = false;
};

#endif // UNDOANNOUNCER_H
