// SPDX-License-Identifier: GPL-3.0-or-later
#include "groceryrows.h"

#include <algorithm>

int nearestGroceryRow(const QStringList &items, const QString &text, int row)
{
    for (int distance = 0; distance <= qMax(row, items.size()); ++distance) {
        for (const int candidate : {row - distance, row + distance}) {
            if (candidate >= 0 && candidate < items.size() && items.at(candidate) == text)
                return candidate;
        }
    }
    return -1;
}

namespace {

int commonPrefix(const QStringList &a, const QStringList &b)
{
    return int(std::mismatch(a.cbegin(), a.cbegin() + qMin(a.size(), b.size()), b.cbegin()).first
               - a.cbegin());
}

int commonSuffix(const QStringList &a, const QStringList &b, int prefix)
{
    const int limit = qMin(a.size(), b.size()) - prefix;
    int length = 0;
    while (length < limit && a.at(a.size() - 1 - length) == b.at(b.size() - 1 - length))
        ++length;
    return length;
}

} // namespace

GroceryListEdit groceryListEdit(const QStringList &before, const QStringList &after)
{
    GroceryListEdit edit;
    edit.first = commonPrefix(before, after);
    const int suffix = commonSuffix(before, after, edit.first);
    edit.removed = before.size() - suffix - edit.first;
    edit.inserted = after.mid(edit.first, after.size() - suffix - edit.first);
    return edit;
}

// Rows before the changed stretch keep their place and rows after it shift with it;
// within it the entry is looked for among what replaced the stretch.
int followedGroceryRow(const QStringList &before, int row, const QStringList &after,
                       const GroceryListEdit &edit)
{
    if (row < 0 || row >= before.size() || after.isEmpty())
        return -1;
    if (row < edit.first)
        return row;
    if (row >= edit.first + edit.removed)
        return row + after.size() - before.size();
    const int found = nearestGroceryRow(edit.inserted, before.at(row), row - edit.first);
    return found >= 0 ? edit.first + found : qMin(edit.first, after.size() - 1);
}
