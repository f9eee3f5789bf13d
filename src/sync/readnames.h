// SPDX-License-Identifier: GPL-3.0-or-later
// A version read as another program left it is often a Ladlewise version whose record
// came later than its bytes. It is none of the versions its reader's file held before
// it, nor of their past. Bytes recur (add, delete, add again), so of the other versions
// a record names with the read's bytes, the read can only be proven to hold the past
// of the oldest, and only where every other one went on from it; none of them may
// have gone on from the read, nor the read from them. Each read named shows more of
// what went on from what, so the reads are looked at again until no more can be
// named, in the order of their ids, so that every machine comes to the same names.
//
#ifndef READNAMES_H
#define READNAMES_H

#include "versiongraph.h"

#include <QByteArray>
#include <QHash>
#include <QVector>

// Where the versions alike are not one chain (two machines made the same edit, say),
// the read is none of them for sure, but went on from all they have in common.
struct ReadNames
{
    QHash<QByteArray, QByteArray> versionOf;              // read → the version it is
    QHash<QByteArray, QVector<QByteArray>> provenParents; // read → what it went on from
};

ReadNames namesOfReads(const QVector<Version> &versions);

#endif // READNAMES_H
