// SPDX-License-Identifier: GPL-3.0-or-later
// How many times a text holds each line as the base's rather than as its own addition.
// Where a merge made alike additions one line, a tick of the base's line reaches it if
// any of them was the base's, but a deletion of the base's line takes it only if every
// one of them was: the others were added where the deletion was not seen.
#ifndef HELDASBASE_H
#define HELDASBASE_H

#include <QHash>
#include <QString>
#include <QStringList>

struct HeldAsBase
{
    QHash<QString, int> byAny;
    QHash<QString, int> byEvery;
};

// Of a merge's sides, each with the base it shares with a changer: how many times the
// merge holds each line of those bases as the base's.
class SidesHeldAsBase
{
public:
    void add(const QStringList &base, const QStringList &side);
    // A side whose lines held as the base's are known.
    void add(const QStringList &side, const HeldAsBase &held);
    HeldAsBase held() const;

private:
    QHash<QString, int> anyMost, everyMost, ownMost, countMost;
};

#endif // HELDASBASE_H
