// SPDX-License-Identifier: GPL-3.0-or-later
// The grocery list's file as items: one a line, blank lines carrying none.
#ifndef GROCERYITEMS_H
#define GROCERYITEMS_H

#include <QHash>
#include <QStringList>

QStringList groceryItems(const QString &text);

// An item's line in the file. A ticked item's line starts with "x ", as todo.txt marks
// a task done, so that a phone's editor shows it done and a person can type it; an
// unticked item's line is its text, with one space more in front where the text
// itself would read as ticked.
struct GroceryItem
{
    QString text;
    bool ticked = false;
};
GroceryItem groceryItemOfLine(const QString &line);
QString groceryLineOf(const QString &text, bool ticked);
// An item as people read it outside the program: "milk ✓" for a ticked one.
QString groceryItemForReading(const QString &line);
// The items' texts, ticked or not.
QStringList groceryItemTexts(const QStringList &lines);
// Of lines, as many of each item as texts holds of it, in their order.
QStringList linesOfItems(const QStringList &lines, const QStringList &texts);
// Of a's lines, the items b holds too, however either ticked them.
QStringList sharedItems(const QStringList &a, const QStringList &b);
// The copy with base's ticks back on each item of base that the text it goes into
// holds none of as base's (heldAsBase, by item text): there that item was deleted, and
// one of the name is a later addition, which the copy's tick was not made on.
QStringList ticksOfDeletedUndone(const QStringList &base, const QStringList &copy,
                                 const QHash<QString, int> &heldAsBase);
// The text with each item whose deletion a merge spared (spared, by item text) ticked
// as the text's own addition of it was, where the line of it the text holds is the
// base's (heldAsBase, by line): its tick was made on the deleted one, and an addition
// alike would have made the line its own.
QStringList sparedItemsAsAdded(const QStringList &text, QHash<QString, int> spared, QHash<QString, int> heldAsBase);

#endif // GROCERYITEMS_H
