// SPDX-License-Identifier: GPL-3.0-or-later
// Which files of the notes folder make up a day's note, and what the window does with
// each. A file is the day's when its name begins with the day's date text and a dot,
// or when it is exactly the day's name in another language (see notenames.h). Of
// these, the exact names come first: Save writes one of them, and the box shows what
// Save wrote, whatever look-alike ("Mon Dec 7 2026.old.txt") sorts after it.
#ifndef DAYNOTEFILES_H
#define DAYNOTEFILES_H

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// File names, as the folder lists them.
struct DayNoteFiles
{
    // The one the note box shows; empty when the day has no file.
    QString shown;
    // The one Save writes: the day's exact name that sorts first by code point, so that
    // machines in either language pick the same, or the system's name for a new note.
    QString written;
    // Every file of the day, whose change may change the note shown.
    QStringList watched;
    // The day's exact names when it has several (two machines saved it in two
    // languages while apart), by code point: to be joined into the first.
    QStringList joined;
};

DayNoteFiles dayNoteFiles(const QStringList &fileNames, const QDate &day);

// The file shown for each day from first to last that has one.
QHash<QDate, QString> shownNoteFiles(const QStringList &fileNames, const QDate &first, const QDate &last);

// The joined names of every day of the folder that has several exact names.
QVector<QStringList> noteNamesToJoin(const QStringList &fileNames);

#endif // DAYNOTEFILES_H
