// SPDX-License-Identifier: GPL-3.0-or-later
#include "mergebase.h"

#include "linemerge.h"

#include <QHash>

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
