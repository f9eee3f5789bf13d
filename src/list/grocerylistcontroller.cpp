// SPDX-License-Identifier: GPL-3.0-or-later
#include "grocerylistcontroller.h"

#include "conflictmerger.h"
#include "folderlock.h"
#include "grocerycommands.h"
#include "groceryitems.h"
#include "undoannouncer.h"

#include <QAccessible>
#include <QTimer>

#include <QUndoStack>

#include <algorithm>

namespace {

// How long another window may keep the folder before the user is told.
const qint64 busyWarning = 5000;

} // namespace

GroceryListController::GroceryListController(const QString &path, ConflictMerger *merger, QObject *parent)
    : QObject(parent)
    , listPath(path)
    , merger(merger)
    , listFile(new SyncedFile(this))
    , undoStack(new QUndoStack(this))
    , retry(new QTimer(this))
    , steps(new UndoAnnouncer(undoStack, [this](const QString &step, bool undone) {
        return groceryHistoryNotice(step, undone, listItems.size());
    }, this))
{
    undoStack->setObjectName(QStringLiteral("GroceryListHistory"));
    listFile->setObjectName(QStringLiteral("GroceryListFile"));
    connect(listFile, &SyncedFile::changedOnDisk, this, &GroceryListController::followFile);
    connect(steps, &UndoAnnouncer::announce, this, &GroceryListController::announce);
    retry->setSingleShot(true);
    connect(retry, &QTimer::timeout, this, &GroceryListController::write);
}

void GroceryListController::loadGroceryList()
{
    listFile->setPath(listPath);
    mergeCopies();
    listFile->refresh();
    takeFileItems();
}

void GroceryListController::followFile()
{
    mergeCopies();
    if (listFile->refresh())
        takeChangedFileItems();
}

// Only a screen reader hears what changed, so it is worked out only while one listens.
void GroceryListController::takeChangedFileItems()
{
    if (!QAccessible::isActive()) {
        takeFileItems();
        return;
    }
    const QStringList before = listItems;
    takeFileItems();
    const QString notice = groceryOutsideChangeNotice(before, listItems);
    if (!notice.isEmpty())
        emit announcePolitely(notice);
}

void GroceryListController::mergeCopies()
{
    merger->mergeListCopies(listPath);
}

// The items as the file holds them, with the commands not yet written.
void GroceryListController::takeFileItems()
{
    QStringList items = groceryItems(listFile->text());
    for (const Change &change : qAsConst(unwritten))
        change(items);
    setItems(items);
    const QString notice = readFailures.notice(listFile->path(), listFile->readError());
    if (!notice.isEmpty())
        emit readFailed(notice);
}

void GroceryListController::setItems(const QStringList &items)
{
    if (items == listItems)
        return;
    listItems = items;
    emit changed();
}

void GroceryListController::saveGroceryList()
{
    apply([](QStringList &) {});
}

// When the file changed on disk since it was last seen, the commands not yet written
// are applied again to the items as the file now holds them, so that nothing another
// window or program put there is written over. While another window keeps the
// folder's lock, they wait and are tried again shortly.
void GroceryListController::apply(const Change &change)
{
    QStringList items = listItems;
    change(items);
    setItems(items);
    unwritten.append(change);
    write();
}

void GroceryListController::write()
{
    SyncedFile::WriteResult result;
    while ((result = writeOnce()) == SyncedFile::ChangedOnDisk) {
        listFile->refresh();
        takeChangedFileItems();
    }
    if (result == SyncedFile::Busy) {
        retry->start(FolderLock::retryInterval);
        return;
    }
    unwritten.clear();
    busy.invalidate();
    toldBusy = false;
}

// A lock kept for long is told once, and the list tried again until it is written.
SyncedFile::WriteResult GroceryListController::writeOnce()
{
    const SyncedFile::WriteResult result = listFile->write(listItems.join(QLatin1Char('\n')).trimmed());
    if (result == SyncedFile::Busy && !busy.isValid())
        busy.start();
    const bool busyForLong = result == SyncedFile::Busy && busy.elapsed() > busyWarning;
    if (result == SyncedFile::Failed || (busyForLong && !toldBusy)) {
        toldBusy = busyForLong;
        emit saveFailed(saveFailureNotice(QStringLiteral("The grocery list could not be saved to %1: %2"),
                                          *listFile));
    }
    return result;
}

// A command that changes nothing still writes the list; one that changes it becomes a
// step that can be undone, and a screen reader hears what it did and how many items
// the list now holds.
void GroceryListController::changeList(QUndoCommand *command, const QString &change)
{
    if (!command) {
        saveGroceryList();
        return;
    }
    steps->push(command, change);
    emit announce(groceryListNotice(change, listItems.size()));
}

GroceryListWriter GroceryListController::writer()
{
    return [this](const Change &change) { apply(change); };
}

// What the user typed is each item's text, whatever it begins with.
void GroceryListController::addItems(const QStringList &items)
{
    QStringList lines;
    for (const QString &item : items)
        lines << groceryLineOf(item, false);
    changeList(items.isEmpty() ? nullptr : new AddItemsCommand(writer(), lines),
               items.join(QStringLiteral(", ")) + QStringLiteral(" added"));
}

void GroceryListController::deleteItem(int row)
{
    if (row < 0 || row >= listItems.size()) {
        saveGroceryList();
        return;
    }
    const QString line = listItems.at(row);
    changeList(new DeleteItemCommand(writer(), line, row), groceryItemOfLine(line).text + QStringLiteral(" deleted"));
}

void GroceryListController::clearList()
{
    changeList(new ClearListCommand(writer()), QStringLiteral("list cleared"));
}

void GroceryListController::setTicked(int row, bool ticked)
{
    if (row < 0 || row >= listItems.size() || groceryItemOfLine(listItems.at(row)).ticked == ticked)
        return;
    const QString line = listItems.at(row);
    const QString item = groceryItemOfLine(line).text;
    steps->push(new TickItemCommand(writer(), line, row, ticked),
             item + (ticked ? QStringLiteral(" ticked") : QStringLiteral(" unticked")));
    emit announce(groceryTickNotice(item, ticked, listItems));
}

int GroceryListController::tickedCount() const
{
    return int(std::count_if(listItems.cbegin(), listItems.cend(),
                             [](const QString &line) { return groceryItemOfLine(line).ticked; }));
}

void GroceryListController::removeTicked()
{
    const int ticked = tickedCount();
    changeList(ticked == 0 ? nullptr : new RemoveTickedCommand(writer()),
               ticked == 1 ? QStringLiteral("1 ticked item removed")
                           : QStringLiteral("%1 ticked items removed").arg(ticked));
}

// A screen reader hears where the item now stands: "milk moved, 2 of 5".
void GroceryListController::moveItem(int from, int to)
{
    if (from < 0 || from >= listItems.size() || to < 0 || to >= listItems.size() || from == to)
        return;
    const QString line = listItems.at(from);
    steps->push(new MoveItemCommand(writer(), line, from, to), groceryItemOfLine(line).text + QStringLiteral(" moved"));
    emit announce(QStringLiteral("%1 moved, %2 of %3")
                          .arg(groceryItemOfLine(line).text, QString::number(to + 1), QString::number(listItems.size())));
}
