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
        QStringList parts;
        if (!read(graph.version(id).hash, &parts))
            return std::nullopt;
        QHash<QString, int> counted;
        for (const QString &part : qAsConst(parts))
            ++counted[part];
        return counted;
    }

    std::optional<QHash<QString, int>> fromParents(const QByteArray &id)
    {
        std::optional<QHash<QString, int>> most;
        for (const QByteArray &parent : graph.parentsOf(id)) {
            const std::optional<QHash<QString, int>> parentHeld = of(parent);
            if (!parentHeld)
                continue;
            if (!most)
                most.emplace();
            for (auto line = parentHeld->cbegin(); line != parentHeld->cend(); ++line)
                (*most)[line.key()] = qMax(most->value(line.key()), line.value());
        }
        if (!most)
            return most;
        const std::optional<QHash<QString, int>> own = counts(id);
        if (own) {
            for (auto line = most->begin(); line != most->end(); ++line)
                line.value() = qMin(line.value(), own->value(line.key()));
        }
        return most;
    }

    static const int maximumVisits = 400;
    const VersionGraph &graph;
    const QVector<QByteArray> &bases;
    const ReadParts &read;
    const QSet<QByteArray> basesPast;
    QHash<QByteArray, std::optional<QHash<QString, int>>> held;
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
