// SPDX-License-Identifier: GPL-3.0-or-later
// The selected day's meal note: the files that make it up, the one Save writes kept in
// step with the disk, the copies sync tools left beside them, and the days of the
// month shown that have a note.
#ifndef MEALNOTECONTROLLER_H
#define MEALNOTECONTROLLER_H

#include "daynotefiles.h"
#include "filenotices.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>

class ConflictMerger;
class QUndoStack;
class UndoAnnouncer;
class SyncedFile;

class MealNoteController : public QObject
{
    Q_OBJECT

public:
    MealNoteController(const QString &folder, ConflictMerger *merger, QObject *parent = nullptr);

    // Asked before Save writes over a note another program changed since it was read.
    void setReplaceQuestion(const std::function<bool()> &ask) { askReplace = ask; }
    SyncedFile *file() const { return noteFile; }

    QStringList savedMealFiles() const;
    QString readTextFile(const QString &path) const;
    // The day's note, once what sync tools and other languages left is folded in and
    // the days of the month shown are marked: what the window opens on.
    QString openMealNotes(const QDate &day, int year, int month);
    // Folds in what sync tools and other languages left, and marks the month's days.
    void showMonth(int year, int month);
    QString loadMealNote(const QDate &day);
    // While editing, a change on disk leaves the note shown alone.
    void setEditing(bool isEditing) { editing = isEditing; }
    bool storeMealNote(const QString &note);
    QStringList storedMealNotes(const QList<QDate> &days) const;
    // The first lines of a day's note, for its tooltip: the one file the marks found
    // for it is read, nothing else.
    QString mealNotePreview(const QDate &day) const;

    // Pasted notes, the steps Ctrl+Z in the calendar takes back.
    QUndoStack *history() const { return undoStack; }
    // The text added to the end of the day's note, as Save writes it; the day is the
    // one selected.
    void pasteMealNote(const QDate &day, const QString &text);
    // Writes the day's note changed as change says, to the note as the file holds it
    // then; a day not selected is asked for first (dayWanted), so that the user sees
    // what changes.
    void changeMealNote(const QDate &day, const std::function<QString(const QString &note)> &change);
    QString storedMealNote(const QDate &day) const;

signals:
    void noteChanged(const QString &note);
    void daysWithNotesChanged(const QSet<QDate> &days);
    void saveFailed(const QString &message);
    void readFailed(const QString &message);
    void dayWanted(const QDate &day);
    // What a screen reader hears of a paste, and of its undo and redo.
    void announce(const QString &text);

private:
    void followFolder();
    QStringList lookAfterMealNotes(QStringList noteFiles);
    void markDaysWithNotes(const QStringList &noteFiles);
    QString showMealNote(const QStringList &noteFiles);
    DayNoteFiles followMealNote(const QStringList &noteFiles);
    QString storedMealNote(const QStringList &noteFiles, const QDate &day) const;
    void tellIfUnreadable(const QString &path, const QString &reason);
    void tellSaveFailed();

    const QString folder;
    ConflictMerger *merger;
    SyncedFile *noteFile;
    QUndoStack *undoStack;
    UndoAnnouncer *steps;
    std::function<bool()> askReplace = [] { return false; };
    QDate day;
    QDate firstOfMonth;
    QSet<QDate> marked;
    QHash<QDate, QString> markedFiles;
    bool editing = false;
    ReadFailureNotices readFailures;
};

#endif // MEALNOTECONTROLLER_H
