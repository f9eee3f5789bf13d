// SPDX-License-Identifier: GPL-3.0-or-later
// The grocery list's commands as steps the user can take back. Each step, done or
// undone, is applied to the list as its file holds it at that moment and written at
// once, so that what another window or machine changed meanwhile stays.
#ifndef GROCERYCOMMANDS_H
#define GROCERYCOMMANDS_H

#include <QPair>
#include <QStringList>
#include <QVector>
#include <QUndoCommand>

#include <functional>

// Applies a change to the list's items and writes them, applying it again should the
// file have changed on disk.
using GroceryListWriter = std::function<void(const std::function<void(QStringList &items)> &change)>;

// What a screen reader says after a change of the list: "bread added, 3 items".
QString groceryListNotice(const QString &change, int itemCount);
// After a tick: "milk ticked, 3 of 5 left".
QString groceryTickNotice(const QString &item, bool ticked, const QStringList &lines);
// After an undo or redo of the step the user took: "bread added, undone, 3 items",
// "bread added again, 4 items".
QString groceryHistoryNotice(const QString &step, bool undone, int itemCount);
// After a change another window, machine or program made, as lines of the file:
// "list changed: tea added, milk ticked, 4 items"; empty where no item changed.
QString groceryOutsideChangeNotice(const QStringList &before, const QStringList &after);

class AddItemsCommand : public QUndoCommand
{
public:
    AddItemsCommand(const GroceryListWriter &write, const QStringList &items);
    void redo() override;
    void undo() override;

private:
    GroceryListWriter write;
    QStringList items;
    int firstRow = 0;
};

class DeleteItemCommand : public QUndoCommand
{
public:
    DeleteItemCommand(const GroceryListWriter &write, const QString &text, int row);
    void redo() override;
    void undo() override;

private:
    GroceryListWriter write;
    QString text;
    int row;
    bool removed = false;
};

class ClearListCommand : public QUndoCommand
{
public:
    explicit ClearListCommand(const GroceryListWriter &write);
    void redo() override;
    void undo() override;

private:
    GroceryListWriter write;
    QStringList cleared;
};

// Ticks or unticks the item of a line; lines are as the file holds them.
class TickItemCommand : public QUndoCommand
{
public:
    TickItemCommand(const GroceryListWriter &write, const QString &line, int row, bool ticked);
    void redo() override;
    void undo() override;

private:
    GroceryListWriter write;
    QString line;
    QString changedLine;
    int row;
    bool changed = false;
};

// Moves an item to another row: the order of the aisles.
class MoveItemCommand : public QUndoCommand
{
public:
    MoveItemCommand(const GroceryListWriter &write, const QString &line, int from, int to);
    void redo() override;
    void undo() override;

private:
    void move(const QString &moved, int near, int to);

    GroceryListWriter write;
    QString line;
    int from;
    int to;
};

class RemoveTickedCommand : public QUndoCommand
{
public:
    explicit RemoveTickedCommand(const GroceryListWriter &write);
    void redo() override;
    void undo() override;

private:
    GroceryListWriter write;
    QVector<QPair<int, QString>> removed;
};

#endif // GROCERYCOMMANDS_H
