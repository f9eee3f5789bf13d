#include "grocerycommands.h"

#include "groceryitems.h"

#include <QListWidget>

#include <algorithm>

QStringList groceryListEntries(const QListWidget *list)
{
    QStringList entries;
    for (int row = 0; row < list->count(); ++row)
        entries << list->item(row)->text();
    return entries;
}

// The row holding text that is nearest to row, or -1 when no row holds it.
int nearestGroceryRow(const QListWidget *list, const QString &text, int row)
{
    for (int distance = 0; distance <= qMax(row, list->count()); ++distance) {
        for (const int candidate : {row - distance, row + distance}) {
            if (candidate >= 0 && candidate < list->count() && list->item(candidate)->text() == text)
                return candidate;
        }
    }
    return -1;
}

QString groceryListNotice(const QString &change, int itemCount)
{
    if (itemCount == 0)
        return change + QStringLiteral(", no items");
    if (itemCount == 1)
        return change + QStringLiteral(", 1 item");
    return QStringLiteral("%1, %2 items").arg(change, QString::number(itemCount));
}

AddItemsCommand::AddItemsCommand(QListWidget *list, const GroceryListWriter &write,
                                 const QStringList &items)
    : list(list)
    , write(write)
    , items(items)
{
}

void AddItemsCommand::redo()
{
    write([this] {
        firstRow = list->count();
        list->addItems(items);
    });
}

// Takes back the entries added, wherever they have moved, if they are still there.
void AddItemsCommand::undo()
{
    write([this] {
        for (int i = items.size() - 1; i >= 0; --i)
            delete list->takeItem(nearestGroceryRow(list, items.at(i), firstRow + i));
    });
}

DeleteItemCommand::DeleteItemCommand(QListWidget *list, const GroceryListWriter &write,
                                     const QString &text, int row)
    : list(list)
    , write(write)
    , text(text)
    , row(row)
{
}

// Should the list change on disk meanwhile, the entry with the text nearest to its
// row goes, or none when it is gone.
void DeleteItemCommand::redo()
{
    write([this] {
        const int found = nearestGroceryRow(list, text, row);
        removed = found >= 0;
        delete list->takeItem(found);
    });
}

// Puts back only what this step removed, not an entry someone else deleted.
void DeleteItemCommand::undo()
{
    write([this] {
        if (removed)
            list->insertItem(qMin(row, list->count()), text);
    });
}

ClearListCommand::ClearListCommand(QListWidget *list, const GroceryListWriter &write)
    : list(list)
    , write(write)
{
}

void ClearListCommand::redo()
{
    write([this] {
        cleared = groceryListEntries(list);
        list->clear();
    });
}

// The cleared items come back before anything added since.
void ClearListCommand::undo()
{
    write([this] { list->insertItems(0, cleared); });
}
