// SPDX-License-Identifier: GPL-3.0-or-later
#include "grocerycommands.h"

#include "groceryitems.h"
#include "groceryrows.h"

#include <QSet>

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

// A few items by name; more, as a sync tool may bring, by their number.
QString joinedWith(const QStringList &texts, const QString &change)
{
    if (texts.isEmpty())
        return QString();
    const QString items = texts.size() > 3 ? QStringLiteral("%1 items").arg(texts.size()) : texts.join(QStringLiteral(", "));
    return items + QLatin1Char(' ') + change;
}

// Sets, as a list may hold ten thousand items.
QSet<QString> textsOf(const QStringList &lines)
{
    QSet<QString> texts;
    for (const QString &line : lines)
        texts.insert(groceryItemOfLine(line).text);
    return texts;
}

} // namespace

QString groceryOutsideChangeNotice(const QStringList &before, const QStringList &after)
{
    if (before == after)
        return QString();
    // Only the stretch between the lines both start and end with changed.
    int first = 0;
    while (first < before.size() && first < after.size() && before.at(first) == after.at(first))
        ++first;
    int last = 0;
    while (last < before.size() - first && last < after.size() - first
           && before.at(before.size() - 1 - last) == after.at(after.size() - 1 - last)) {
        ++last;
    }
    const QStringList was = before.mid(first, before.size() - first - last);
    const QStringList is = after.mid(first, after.size() - first - last);
    const QSet<QString> wasText = textsOf(was);
    const QSet<QString> isText = textsOf(is);
    const QSet<QString> wasLine(was.cbegin(), was.cend());
    QStringList added, deleted, ticked, unticked;
    for (const QString &line : is) {
        const GroceryItem item = groceryItemOfLine(line);
        if (!wasText.contains(item.text))
            added << item.text;
        else if (!wasLine.contains(line))
            (item.ticked ? ticked : unticked) << item.text;
    }
    for (const QString &line : was) {
        const QString text = groceryItemOfLine(line).text;
        if (!isText.contains(text))
            deleted << text;
    }
    QStringList parts = {joinedWith(added, QStringLiteral("added")), joinedWith(deleted, QStringLiteral("deleted")),
                         joinedWith(ticked, QStringLiteral("ticked")), joinedWith(unticked, QStringLiteral("unticked"))};
    parts.removeAll(QString());
    if (parts.isEmpty())
        parts << QStringLiteral("items moved");
    return groceryListNotice(QStringLiteral("list changed: ") + parts.join(QStringLiteral(", ")), int(after.size()));
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
