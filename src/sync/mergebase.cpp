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

class HeldSinceBases
{
public:
    HeldSinceBases(const VersionGraph &graph, const QVector<QByteArray> &bases, const ReadParts &read)
        : graph(graph), bases(bases), read(read), basesPast(graph.pastOf(bases))
    {
    }

    // Nothing where id went on from none of the bases.
    std::optional<QHash<QString, int>> of(const QByteArray &id)
    {
        auto found = held.constFind(id);
        if (found != held.cend())
            return *found;
        const bool isBase = std::any_of(bases.cbegin(), bases.cend(),
                                        [&](const QByteArray &base) { return graph.sameVersion(id, base); });
        if ((!isBase && basesPast.contains(id)) || ++visits > maximumVisits || !graph.contains(id))
            return std::nullopt;
        const std::optional<QHash<QString, int>> result = isBase ? counts(id) : fromParents(id);
        unreadableBase = unreadableBase || (isBase && !result);
        held.insert(id, result);
        return result;
    }

    // Whether what was found may fall short.
    bool failed() const { return visits > maximumVisits || unreadableBase; }

private:
    std::optional<QHash<QString, int>> counts(const QByteArray &id)
    {
        const QByteArray &hash = graph.version(id).hash;
        auto found = counted.constFind(hash);
        if (found != counted.cend())
            return *found;
        QStringList parts;
        std::optional<QHash<QString, int>> lines;
        if (read(hash, &parts)) {
            lines.emplace();
            for (const QString &part : qAsConst(parts))
                ++(*lines)[part];
        }
        counted.insert(hash, lines);
        return lines;
    }

    // A merge is replayed parent by parent against the base each shares with those
    // before it, as it was made: a line one parent deleted since that base is gone from
    // the merge, and what it holds of it is a later parent's own addition, even where
    // an earlier parent held it as the bases'. Where bytes are missing, a merge holds
    // as much as its parents held so.
    std::optional<QHash<QString, int>> fromParents(const QByteArray &id)
    {
        // The record keeps a merge's parents in the order they were merged.
        const QVector<QByteArray> &merged = graph.version(id).parents;
        std::optional<QHash<QString, int>> result =
                merged.size() > 1 ? replayed(merged) : std::optional<QHash<QString, int>>();
        if (!result)
            result = mostOf(graph.parentsOf(id));
        if (!result)
            return result;
        const std::optional<QHash<QString, int>> own = counts(id);
        if (own) {
            for (auto line = result->begin(); line != result->end(); ++line)
                line.value() = qMin(line.value(), own->value(line.key()));
        }
        return result;
    }

    std::optional<QHash<QString, int>> mostOf(const QVector<QByteArray> &parents)
    {
        std::optional<QHash<QString, int>> most;
        for (const QByteArray &parent : parents) {
            const std::optional<QHash<QString, int>> parentHeld = of(parent);
            if (!parentHeld)
                continue;
            if (!most)
                most.emplace();
            for (auto line = parentHeld->cbegin(); line != parentHeld->cend(); ++line)
                (*most)[line.key()] = qMax(most->value(line.key()), line.value());
        }
        return most;
    }

    struct Tally
    {
        QHash<QString, int> count;
        QHash<QString, int> held;
    };

    // Nothing where a parent is unknown, its or a base's bytes cannot be had, the walk
    // went too far, or none of the parents went on from the bases.
    std::optional<QHash<QString, int>> replayed(const QVector<QByteArray> &parents)
    {
        std::optional<Tally> merged;
        bool fromBases = false;
        QVector<QByteArray> done;
        for (const QByteArray &parent : parents) {
            if (!graph.contains(parent))
                return std::nullopt;
            const std::optional<QHash<QString, int>> parentHeld = of(parent);
            const std::optional<QHash<QString, int>> parentCount = counts(parent);
            if (!parentCount || failed())
                return std::nullopt;
            fromBases = fromBases || parentHeld;
            const Tally next {*parentCount, parentHeld.value_or(QHash<QString, int>())};
            if (merged) {
                const std::optional<QHash<QString, int>> base = sharedBy(graph.newestCommon(done, parent));
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
    std::optional<QHash<QString, int>> sharedBy(const QVector<QByteArray> &versions)
    {
        std::optional<QHash<QString, int>> shared;
        for (const QByteArray &version : versions) {
            const std::optional<QHash<QString, int>> held =
                    version.isEmpty() ? QHash<QString, int>() : counts(version);
            if (!held)
                return std::nullopt;
            if (!shared) {
                shared = held;
                continue;
            }
            for (auto line = shared->begin(); line != shared->end(); ++line)
                line.value() = qMin(line.value(), held->value(line.key()));
        }
        return shared.value_or(QHash<QString, int>());
    }

    // A line the base had stays where both sides kept it, and is the bases' where a side
    // knew it so; an addition both sides made alike is one, the bases' where either's was.
    static Tally mergedTally(const QHash<QString, int> &base, const Tally &ours, const Tally &theirs)
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
            const int keptHeld = qMin(kept, qMax(ours.held.value(line), theirs.held.value(line)));
            const auto added = [&](const Tally &side) { return qMax(0, side.count.value(line) - had); };
            const auto addedHeld = [&](const Tally &side) {
                return qMin(added(side), qMax(0, side.held.value(line) - qMin(had, side.count.value(line))));
            };
            merged.count.insert(line, kept + qMax(added(ours), added(theirs)));
            merged.held.insert(line, qMin(merged.count.value(line),
                                          keptHeld + qMax(addedHeld(ours), addedHeld(theirs))));
        }
        return merged;
    }

    static const int maximumVisits = 400;
    const VersionGraph &graph;
    const QVector<QByteArray> &bases;
    const ReadParts &read;
    const QSet<QByteArray> basesPast;
    QHash<QByteArray, std::optional<QHash<QString, int>>> held;
    QHash<QByteArray, std::optional<QHash<QString, int>>> counted;
    int visits = 0;
    bool unreadableBase = false;
};

} // namespace

bool heldSinceBases(const VersionGraph &graph, const QVector<QByteArray> &bases, const QVector<QByteArray> &heads,
                    const ReadParts &read, QHash<QString, int> *held)
{
    if (heads.isEmpty())
        return false;
    HeldSinceBases since(graph, bases, read);
    for (const QByteArray &head : heads) {
        const std::optional<QHash<QString, int>> headHeld = since.of(head);
        if (since.failed())
            return false;
        if (!headHeld)
            continue;
        for (auto line = headHeld->cbegin(); line != headHeld->cend(); ++line)
            (*held)[line.key()] = qMax(held->value(line.key()), line.value());
    }
    return true;
}
