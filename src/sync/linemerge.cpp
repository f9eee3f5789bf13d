// SPDX-License-Identifier: GPL-3.0-or-later
#include "linemerge.h"

#include "groceryitems.h"

#include <QHash>
#include <QSet>
#include <QVector>

#include <numeric>

namespace {

// Beyond this many differing lines the two are taken as having nothing in common
// between their shared beginning and end; the merge then keeps both sides whole.
const int maximumEdits = 2000;

struct Range
{
    const QStringList *lines;
    int begin;
    int end;

    int size() const { return end - begin; }
    const QString &at(int i) const { return lines->at(begin + i); }
    QStringList toList() const { return lines->mid(begin, end - begin); }
    bool operator==(const Range &other) const
    {
        if (size() != other.size())
            return false;
        for (int i = 0; i < size(); ++i) {
            if (at(i) != other.at(i))
                return false;
        }
        return true;
    }
};

// For each line of a, the line of b it is kept as in a shortest edit script, or -1
// (Myers' greedy algorithm, remembering each round's frontier to walk back).
void matchMiddle(const Range &a, const Range &b, QVector<int> *matchOf)
{
    const int n = a.size();
    const int m = b.size();
    const int limit = qMin(n + m, maximumEdits);
    QVector<int> frontier(2 * limit + 3, 0);
    const int offset = limit + 1;
    QVector<QVector<int>> rounds;
    int found = -1;
    for (int d = 0; d <= limit && found < 0; ++d) {
        rounds.append(frontier.mid(offset - d - 1, 2 * d + 3));
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && frontier[offset + k - 1] < frontier[offset + k + 1]))
                    ? frontier[offset + k + 1]
                    : frontier[offset + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && a.at(x) == b.at(y)) {
                ++x;
                ++y;
            }
            frontier[offset + k] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0)
        return;
    int x = n;
    int y = m;
    for (int d = found; d >= 0; --d) {
        const QVector<int> &before = rounds.at(d);
        auto at = [&before, d](int k) { return before.at(k + d + 1); };
        const int k = x - y;
        const int previousK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
        const int previousX = at(previousK);
        const int previousY = previousX - previousK;
        while (x > previousX && y > previousY) {
            --x;
            --y;
            (*matchOf)[a.begin + x] = b.begin + y;
        }
        x = previousX;
        y = previousY;
    }
}

// For each line of a, the line of b it is kept as, or -1.
QVector<int> matchLines(const QStringList &a, const QStringList &b)
{
    QVector<int> matchOf(a.size(), -1);
    int prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a.at(prefix) == b.at(prefix)) {
        matchOf[prefix] = prefix;
        ++prefix;
    }
    int suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix
           && a.at(a.size() - 1 - suffix) == b.at(b.size() - 1 - suffix)) {
        matchOf[a.size() - 1 - suffix] = b.size() - 1 - suffix;
        ++suffix;
    }
    matchMiddle({&a, prefix, int(a.size()) - suffix}, {&b, prefix, int(b.size()) - suffix}, &matchOf);
    return matchOf;
}

// How many of an item the merge keeps: a change only one side made is taken; the
// same change made on both sides is made once.
int mergedCount(int base, int file, int copy)
{
    const int fileChange = file - base;
    const int copyChange = copy - base;
    int change = fileChange + copyChange;
    if (fileChange > 0 && copyChange > 0)
        change = qMax(fileChange, copyChange);
    else if (fileChange < 0 && copyChange < 0)
        change = qMin(fileChange, copyChange);
    return qMax(0, base + change);
}

void mergeChunk(const Range &base, const Range &ours, const Range &theirs, QStringList *merged)
{
    if (ours == base || ours == theirs) {
        *merged += theirs.toList();
    } else if (theirs == base) {
        *merged += ours.toList();
    } else {
        *merged += mergeItems(base.toList(), theirs.toList(), ours.toList());
    }
}

// A line both sides added counts once, as an item does, wherever each side put it:
// the first place is kept. Blank lines, which only space a note, stay as they fall.
QStringList withoutAdditionsTwice(const QStringList &merged, const QStringList &base, const QStringList &ours,
                                  const QStringList &theirs)
{
    const QHash<QString, int> inBase = counted(base), inOurs = counted(ours), inTheirs = counted(theirs);
    QHash<QString, int> surplus = counted(merged);
    for (auto line = surplus.begin(); line != surplus.end(); ++line) {
        const int kept = line.key().trimmed().isEmpty()
                ? line.value()
                : mergedCount(inBase.value(line.key()), inOurs.value(line.key()), inTheirs.value(line.key()));
        line.value() = qMax(0, line.value() - kept);
    }
    QVector<bool> dropped(merged.size(), false);
    for (int i = merged.size() - 1; i >= 0; --i) {
        int &extra = surplus[merged.at(i)];
        dropped[i] = extra > 0;
        if (extra > 0)
            --extra;
    }
    QStringList result;
    for (int i = 0; i < merged.size(); ++i) {
        if (!dropped.at(i))
            result << merged.at(i);
    }
    return result;
}

} // namespace

