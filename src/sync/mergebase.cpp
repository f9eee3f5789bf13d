// SPDX-License-Identifier: GPL-3.0-or-later
#include "mergebase.h"

#include "linemerge.h"

#include <QHash>

#include <algorithm>
#include <optional>

namespace {

// Bases of bases are merged this deep at most; below, what they share stands in.
const int maximumDepth = 8;

class BaseMaker
{
public:
    BaseMaker(const VersionGraph &graph, const ReadParts &read, const MergeParts &merge, const ShareParts &share)
        : graph(graph), read(read), merge(merge), share(share)
    {
    }

    // An empty id is the empty version; a base whose bytes cannot be had gives way to
    // the newest of its ancestors that can, which only keeps more.
    QStringList merged(const QVector<QByteArray> &bases, int depth)
    {
        const QVector<QByteArray> reachable =
                graph.reachableBases(bases, [this](const QByteArray &hash) { return partsOf(hash) != nullptr; });
        for (const QByteArray &base : bases)
            whole = whole && (base.isEmpty() || (graph.contains(base) && partsOf(graph.version(base).hash)));
        if (reachable.isEmpty())
            return QStringList();
        QStringList result = partsOfVersion(reachable.first());
        QVector<QByteArray> done {reachable.first()};
        for (const QByteArray &next : reachable.mid(1)) {
            if (depth >= maximumDepth)
                result = share(result, partsOfVersion(next));
            else
                result = merge(merged(graph.newestCommon(done, next), depth + 1), result, partsOfVersion(next));
            done << next;
        }
        return result;
    }

    QStringList partsOfVersion(const QByteArray &id)
    {
        return id.isEmpty() ? QStringList() : *partsOf(graph.version(id).hash);
    }

    const QStringList *partsOf(const QByteArray &hash)
    {
        auto found = cache.find(hash);
        if (found == cache.end()) {
            QStringList parts;
            if (!read(hash, &parts))
                return nullptr;
            found = cache.insert(hash, parts);
        }
        return &found.value();
    }

    bool whole = true;

private:
    const VersionGraph &graph;
    const ReadParts &read;
    const MergeParts &merge;
    const ShareParts &share;
    QHash<QByteArray, QStringList> cache;
};

} // namespace

QStringList mergeBaseParts(const VersionGraph &graph, const MergePlan &plan, const ReadParts &read,
                           const MergeParts &merge, bool *whole, const ShareParts &share)
{
    BaseMaker maker(graph, read, merge, share);
    QStringList base = maker.merged(plan.bases, 0);
    if (whole)
        *whole = maker.whole;
    for (const QByteArray &meeting : plan.meetings) {
        QStringList parts;
        if (read(graph.version(meeting).hash, &parts))
            base = share(base, parts);
    }
    return base;
}

namespace {

using Counts = QHash<QString, int>;

void raise(Counts *most, const Counts &lines)
{
    for (auto line = lines.cbegin(); line != lines.cend(); ++line)
        (*most)[line.key()] = qMax(most->value(line.key()), line.value());
}

class HeldSinceBases
{
public:
    HeldSinceBases(const VersionGraph &graph, const QVector<QByteArray> &bases, const ReadParts &read)
        : graph(graph), bases(bases), read(read), basesPast(graph.pastOf(bases))
    {
    }

    // Nothing where id neither went on from the bases nor came before them.
    std::optional<HeldAsBase> of(const QByteArray &id)
    {
        auto found = held.constFind(id);
        if (found != held.cend())
            return *found;
        const bool isBase = std::any_of(bases.cbegin(), bases.cend(),
                                        [&](const QByteArray &base) { return graph.sameVersion(id, base); });
        if (++visits > maximumVisits || !graph.contains(id))
            return std::nullopt;
        // What the bases went on from, whoever went on from them saw.
        const bool seen = isBase || basesPast.contains(id);
        const std::optional<HeldAsBase> result = seen ? wholly(counts(id)) : fromParents(id);
        unreadableBase = unreadableBase || (isBase && !result);
        held.insert(id, result);
        return result;
    }

    // Whether what was found may fall short.
    bool failed() const { return visits > maximumVisits || unreadableBase; }

private:
    static std::optional<HeldAsBase> wholly(const std::optional<Counts> &lines)
    {
        return lines ? HeldAsBase {*lines, *lines} : std::optional<HeldAsBase>();
    }

    std::optional<Counts> counts(const QByteArray &id)
    {
        const QByteArray &hash = graph.version(id).hash;
        auto found = countsByHash.constFind(hash);
        if (found != countsByHash.cend())
            return *found;
        QStringList parts;
        const std::optional<Counts> lines = read(hash, &parts) ? counted(parts) : std::optional<Counts>();
        countsByHash.insert(hash, lines);
        return lines;
    }

    // A merge is replayed parent by parent against the base each shares with those
    // before it, as it was made: a line one parent deleted since that base is gone from
    // the merge, and what it holds of it is a later parent's own addition, even where
    // an earlier parent held it as the bases'. Where bytes are missing, a merge holds
    // as much as its parents held so.
    std::optional<HeldAsBase> fromParents(const QByteArray &id)
    {
        // The record keeps a merge's parents in the order they were merged.
        const QVector<QByteArray> &merged = graph.version(id).parents;
        std::optional<HeldAsBase> result = merged.size() > 1 ? replayed(merged) : std::optional<HeldAsBase>();
        if (!result)
            result = mostOf(graph.parentsOf(id));
        const std::optional<Counts> own = counts(id);
        if (result && own) {
            for (Counts *lines : {&result->byAny, &result->byEvery}) {
                for (auto line = lines->begin(); line != lines->end(); ++line)
                    line.value() = qMin(line.value(), own->value(line.key()));
            }
        }
        return result;
    }

