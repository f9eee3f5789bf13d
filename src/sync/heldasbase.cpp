// SPDX-License-Identifier: GPL-3.0-or-later
#include "heldasbase.h"

#include "linemerge.h"

void SidesHeldAsBase::add(const QStringList &base, const QStringList &side)
{
    const QHash<QString, int> inSide = counted(side);
    const QHash<QString, int> inBase = counted(base);
    QHash<QString, int> held;
    for (auto line = inSide.cbegin(); line != inSide.cend(); ++line)
        held.insert(line.key(), qMin(line.value(), inBase.value(line.key())));
    add(side, HeldAsBase {held, held});
}

void SidesHeldAsBase::add(const QStringList &side, const HeldAsBase &held)
{
    const QHash<QString, int> inSide = counted(side);
    for (auto line = inSide.cbegin(); line != inSide.cend(); ++line) {
        const QString &key = line.key();
        const int every = qMin(line.value(), held.byEvery.value(key));
        anyMost[key] = qMax(anyMost.value(key), qMin(line.value(), held.byAny.value(key)));
        everyMost[key] = qMax(everyMost.value(key), every);
        ownMost[key] = qMax(ownMost.value(key), line.value() - every);
        countMost[key] = qMax(countMost.value(key), line.value());
    }
}

// The merge holds each line as often as the side that holds it most: alike lines of
// the sides were made one, and a side's own additions are the merge's own.
HeldAsBase SidesHeldAsBase::held() const
{
    HeldAsBase held;
    for (auto line = anyMost.cbegin(); line != anyMost.cend(); ++line) {
        if (line.value() == 0)
            continue;
        const QString &key = line.key();
        held.byAny.insert(key, line.value());
        held.byEvery.insert(key, qMax(0, qMin(everyMost.value(key), countMost.value(key) - ownMost.value(key))));
    }
    return held;
}
