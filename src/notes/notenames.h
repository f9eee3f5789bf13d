// SPDX-License-Identifier: GPL-3.0-or-later
// A day's note is named after the day as the system's language writes it, "Mon Dec 7
// 2026.txt", but a note saved under another language, or by a machine in another
// language sharing the folder, is that day's note too when its name is exactly the
// day as some language writes it ("Mo. Dez. 7 2026.txt").
#ifndef NOTENAMES_H
#define NOTENAMES_H

#include <QDate>
#include <QString>

// Names are compared in one Unicode form, so that a name written decomposed (as a Mac
// or some sync tools write "März") is the same name; the file keeps its own.
QString comparableNoteName(const QString &fileName);

// The day that a comparable file name is exactly the name of: as the system's language
// writes it, or else as some language does, where no language names another day so.
// Invalid for any other name, and for a day outside first to last when they are given.
QDate exactNoteDay(const QString &comparableName, const QDate &first = QDate(),
                   const QDate &last = QDate());

// The day a file name, in either Unicode form, is exactly the name of.
QDate noteDay(const QString &fileName);

#endif // NOTENAMES_H
