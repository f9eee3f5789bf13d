// SPDX-License-Identifier: GPL-3.0-or-later
// The words a note's name gives its day in ("Do. Sept. 19 2019.txt"): the program's own
// table of every locale, so that builds on different Qt versions, whose locale data
// spell some names differently, write one name for a day and find each other's notes.
#ifndef DAYNAMES_H
#define DAYNAMES_H

#include <QDate>
#include <QString>
#include <QVector>

struct DayNames
{
    QString locale; // "de_DE|Latin": the locale's name and script
    bool written = true; // false for another Qt's spelling, read but never written
    QString days[7]; // Monday first
    QString months[12];
};

// Every locale's names, and the other spellings of some.
const QVector<DayNames> &everyLocaleDayNames();

// The names written for a locale given as the environment gives it ("de_DE.UTF-8"):
// of its own line, else of its language, else English.
DayNames dayNamesOf(const QString &localeName);

// As Qt takes the locale of dates: LC_ALL, else LC_TIME, else LANG.
QString timeLocaleName();

// The system's names, looked up once.
const DayNames &systemDayNames();

// "<day> <month> <day of month> <year>", as the file name of the day's note has it.
QString dayNoteText(const QDate &day, const DayNames &names);

#endif // DAYNAMES_H