    std::optional<HeldAsBase> mostOf(const QVector<QByteArray> &parents)
    {
        std::optional<HeldAsBase> most;
        for (const QByteArray &parent : parents) {
            const std::optional<HeldAsBase> parentHeld = of(parent);
            if (!parentHeld)
                continue;
            if (!most)
                most.emplace();
            raise(&most->byAny, parentHeld->byAny);
            raise(&most->byEvery, parentHeld->byEvery);
        }
        return most;
    }

    struct Tally
    {
        Counts count;
        HeldAsBase held;
    };

    // Nothing where a parent is unknown, its or a base's bytes cannot be had, the walk
    // went too far, or none of the parents went on from the bases.
    std::optional<HeldAsBase> replayed(const QVector<QByteArray> &parents)
    {
        std::optional<Tally> merged;
        bool fromBases = false;
        QVector<QByteArray> done;
        for (const QByteArray &parent : parents) {
            if (!graph.contains(parent))
                return std::nullopt;
            const std::optional<HeldAsBase> parentHeld = of(parent);
            const std::optional<Counts> parentCount = counts(parent);
            if (!parentCount || failed())
                return std::nullopt;
            fromBases = fromBases || parentHeld;
            const Tally next {*parentCount, parentHeld.value_or(HeldAsBase())};
            if (merged) {
                // With no version in common, the empty one every file began from.
                const QVector<QByteArray> against = graph.mergedAgainst(done, parent);
                const std::optional<Counts> base = against.isEmpty() ? Counts() : sharedBy(against);
                if (!base)
                    return std::nullopt;
                merged = mergedTally(*base, *merged, next);
            } else {
                merged = next;
            }
            done << parent;
        }
        if (!fromBases)
            return std::nullopt;
        return merged->held;
    }

    // Of each line, what every one of the versions holds; the empty id holds nothing.
    std::optional<Counts> sharedBy(const QVector<QByteArray> &versions)
    {
        std::optional<Counts> shared;
        for (const QByteArray &version : versions) {
            const std::optional<Counts> held = version.isEmpty() ? Counts() : counts(version);
            if (!held)
                return std::nullopt;
            if (!shared) {
                shared = held;
                continue;
            }
            for (auto line = shared->begin(); line != shared->end(); ++line)
                line.value() = qMin(line.value(), held->value(line.key()));
        }
        return shared.value_or(Counts());
    }

    // A line the base had stays where both sides kept it, and is the bases' where a side
    // knew it so. An addition both sides made alike is one: a tick reaches it where
    // either's was the bases', a deletion only where both were.
    static Tally mergedTally(const Counts &base, const Tally &ours, const Tally &theirs)
    {
        Tally merged;
        QSet<QString> lines;
        for (auto line = ours.count.cbegin(); line != ours.count.cend(); ++line)
            lines << line.key();
        for (auto line = theirs.count.cbegin(); line != theirs.count.cend(); ++line)
            lines << line.key();
        for (const QString &line : qAsConst(lines)) {
            const int had = base.value(line);
            const int kept = qMin(had, qMin(ours.count.value(line), theirs.count.value(line)));
            const auto added = [&](const Tally &side) { return qMax(0, side.count.value(line) - had); };
            const auto addedHeld = [&](const Tally &side, const Counts &held) {
                return qMin(added(side), qMax(0, held.value(line) - qMin(had, side.count.value(line))));
            };
            const int count = kept + qMax(added(ours), added(theirs));
            merged.count.insert(line, count);
            const auto keptHeld = [&](const Counts &ourHeld, const Counts &theirHeld) {
                return qMin(kept, qMax(ourHeld.value(line), theirHeld.value(line)));
            };
            merged.held.byAny.insert(line, qMin(count, keptHeld(ours.held.byAny, theirs.held.byAny)
                                                        + qMax(addedHeld(ours, ours.held.byAny),
                                                               addedHeld(theirs, theirs.held.byAny))));
            const int ownAdded = qMax(added(ours) - addedHeld(ours, ours.held.byEvery),
                                      added(theirs) - addedHeld(theirs, theirs.held.byEvery));
            merged.held.byEvery.insert(line, qMin(count, keptHeld(ours.held.byEvery, theirs.held.byEvery)
                                                          + qMax(added(ours), added(theirs)) - ownAdded));
        }
        return merged;
    }

    static const int maximumVisits = 400;
    const VersionGraph &graph;
    const QVector<QByteArray> &bases;
    const ReadParts &read;
    const QSet<QByteArray> basesPast;
    QHash<QByteArray, std::optional<HeldAsBase>> held;
    QHash<QByteArray, std::optional<Counts>> countsByHash;
    int visits = 0;
    bool unreadableBase = false;
};

} // namespace

bool heldSinceBases(const VersionGraph &graph, const QVector<QByteArray> &bases, const QVector<QByteArray> &heads,
                    const ReadParts &read, HeldAsBase *held)
{
    if (heads.isEmpty())
        return false;
    HeldSinceBases since(graph, bases, read);
    // Heads of the same bytes that went on apart are one text: a deletion takes a line
    // only as far as each of them holds it as the bases'.
    std::optional<Counts> every;
    for (const QByteArray &head : heads) {
        const std::optional<HeldAsBase> headHeld = since.of(head);
        if (since.failed())
            return false;
        const Counts headEvery = headHeld ? headHeld->byEvery : Counts();
        if (!every)
            every = headEvery;
        for (auto line = every->begin(); line != every->end(); ++line)
            line.value() = qMin(line.value(), headEvery.value(line.key()));
        if (headHeld)
            raise(&held->byAny, headHeld->byAny);
    }
    held->byEvery = *every;
    return true;
}
