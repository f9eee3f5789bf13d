// SPDX-License-Identifier: GPL-3.0-or-later
#include "pastemealnotecommand.h"

#include "mealnotecontroller.h"
#include "plannedagain.h"

PasteMealNoteCommand::PasteMealNoteCommand(MealNoteController *notes, const QDate &day, const QString &text)
    : notes(notes)
    , day(day)
    , text(text)
{
}

void PasteMealNoteCommand::redo()
{
    notes->changeMealNote(day, [this](const QString &note) {
        addition = mealAddition(note, text);
        return note + addition;
    });
}

void PasteMealNoteCommand::undo()
{
    notes->changeMealNote(day, [this](const QString &note) { return withMealTakenBack(note, addition, text); });
}
