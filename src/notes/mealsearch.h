// SPDX-License-Identifier: GPL-3.0-or-later
// Finding past meals: which notes hold all the words of a query, case and accents
// ignored, and the line that shows where.
#ifndef MEALSEARCH_H
#define MEALSEARCH_H

#include <QDate>
#include <QString>
#include <QStringList>

// Lower case, accents and other marks taken off: "Crème Brûlée" reads "creme brulee".
QString searchableText(const QString &text);

// A note as the search reads it: its non-blank lines, and the same made searchable.
struct SearchableNote
{
    QDate day;
    QStringList lines;
    QStringList searchableLines;
};
SearchableNote searchableNote(const QDate &day, const QString &note);

// The query's words, searchable; none for a blank query.
QStringList searchWords(const QString &query);

// Whether the note holds every word, each anywhere in it; then line is its first line
// that holds one of them.
bool noteMatches(const SearchableNote &note, const QStringList &words, QString *line);

#endif // MEALSEARCH_H
