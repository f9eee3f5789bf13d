// SPDX-License-Identifier: GPL-3.0-or-later
// Finds past meals in the notes folder as the user types. The notes are read in short
// slices between the window's events, so that typing never waits for the folder, and
// the days found grow as they are read.
#ifndef MEALFINDER_H
#define MEALFINDER_H

#include "mealsearch.h"

#include <QObject>
#include <QPair>
#include <QVector>

class QTimer;

struct FoundMeal
{
    QDate day;
    QString line;
};

class MealFinder : public QObject
{
    Q_OBJECT

public:
    explicit MealFinder(const QString &folder, QObject *parent = nullptr);
    // Each slice reads for about this long before the window gets its turn again.
    static constexpr int sliceMilliseconds = 20;

    void setQuery(const QString &query);
    // Newest first; those of notes read later are added at the end.
    const QVector<FoundMeal> &found() const { return meals; }
    bool isDone() const { return next == toRead.size(); }

signals:
    // Found anew for a new query.
    void foundReset();
    // More found in the notes just read.
    void foundMore();

private:
    void readSlice();
    bool match(const SearchableNote &note);

    const QString folder;
    QVector<QPair<QDate, QString>> toRead; // newest first
    int next = 0;
    QVector<SearchableNote> notes;
    QStringList words;
    QVector<FoundMeal> meals;
    QTimer *slices;
};

#endif // MEALFINDER_H
