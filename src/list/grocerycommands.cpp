// SPDX-License-Identifier: GPL-3.0-or-later
#include "grocerycommands.h"

#include "groceryitems.h"
#include "groceryrows.h"

#include <algorithm>

QString groceryListNotice(const QString &change, int itemCount)
{
    if (itemCount == 0)
        return change + QStringLiteral(", no items");
    if (itemCount == 1)
        return change + QStringLiteral(", 1 item");
    return QStringLiteral("%1, %2 items").arg(change, QString::number(itemCount));
}

QString groceryTickNotice(const QString &item, bool ticked, const QStringList &lines)
{
    const int left = int(std::count_if(lines.cbegin(), lines.cend(),
                                       [](const QString &line) { return !groceryItemOfLine(line).ticked; }));
    return QStringLiteral("%1 %2, %3 of %4 left")
            .arg(item, ticked ? QStringLiteral("ticked") : QStringLiteral("unticked"), QString::number(left),
                 QString::number(lines.size()));
}

QString groceryHistoryNotice(const QString &step, bool undone, int itemCount)
{
    return groceryListNotice(step + (undone ? QStringLiteral(", undone") : QStringLiteral(" again")), itemCount);
}

namespace {

// Each item's text, with whether it is ticked, in the list's order.
QVector<GroceryItem> itemsOfLines(const QStringList &lines)
{
    QVector<GroceryItem> items;
    for (const QString &line : lines)
        items << groceryItemOfLine(line);
    return items;
}

bool holdsText(const QVector<GroceryItem> &items, const QString &text)
{
    return std::any_of(items.cbegin(), items.cend(), [&text](const GroceryItem &item) { return item.text == text; });
}

QString joinedWith(const QStringList &texts, const QString &change)
{
    return texts.isEmpty() ? QString() : texts.join(QStringLiteral(", ")) + QLatin1Char(' ') + change;
}

} // namespace

QString groceryOutsideChangeNotice(const QStringList &before, const QStringList &after)
{
    if (before == after)
        return QString();
    const QVector<GroceryItem> was = itemsOfLines(before);
    const QVector<GroceryItem> is = itemsOfLines(after);
    QStringList added, deleted, ticked, unticked;
    for (int i = 0; i < is.size(); ++i) {
        const GroceryItem &item = is.at(i);
        if (!holdsText(was, item.text))
            added << item.text;
        else if (!before.contains(after.at(i)))
            (item.ticked ? ticked : unticked) << item.text;
    }
    for (const GroceryItem &item : was) {
        if (!holdsText(is, item.text))
            deleted << item.text;
    }
    QStringList parts = {joinedWith(added, QStringLiteral("added")), joinedWith(deleted, QStringLiteral("deleted")),
                         joinedWith(ticked, QStringLiteral("ticked")), joinedWith(unticked, QStringLiteral("unticked"))};
    parts.removeAll(QString());
    if (parts.isEmpty())
        parts << QStringLiteral("items moved");
    return groceryListNotice(QStringLiteral("list changed: ") + parts.join(QStringLiteral(", ")), int(is.size()));
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

TickItemCommand::TickItemCommand(const GroceryListWriter &write, const QString &line, int row, bool ticked)
    : write(write)
    , line(line)
    , changedLine(groceryLineOf(groceryItemOfLine(line).text, ticked))
    , row(row)
{
}

// The entry nearest to its row that still reads as before; none where another window
// changed or deleted it meanwhile.
void TickItemCommand::redo()
{
    write([this](QStringList &list) {
        const int found = nearestGroceryRow(list, line, row);
        changed = found >= 0;
        if (changed)
            list[found] = changedLine;
    });
}

void TickItemCommand::undo()
{
    write([this](QStringList &list) {
        const int found = changed ? nearestGroceryRow(list, changedLine, row) : -1;
        if (found >= 0)
            list[found] = line;
    });
}

MoveItemCommand::MoveItemCommand(const GroceryListWriter &write, const QString &line, int from, int to)
    : write(write)
    , line(line)
    , from(from)
    , to(to)
{
}

void MoveItemCommand::redo()
{
    move(line, from, to);
}

void MoveItemCommand::undo()
{
    move(line, to, from);
}

// The entry nearest to where it was; the row it goes to as far as the list reaches.
void MoveItemCommand::move(const QString &moved, int near, int row)
{
    write([moved, near, row](QStringList &list) {
        const int found = nearestGroceryRow(list, moved, near);
        if (found >= 0)
            list.move(found, qBound(0, row, list.size() - 1));
    });
}

RemoveTickedCommand::RemoveTickedCommand(const GroceryListWriter &write)
    : write(write)
{
}

void RemoveTickedCommand::redo()
{
    write([this](QStringList &list) {
        removed.clear();
        QStringList kept;
        for (int row = 0; row < list.size(); ++row) {
            if (groceryItemOfLine(list.at(row)).ticked)
                removed.append({row, list.at(row)});
            else
                kept << list.at(row);
        }
        list = kept;
    });
}

// The removed items come back where they stood, as far as the list still reaches.
void RemoveTickedCommand::undo()
{
    write([this](QStringList &list) {
        for (const QPair<int, QString> &item : qAsConst(removed))
            list.insert(qMin(item.first, list.size()), item.second);
    });
}
