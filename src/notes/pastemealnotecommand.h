// SPDX-License-Identifier: GPL-3.0-or-later
// Pasting a meal note onto a day, as a step that can be taken back.
#ifndef PASTEMEALNOTECOMMAND_H
#define PASTEMEALNOTECOMMAND_H

#include <QDate>
#include <QUndoCommand>

class MealNoteController;

class PasteMealNoteCommand : public QUndoCommand
{
public:
    PasteMealNoteCommand(MealNoteController *notes, const QDate &day, const QString &text);
    void redo() override;
    void undo() override;

private:
    MealNoteController *notes;
    QDate day;
    QString text;
    QString addition;
};

#endif // PASTEMEALNOTECOMMAND_H