QHash<QString, int> counted(const QStringList &lines)
{
    QHash<QString, int> counts;
    for (const QString &line : lines)
        ++counts[line];
    return counts;
}

QStringList mergeLines(const QStringList &base, const QStringList &ours, const QStringList &theirs)
{
    const QVector<int> inOurs = matchLines(base, ours);
    const QVector<int> inTheirs = matchLines(base, theirs);
    QStringList merged;
    int b = 0;
    int o = 0;
    int t = 0;
    // Lines that both sides kept are fixed points; between them each side's chunk
    // either left the base as it was or changed it.
    for (int i = 0; i < base.size(); ++i) {
        if (inOurs.at(i) < 0 || inTheirs.at(i) < 0)
            continue;
        mergeChunk({&base, b, i}, {&ours, o, inOurs.at(i)}, {&theirs, t, inTheirs.at(i)}, &merged);
        merged << base.at(i);
        b = i + 1;
        o = inOurs.at(i) + 1;
        t = inTheirs.at(i) + 1;
    }
    mergeChunk({&base, b, int(base.size())}, {&ours, o, int(ours.size())},
               {&theirs, t, int(theirs.size())}, &merged);
    return withoutAdditionsTwice(merged, base, ours, theirs);
}

QStringList mergeLinesWithoutBase(const QStringList &file, const QStringList &copy)
{
    QHash<QString, int> unmatched;
    for (const QString &line : file)
        ++unmatched[line];
    QStringList merged = file;
    for (const QString &line : copy) {
        int &count = unmatched[line];
        if (count > 0)
            --count;
        else
            merged << line;
    }
    return merged;
}

QStringList sharedLines(const QStringList &a, const QStringList &b)
{
    QHash<QString, int> inB;
    for (const QString &line : b)
        ++inB[line];
    QStringList shared;
    for (const QString &line : a) {
        int &count = inB[line];
        if (count > 0) {
            --count;
            shared << line;
        }
    }
    return shared;
}

QStringList withoutLaterDeletions(const QStringList &lines, const QStringList &keys, const QStringList &mergedKeys,
                                  const QVector<QPair<QStringList, QStringList>> &edits)
{
    QSet<QString> deleted;
    for (const auto &edit : edits) {
        const QSet<QString> kept(edit.second.cbegin(), edit.second.cend());
        for (const QString &key : edit.first) {
            if (!key.isEmpty() && !kept.contains(key))
                deleted.insert(key);
        }
    }
    for (const QString &key : mergedKeys)
        deleted.remove(key);
    QStringList remaining;
    for (int i = 0; i < lines.size(); ++i) {
        if (!deleted.contains(keys.at(i)))
            remaining << lines.at(i);
    }
    return remaining;
}

bool deletesFromMerged(const QStringList &base, const QStringList &merged, const QStringList &copy)
{
    const QHash<QString, int> inCopy = counted(copy), inMerged = counted(merged);
    const QHash<QString, int> inBase = counted(base);
    for (auto line = inBase.cbegin(); line != inBase.cend(); ++line) {
        if (inCopy.value(line.key()) < line.value() && inMerged.value(line.key()) > 0)
            return true;
    }
    return false;
}

QStringList sparingAdditions(const QStringList &base, const QStringList &copy, const QHash<QString, int> &heldAsBase)
{
    const QHash<QString, int> inCopy = counted(copy);
    QHash<QString, int> kept;
    QStringList spared;
    for (const QString &line : base) {
        int &taken = kept[line];
        if (taken < heldAsBase.value(line) || taken < inCopy.value(line)) {
            ++taken;
            spared << line;
        }
    }
    return spared;
}

namespace {

// The three lists with each distinct item as a number, so that the merge hashes each
// item once.
struct NumberedItems
{
    QHash<QString, int> numbers;
    QVector<int> base, file, copy;

