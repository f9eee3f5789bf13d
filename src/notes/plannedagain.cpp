// SPDX-License-Identifier: GPL-3.0-or-later
#include "plannedagain.h"

QString mealAddition(const QString &note, const QString &text)
{
    const bool ownLine = note.isEmpty() || note.endsWith(QLatin1Char('\n'));
    return (ownLine ? QString() : QStringLiteral("\n")) + text;
}

QString withMealTakenBack(const QString &note, const QString &addition, const QString &text)
{
    for (const QString &taken : {addition, text}) {
        const int at = taken.isEmpty() ? -1 : note.lastIndexOf(taken);
        if (at >= 0)
            return note.left(at) + note.mid(at + taken.size());
    }
    return note;
}
