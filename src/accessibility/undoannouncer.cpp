// SPDX-License-Identifier: GPL-3.0-or-later
#include "undoannouncer.h"

#include <QUndoStack>

#include <utility>

UndoAnnouncer::UndoAnnouncer(QUndoStack *stack, const Notice &notice, QObject *parent)
    : QObject(parent)
    , stack(stack)
    , notice(notice)
    , index(stack->index())
{
    connect(stack, &QUndoStack::indexChanged, this, &UndoAnnouncer::stepTaken);
}

void UndoAnnouncer::push(QUndoCommand *command, const QString &step)
{
    command->setText(step);
    pushing = true;
    stack->push(command);
    pushing = false;
}

// The stack's place tells an undo from a redo; a stack cleared holds no step to tell.
void UndoAnnouncer::stepTaken(int now)
{
    const int before = std::exchange(index, now);
    const bool undone = now < before;
    const QUndoCommand *step = stack->command(undone ? now : now - 1);
    if (!pushing && now != before && step)
        emit announce(notice(step->text(), undone));
}
