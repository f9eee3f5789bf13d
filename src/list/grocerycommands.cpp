#include "grocerycommands.h"

#include "groceryrows.h"

QString groceryListNotice(const QString &change, int itemCount)
{
    if (itemCount == 0)
        return change + QStringLiteral(", no items");
    if (itemCount == 1)
        return change + QStringLiteral(", 1 item");
    return QStringLiteral("%1, %2 items").arg(change, QString::number(itemCount));
}

AddItemsCommand::AddItemsCommand(const GroceryListWriter &write, const QStringList &items)
    : write(write)
    , items(items)
{
}

void AddItemsCommand::redo()
{
    write([this](QStringList &list) {
        firstRow = list.size();
        list << items;
    });
}

// Takes back the entries added, wherever they have moved, if they are still there.
void AddItemsCommand::undo()
{
    write([this](QStringList &list) {
        for (int i = items.size() - 1; i >= 0; --i) {
            const int found = nearestGroceryRow(list, items.at(i), firstRow + i);
            if (found >= 0)
                list.removeAt(found);
        }
    });
}

DeleteItemCommand::DeleteItemCommand(const GroceryListWriter &write, const QString &text, int row)
    : write(write)
    , text(text)
    , row(row)
{
}

// Should the list change on disk meanwhile, the entry with the text nearest to its
// row goes, or none when it is gone.
void DeleteItemCommand::redo()
{
    write([this](QStringList &list) {
        const int found = nearestGroceryRow(list, text, row);
        removed = found >= 0;
        if (removed)
            list.removeAt(found);
    });
}

// Puts back only what this step removed, not an entry someone else deleted.
void DeleteItemCommand::undo()
{
    write([this](QStringList &list) {
        if (removed)
            list.insert(qMin(row, list.size()), text);
    });
}

ClearListCommand::ClearListCommand(const GroceryListWriter &write)
    : write(write)
{
}

void ClearListCommand::redo()
{
    write([this](QStringList &list) {
        cleared = list;
        list.clear();
    });
}

// The cleared items come back before anything added since.
void ClearListCommand::undo()
{
    write([this](QStringList &list) { list = cleared + list; });
}
