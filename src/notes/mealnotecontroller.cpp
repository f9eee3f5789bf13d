// SPDX-License-Identifier: GPL-3.0-or-later
#include "mealnotecontroller.h"

#include "conflictmerger.h"
#include "notepreview.h"
#include "pastemealnotecommand.h"
#include "syncedfile.h"
#include "undoannouncer.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSignalBlocker>
#include <QUndoStack>

MealNoteController::MealNoteController(const QString &folder, ConflictMerger *merger, QObject *parent)
    : QObject(parent)
    , folder(folder)
    , merger(merger)
    , noteFile(new SyncedFile(this))
    , undoStack(new QUndoStack(this))
    , steps(new UndoAnnouncer(undoStack, [](const QString &step, bool undone) {
        return step + (undone ? QStringLiteral(", undone") : QStringLiteral(" again"));
    }, this))
{
    noteFile->setObjectName(QStringLiteral("MealNoteFile"));
    connect(steps, &UndoAnnouncer::announce, this, &MealNoteController::announce);
    undoStack->setObjectName(QStringLiteral("MealNoteHistory"));
    // A sync tool may bring thousands of notes; each look lists the whole folder, so
    // while it keeps changing the folder is looked at most every 750 ms.
    noteFile->setBusyFolderInterval(750);
    connect(noteFile, &SyncedFile::changedOnDisk, this, &MealNoteController::followFolder);
    merger->setNamesToJoin(noteNamesToJoin);
}

// Names only, in the folder's own order (by name, case ignored); the marks read the
// sizes of the few files they need.
QStringList MealNoteController::savedMealFiles() const
{
    return QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::NoSort);
}

QString MealNoteController::readTextFile(const QString &path) const
{
    return SyncedFile::readText(path);
}

QString MealNoteController::openMealNotes(const QDate &selected, int year, int month)
{
    day = selected;
    firstOfMonth = QDate(year, month, 1);
    return showMealNote(lookAfterMealNotes(savedMealFiles()));
}

void MealNoteController::showMonth(int year, int month)
{
    firstOfMonth = QDate(year, month, 1);
    lookAfterMealNotes(savedMealFiles());
}

// One listing of the folder serves the marks and, unless editing, the note shown.
void MealNoteController::followFolder()
{
    const QStringList noteFiles = lookAfterMealNotes(savedMealFiles());
    if (!editing)
        emit noteChanged(showMealNote(noteFiles));
}

// The listing as it is once the copies are merged.
QStringList MealNoteController::lookAfterMealNotes(QStringList noteFiles)
{
    if (merger->mergeNoteCopies(folder, noteFiles))
        noteFiles = savedMealFiles();
    markDaysWithNotes(noteFiles);
    return noteFiles;
}

// Days with a note are those whose shown file has text, since the box shows an empty
// one as no note. The marks cover every day the calendar can show for its month, the
// grey ones of its neighbours included.
void MealNoteController::markDaysWithNotes(const QStringList &noteFiles)
{
    const QHash<QDate, QString> shownFiles =
            shownNoteFiles(noteFiles, firstOfMonth.addDays(-7), firstOfMonth.addDays(41));
    QSet<QDate> withNotes;
    markedFiles.clear();
    for (auto shown = shownFiles.cbegin(); shown != shownFiles.cend(); ++shown) {
        if (QFileInfo(folder + shown.value()).size() > 0) {
            withNotes.insert(shown.key());
            markedFiles.insert(shown.key(), shown.value());
        }
    }
    if (withNotes == marked)
        return;
    marked = withNotes;
    emit daysWithNotesChanged(marked);
}

QString MealNoteController::loadMealNote(const QDate &selected)
{
    day = selected;
    return showMealNote(savedMealFiles());
}

