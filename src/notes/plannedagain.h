// SPDX-License-Identifier: GPL-3.0-or-later
// A meal planned again: a note's text added to the end of another day's note, and
// taken back again.
#ifndef PLANNEDAGAIN_H
#define PLANNEDAGAIN_H

#include <QString>

// What goes after the note: the text, on a line of its own.
QString mealAddition(const QString &note, const QString &text);
// The note without the addition: where it last stands, or else the text alone where
// it last stands; unchanged where neither is left.
QString withMealTakenBack(const QString &note, const QString &addition, const QString &text);

#endif // PLANNEDAGAIN_H
