// SPDX-License-Identifier: GPL-3.0-or-later
// The text a merge goes against: what both sides are proven to have had. With several
// newest common versions, their own merge, as git's recursive merge makes it: each
// of them is in both sides' past, so a line their merge holds was on both sides once,
// and a side that lacks it now deleted it. Lines the bases hold that both sides went
// on to delete, as where they came to the same bytes on their way, are left out.
#ifndef MERGEBASE_H
#define MERGEBASE_H

#include "heldasbase.h"
#include "linemerge.h"
#include "versiongraph.h"

#include <QHash>
#include <QStringList>

#include <functional>

// False when the bytes with this hash cannot be had.
using ReadParts = std::function<bool(const QByteArray &hash, QStringList *parts)>;
using MergeParts = std::function<QStringList(const QStringList &base, const QStringList &ours,
                                             const QStringList &theirs)>;
// What of a the b holds too: lines, or for a list, items however ticked.
using ShareParts = std::function<QStringList(const QStringList &a, const QStringList &b)>;

// whole, where given, tells whether the bytes of every base were at hand. Where an
// older version stood in, what it holds that one side lacks may have been added
// again since on the other, so the caller can prove no deletion from it.
QStringList mergeBaseParts(const VersionGraph &graph, const MergePlan &plan, const ReadParts &read,
                           const MergeParts &merge, bool *whole = nullptr, const ShareParts &share = sharedLines);

// How many of each line the texts of heads hold as the bases' rather than as their own
// later addition: a version holds as much of what its parents held so as it still
// has, and a merge what its merge of them, parent by parent, kept so; a version the
// bases went on from holds all it has, and one that went on from none of them, none;
// one whose bytes cannot be had, what its parents held. Of several heads, which are
// one text, a tick reaches what any holds so and a deletion takes what all do. False
// where there are no heads, a base's bytes cannot be had or more than a few hundred
// versions lie between.
bool heldSinceBases(const VersionGraph &graph, const QVector<QByteArray> &bases, const QVector<QByteArray> &heads,
                    const ReadParts &read, HeldAsBase *held);

#endif // MERGEBASE_H
