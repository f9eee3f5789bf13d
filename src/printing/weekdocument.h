// SPDX-License-Identifier: GPL-3.0-or-later
// The week's plan on paper: each day's long date and note, then the grocery list.
#ifndef WEEKDOCUMENT_H
#define WEEKDOCUMENT_H

#include <QDate>
#include <QList>
#include <QPair>
#include <QStringList>

class QObject;
class QTextDocument;

using DayNote = QPair<QDate, QString>;

// The seven days of the week holding day, from the locale's first day of the week.
QList<QDate> weekHolding(const QDate &day);

// Notes and items go in as plain text, so that a note that looks like markup prints
// as typed; the items as the list's lines, a ticked one printed struck through.
QTextDocument *weekDocument(const QList<DayNote> &notes, const QStringList &lines,
                            QObject *parent = nullptr);

#endif // WEEKDOCUMENT_H
