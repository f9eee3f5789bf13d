// SPDX-License-Identifier: GPL-3.0-or-later
// The grocery list: its items as its file holds them (each item its line, ticked or
// not), with the commands applied to them. Every command is written at once; the widget shows the items and follows
// changed().
#ifndef GROCERYLISTCONTROLLER_H
#define GROCERYLISTCONTROLLER_H

#include "filenotices.h"
#include "grocerycommands.h"
#include "syncedfile.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QVector>

#include <functional>

class ConflictMerger;
class UndoAnnouncer;
class QTimer;
class QUndoCommand;
class QUndoStack;

class GroceryListController : public QObject
{
    Q_OBJECT

public:
    using Change = std::function<void(QStringList &items)>;

    GroceryListController(const QString &path, ConflictMerger *merger, QObject *parent = nullptr);

    QStringList items() const { return listItems; }
    QString path() const { return listPath; }
    QUndoStack *history() const { return undoStack; }
    SyncedFile *file() const { return listFile; }

    void loadGroceryList();
    // Writes the list as it is, as every command does, whether or not it changed.
    void saveGroceryList();
    void addItems(const QStringList &items);
    void deleteItem(int row);
    void clearList();
    void setTicked(int row, bool ticked);
    void removeTicked();
    void moveItem(int from, int to);
    int tickedCount() const;

signals:
    void changed();
    void saveFailed(const QString &message);
    void readFailed(const QString &message);
    void announce(const QString &text);
    // Of a change made elsewhere: to be said once the user's own speech is done.
    void announcePolitely(const QString &text);

private:
    void followFile();
    void mergeCopies();
    void takeFileItems();
    void takeChangedFileItems();

    void setItems(const QStringList &items);
    void apply(const Change &change);
    void write();
    SyncedFile::WriteResult writeOnce();
    void changeList(QUndoCommand *command, const QString &change);
    GroceryListWriter writer();

    const QString listPath;
    ConflictMerger *merger;
    SyncedFile *listFile;
    QUndoStack *undoStack;
    QStringList listItems;
    // Applied to the items, not yet written: another window kept the folder's lock.
    QVector<Change> unwritten;
    QTimer *retry;
    QElapsedTimer busy;
    bool toldBusy = false;
    UndoAnnouncer *steps;
    ReadFailureNotices readFailures;
};

#endif // GROCERYLISTCONTROLLER_H
