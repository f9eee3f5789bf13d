// SPDX-License-Identifier: GPL-3.0-or-later
// Merging two versions of a text file, so that what two machines saved at the same
// time both stay: a note line by line, the grocery list item by item. A line counts
// with its repeats: two "eggs" stay two.
#ifndef LINEMERGE_H
#define LINEMERGE_H

#include <QHash>
#include <QPair>
#include <QStringList>
#include <QVector>

// Three-way merge, as diff3 does it: lines added on either side are kept, lines
// removed on either side stay removed, and where both sides changed the same lines
// they are merged as items are, theirs in their order and ours after the line they
// follow.
QStringList mergeLines(const QStringList &base, const QStringList &ours, const QStringList &theirs);

// With no common version known: the file's lines, then the copy's lines the file
// lacks, in the copy's order. It depends on the two alone, so two machines doing it
// at once come to the same text.
QStringList mergeLinesWithoutBase(const QStringList &file, const QStringList &copy);

// The grocery list, where order hardly matters and an item is removed or added whole:
// relative to base, what either side removed is removed and what either side added
// is added, a change both sides made once. The file's order stays; the copy's
// additions go after the item they follow in the copy, or at the end.
QStringList mergeItems(const QStringList &base, const QStringList &file, const QStringList &copy);

// How many times lines holds each line.
QHash<QString, int> counted(const QStringList &lines);

// The lines both hold, as many times as both hold them, in a's order: what several
// bases of a merge share.
QStringList sharedLines(const QStringList &a, const QStringList &b);

// The base for merging a copy into a text that holds a line of base heldAsBase times
// at most as the base's: a line the copy deleted that the text holds only as its own
// addition, which the copy never saw, leaves the base, so that the merge keeps it.
QStringList sparingAdditions(const QStringList &base, const QStringList &copy,
                             const QHash<QString, int> &heldAsBase);

// Of a side's lines (keys: each as compared), without those an edit saved later by
// the side's writer deleted and merged lacks: deleted after the side added them. Each
// edit is its parent's keys and its own.
QStringList withoutLaterDeletions(const QStringList &lines, const QStringList &keys, const QStringList &mergedKeys,
                                  const QVector<QPair<QStringList, QStringList>> &edits);
// Whether the copy deleted a line since base that merged still holds.
bool deletesFromMerged(const QStringList &base, const QStringList &merged, const QStringList &copy);

#endif // LINEMERGE_H
