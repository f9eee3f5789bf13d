// SPDX-License-Identifier: GPL-3.0-or-later
#include "mealfinder.h"

#include "daynotefiles.h"
#include "notenames.h"
#include "syncedfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QTimer>

namespace {

// The day a note's file is of: its exact name, or a look-alike's up to its first dot.
QDate dayOfNoteFile(const QString &name)
{
    const QDate exact = noteDay(name);
    const int dot = name.indexOf(QLatin1Char('.'));
    return exact.isValid() || dot < 0 ? exact : noteDay(name.left(dot) + QLatin1String(".txt"));
}

} // namespace

// Each day's note is the file the day shows.
MealFinder::MealFinder(const QString &folder, QObject *parent)
    : QObject(parent)
    , folder(folder)
    , slices(new QTimer(this))
{
    QMap<QDate, QStringList> filesOfDay;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::NoSort)) {
        const QDate day = dayOfNoteFile(name);
        if (day.isValid())
            filesOfDay[day] << name;
    }
    for (auto day = filesOfDay.cend(); day != filesOfDay.cbegin();) {
        --day;
        toRead.append({day.key(), dayNoteFiles(day.value(), day.key()).shown});
    }
    connect(slices, &QTimer::timeout, this, &MealFinder::readSlice);
    slices->start(0);
}

void MealFinder::setQuery(const QString &query)
{
    words = searchWords(query);
    meals.clear();
    for (const SearchableNote &note : qAsConst(notes))
        match(note);
    emit foundReset();
}

bool MealFinder::match(const SearchableNote &note)
{
    QString line;
    if (!noteMatches(note, words, &line))
        return false;
    meals.append({note.day, line});
    return true;
}

void MealFinder::readSlice()
{
    QElapsedTimer slice;
    slice.start();
    bool foundAny = false;
    while (!isDone() && slice.elapsed() < sliceMilliseconds) {
        const QPair<QDate, QString> &file = toRead.at(next++);
        notes.append(searchableNote(file.first, SyncedFile::readText(folder + file.second)));
        foundAny |= match(notes.last());
    }
    if (isDone())
        slices->stop();
    if (foundAny || isDone())
        emit foundMore();
}