    QVector<int> number(const QStringList &items)
    {
        QVector<int> numbered;
        numbered.reserve(items.size());
        for (const QString &item : items) {
            auto number = numbers.find(item);
            if (number == numbers.end())
                number = numbers.insert(item, numbers.size());
            numbered << *number;
        }
        return numbered;
    }
    QVector<int> counts(const QVector<int> &numbered) const
    {
        QVector<int> counts(numbers.size(), 0);
        for (int item : numbered)
            ++counts[item];
        return counts;
    }
};

// A tick changes one item: its ticked and unticked lines count as one item, so that an
// item ticked on one side and deleted on the other goes, and one ticked on both sides
// stays once. Where the lines alone keep too many, the ones the merge added go first,
// unticked before ticked, since a tick is the later change; too few, one a side holds
// more of than is kept comes back. The other line of each item, or -1.
QVector<int> mergeTicks(const NumberedItems &items, const QVector<int> &inBase, const QVector<int> &inFile,
                        const QVector<int> &inCopy, QVector<int> *merged)
{
    QVector<int> partners(merged->size(), -1);
    for (auto line = items.numbers.cbegin(); line != items.numbers.cend(); ++line) {
        const GroceryItem item = groceryItemOfLine(line.key());
        if (!item.ticked)
            continue;
        const QVector<int> both {items.numbers.value(groceryLineOf(item.text, false), -1), line.value()};
        if (both.first() < 0)
            continue;
        partners[both.first()] = both.last();
        partners[both.last()] = both.first();
        int kept = merged->at(both.first()) + merged->at(both.last());
        const int target = mergedCount(inBase.at(both.first()) + inBase.at(both.last()),
                                       inFile.at(both.first()) + inFile.at(both.last()),
                                       inCopy.at(both.first()) + inCopy.at(both.last()));
        for (const int variant : both) {
            for (; kept > target && merged->at(variant) > inBase.at(variant); --kept)
                --(*merged)[variant];
        }
        for (const int variant : both) {
            for (; kept > target && merged->at(variant) > 0; --kept)
                --(*merged)[variant];
        }
        for (const int variant : both) {
            for (; kept < target && merged->at(variant) < qMax(inFile.at(variant), inCopy.at(variant)); ++kept)
                ++(*merged)[variant];
        }
    }
    return partners;
}

} // namespace

QStringList mergeItems(const QStringList &base, const QStringList &file, const QStringList &copy)
{
    NumberedItems items;
    items.numbers.reserve(file.size() + copy.size());
    items.file = items.number(file);
    items.copy = items.number(copy);
    items.base = items.number(base);
    const QVector<int> inBase = items.counts(items.base);
    const QVector<int> inFile = items.counts(items.file);
    const QVector<int> inCopy = items.counts(items.copy);
    QVector<int> merged(items.numbers.size());
    for (int item = 0; item < merged.size(); ++item)
        merged[item] = mergedCount(inBase.at(item), inFile.at(item), inCopy.at(item));
    const QVector<int> partners = mergeTicks(items, inBase, inFile, inCopy, &merged);

    // The file's items in its order, its last repeats dropped first where the merge
    // keeps fewer; the kept rows of each item in order, to find where the copy's items
    // stand: those of item n from keptFrom[n] on in keptRows.
    QVector<int> kept(merged.size(), 0);
    QVector<bool> keep(file.size());
    for (int row = 0; row < file.size(); ++row) {
        const int item = items.file.at(row);
        keep[row] = kept[item] < merged.at(item);
        kept[item] += keep.at(row);
    }
    QVector<int> keptFrom(merged.size() + 1, 0);
    std::partial_sum(kept.cbegin(), kept.cend(), keptFrom.begin() + 1);
    QVector<int> keptRows(keptFrom.last());
    QVector<int> filled = keptFrom;
    for (int row = 0; row < file.size(); ++row) {
        if (keep.at(row))
            keptRows[filled[items.file.at(row)]++] = row;
    }

    // The copy's extra repeats of an item are its additions, taken from its end. Each
    // goes after the file's item it follows in the copy (ticked there or not), or after
    // the addition before it; with nothing before it, at the end.
    QVector<QStringList> addedAfter(file.size() + 1);
    QVector<int> repeat(merged.size(), 0);
    int anchor = file.size();
    for (int row = 0; row < copy.size(); ++row) {
        const int item = items.copy.at(row);
        const int seen = repeat[item]++;
        const int additions = qMax(0, merged.at(item) - inFile.at(item));
        if (seen >= inCopy.at(item) - additions)
            addedAfter[anchor].append(copy.at(row));
        else if (seen < kept.at(item))
            anchor = keptRows.at(keptFrom.at(item) + seen);
        else if (partners.at(item) >= 0 && seen < kept.at(partners.at(item)))
            anchor = keptRows.at(keptFrom.at(partners.at(item)) + seen);
    }

    QStringList result;
    result.reserve(file.size() + copy.size());
    for (int row = 0; row < file.size(); ++row) {
        if (keep.at(row))
            result << file.at(row);
        result += addedAfter.at(row);
    }
    result += addedAfter.at(file.size());
    return result;
}
