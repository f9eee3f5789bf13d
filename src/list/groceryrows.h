// SPDX-License-Identifier: GPL-3.0-or-later
// Where an entry of the grocery list is found again after the list changed.
#ifndef GROCERYROWS_H
#define GROCERYROWS_H

#include <QStringList>

// The row holding text that is nearest to row, or -1 when no row holds it.
int nearestGroceryRow(const QStringList &items, const QString &text, int row);

// The one stretch of rows that changed from before to after: the rows removed from
// first on, and the entries put in their place.
struct GroceryListEdit
{
    int first = 0;
    int removed = 0;
    QStringList inserted;
};
GroceryListEdit groceryListEdit(const QStringList &before, const QStringList &after);

// The row that is current after the list changed from before to after by edit: the
// same entry where it stayed or moved within the change, otherwise the entry that took
// its place, as a list view moves on from a removed row; -1 for none.
int followedGroceryRow(const QStringList &before, int row, const QStringList &after,
                       const GroceryListEdit &edit);

#endif // GROCERYROWS_H