// The note shown is the file Save writes, which is kept in step; only a day with
// look-alikes alone shows one of those.
QString MealNoteController::showMealNote(const QStringList &noteFiles)
{
    const DayNoteFiles files = followMealNote(noteFiles);
    // A folder that cannot be listed may well hold the day's note.
    const QString folderError = noteFiles.isEmpty() ? SyncedFile::listingError(folder) : QString();
    noteFile->refuseWrites(folderError);
    tellIfUnreadable(folder, folderError);
    QString note;
    if (files.shown == files.written)
        note = noteFile->read();
    else if (!files.shown.isEmpty())
        note = readTextFile(folder + files.shown);
    tellIfUnreadable(noteFile->path(), noteFile->readError());
    return note;
}

// Keeps the file Save writes in step, watching every file of the selected day.
DayNoteFiles MealNoteController::followMealNote(const QStringList &noteFiles)
{
    const DayNoteFiles files = dayNoteFiles(noteFiles, day);
    QStringList watched;
    for (const QString &name : files.watched)
        watched << folder + name;
    noteFile->setPath(folder + files.written, watched);
    return files;
}

// Replacing a note another program changed writes the text over the note as the
// day's files now are, names in two languages joined first, so that nothing it
// replaced comes back. Meanwhile a change on disk must not replace the unsaved text.
bool MealNoteController::storeMealNote(const QString &note)
{
    const QSignalBlocker keepTypedText(noteFile);
    SyncedFile::WriteResult result;
    while ((result = noteFile->write(note)) == SyncedFile::ChangedOnDisk) {
        if (!askReplace())
            return false;
        followMealNote(lookAfterMealNotes(savedMealFiles()));
        noteFile->refresh();
    }
    if (result != SyncedFile::Written) {
        tellSaveFailed();
        return false;
    }
    markDaysWithNotes(savedMealFiles());
    return true;
}

void MealNoteController::pasteMealNote(const QDate &on, const QString &text)
{
    if (text.trimmed().isEmpty())
        return;
    const QString step = QStringLiteral("meal note pasted on ") + QLocale().toString(on, QLocale::LongFormat);
    steps->push(new PasteMealNoteCommand(this, on, text), step);
    emit announce(step);
}

void MealNoteController::changeMealNote(const QDate &on, const std::function<QString(const QString &)> &change)
{
    if (on != day)
        emit dayWanted(on);
    // The day could not be picked: its note is not the one kept in step.
    if (on != day)
        return;
    noteFile->refresh();
    SyncedFile::WriteResult result;
    while ((result = noteFile->write(change(noteFile->text()))) == SyncedFile::ChangedOnDisk)
        noteFile->refresh();
    if (result != SyncedFile::Written) {
        tellSaveFailed();
        return;
    }
    markDaysWithNotes(savedMealFiles());
    if (!editing)
        emit noteChanged(noteFile->text());
}

QString MealNoteController::storedMealNote(const QDate &of) const
{
    return storedMealNote(savedMealFiles(), of);
}

QStringList MealNoteController::storedMealNotes(const QList<QDate> &days) const
{
    const QStringList noteFiles = savedMealFiles();
    QStringList notes;
    for (const QDate &each : days)
        notes << storedMealNote(noteFiles, each);
    return notes;
}

QString MealNoteController::storedMealNote(const QStringList &noteFiles, const QDate &of) const
{
    const QString shown = dayNoteFiles(noteFiles, of).shown;
    return shown.isEmpty() ? QString() : readTextFile(folder + shown);
}

QString MealNoteController::mealNotePreview(const QDate &of) const
{
    const QString name = markedFiles.value(of);
    return name.isEmpty() ? QString() : notePreview(readTextFile(folder + name));
}

void MealNoteController::tellSaveFailed()
{
    emit saveFailed(saveFailureNotice(QStringLiteral("The meal note could not be saved to %1: %2"), *noteFile));
}

void MealNoteController::tellIfUnreadable(const QString &path, const QString &reason)
{
    const QString notice = readFailures.notice(path, reason);
    if (!notice.isEmpty())
        emit readFailed(notice);
}
