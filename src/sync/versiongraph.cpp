// SPDX-License-Identifier: GPL-3.0-or-later
#include "versiongraph.h"

#include "readnames.h"

#include <QCryptographicHash>

#include <algorithm>
#include <iterator>

VersionGraph::VersionGraph(const QVector<Version> &versions)
    : versions(versions)
{
    for (int i = 0; i < versions.size(); ++i) {
        index.insert(versions.at(i).id, i);
        byHash.insert(versions.at(i).hash, i);
    }
    classify();
}

// Each version's node is named by its file, its bytes and its parents' nodes, so the
// parents are named first, without recursion, as chains run to thousands. A parent no
// record names, or a loop that only a forged record makes, counts as unknown. A read
// that a record names later joins that version's node.
void VersionGraph::classify()
{
    const ReadNames reads = namesOfReads(versions);
    const QHash<QByteArray, QByteArray> &aliases = reads.versionOf;
    enum State { Visiting = 1, Done = 2 };
    QHash<QByteArray, int> state;
    struct Step
    {
        QByteArray id;
        int nextParent;
    };
    for (const Version &start : qAsConst(versions)) {
        if (state.contains(start.id))
            continue;
        QVector<Step> stack {{start.id, 0}};
        state.insert(start.id, Visiting);
        while (!stack.isEmpty()) {
            Step &top = stack.last();
            const Version &current = version(top.id);
            QVector<QByteArray> parents = current.parents + reads.provenParents.value(top.id);
            const QVector<QByteArray> dependsOn =
                    aliases.contains(top.id) ? QVector<QByteArray> {aliases.value(top.id)} : parents;
            if (top.nextParent < dependsOn.size()) {
                const QByteArray &parent = dependsOn.at(top.nextParent++);
                if (index.contains(parent) && !state.contains(parent)) {
                    state.insert(parent, Visiting);
                    stack.append({parent, 0});
                }
                continue;
            }
            const QByteArray alias = aliases.value(current.id);
            if (!alias.isEmpty() && state.value(alias) == Done) {
                nodeKeys.insert(current.id, nodeKeys.value(alias));
                nodes[nodeKeys.value(alias)].ids << current.id;
                state.insert(current.id, Done);
                stack.removeLast();
                continue;
            }
            const QVector<QByteArray> judged = judgedBefore(current, aliases);
            const auto unvisited = std::find_if(judged.cbegin(), judged.cend(),
                                                [&](const QByteArray &id) { return !state.contains(id); });
            if (unvisited != judged.cend()) {
                state.insert(*unvisited, Visiting);
                stack.append({*unvisited, 0});
                continue;
            }
            for (const QByteArray &before : judged) {
                if (state.value(before) == Done)
                    parents << before;
            }
            QVector<QByteArray> parentNodes;
            for (const QByteArray &parent : parents)
                parentNodes << (state.value(parent) == Done ? nodeKeys.value(parent) : "?" + parent);
            std::sort(parentNodes.begin(), parentNodes.end());
            parentNodes.erase(std::unique(parentNodes.begin(), parentNodes.end()), parentNodes.end());
            QCryptographicHash key(QCryptographicHash::Sha1);
            key.addData(current.file.toUtf8() + '\0' + current.hash + '\0');
            // An edit is its writer's own, whatever it came to; only merges of the same
            // versions into the same bytes are one.
            if (parentNodes.size() < 2 || !judged.isEmpty())
                key.addData(current.id);
            for (const QByteArray &parent : qAsConst(parentNodes))
                key.addData(parent + ',');
            const QByteArray node = key.result();
            nodeKeys.insert(current.id, node);
            Node &entry = nodes[node];
            if (entry.ids.isEmpty()) {
                entry.parents = parentNodes;
                for (const QByteArray &parent : qAsConst(parentNodes))
                    nodes[parent].children << node;
            }
            entry.ids << current.id;
            state.insert(current.id, Done);
            stack.removeLast();
        }
    }
}

// A read later named as another's version went on, on its reader's machine, from what
// that file held before, as the sync tool judged where it set nothing aside. Where the
// version named had bytes alike with that in its past, the tool took the two for one:
// what the reader saved on the read went on from what it held before too. Otherwise the
// tool may have dropped that, which is then to be merged back, not taken for replaced.
QVector<QByteArray> VersionGraph::judgedBefore(const Version &saved,
                                               const QHash<QByteArray, QByteArray> &aliases) const
{
    QVector<QByteArray> judged;
    for (const QByteArray &read : saved.parents) {
        if (!aliases.contains(read) || !nodeKeys.contains(read))
            continue;
        const QSet<QByteArray> named = ancestry(nodeKeys.value(read));
        for (const QByteArray &before : version(read).parents) {
            if (!index.contains(before))
                continue;
            const QVector<QByteArray> alike = withHash(version(before).file, version(before).hash);
            if (std::any_of(alike.cbegin(), alike.cend(), [&](const QByteArray &id) {
                    return nodeKeys.contains(id) && named.contains(nodeKeys.value(id));
                }))
                judged << before;
        }
    }
    return judged;
}

QVector<QByteArray> VersionGraph::withHash(const QString &file, const QByteArray &hash) const
{
    QVector<QByteArray> found;
    for (auto i = byHash.constFind(hash); i != byHash.cend() && i.key() == hash; ++i) {
        if (versions.at(i.value()).file == file)
            found << versions.at(i.value()).id;
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A version something went on from was replaced: bytes like it on disk again are
// likely a new version whose record is still on its way, which a read stands for.
// Several versions alike that nothing went on from are one for what comes after, as
// when two machines merged the same copy.
QVector<QByteArray> VersionGraph::identify(const QString &file, const QByteArray &hash) const
{
    QVector<QByteArray> heads;
    for (const QByteArray &node : nodesOf(withHash(file, hash))) {
        if (nodes.value(node).children.isEmpty())
            heads << node;
    }
    return idsOf(heads);
}

QVector<QByteArray> VersionGraph::notBefore(const QVector<QByteArray> &versions, const QByteArray &replaced) const
{
    if (versions.isEmpty())
        return {};
    const QSet<QByteArray> past = ancestry(nodeOf(replaced));
    QVector<QByteArray> found;
    std::copy_if(versions.cbegin(), versions.cend(), std::back_inserter(found),
                 [&](const QByteArray &id) { return !past.contains(nodeOf(id)); });
    return found;
}

bool VersionGraph::descendsFrom(const QByteArray &later, const QByteArray &earlier) const
{
    return ancestry(nodeOf(later)).contains(nodeOf(earlier));
}

QSet<QByteArray> VersionGraph::pastOf(const QVector<QByteArray> &ids) const
{
    const QSet<QByteArray> past = ancestry(nodesOf(ids));
    const QVector<QByteArray> named = idsOf(QVector<QByteArray>(past.cbegin(), past.cend()));
    return QSet<QByteArray>(named.cbegin(), named.cend());
}

int VersionGraph::sharedPast(const QVector<QByteArray> &a, const QVector<QByteArray> &b) const
{
    QSet<QByteArray> shared = ancestry(nodesOf(a));
    return shared.intersect(ancestry(nodesOf(b))).size();
}

QSet<QByteArray> VersionGraph::ancestry(const QVector<QByteArray> &nodeKeys) const
{
    QSet<QByteArray> found;
    for (const QByteArray &node : nodeKeys)
        found.unite(ancestry(node));
    return found;
}

QSet<QByteArray> VersionGraph::ancestry(const QByteArray &node) const
{
    QSet<QByteArray> found {node};
    QVector<QByteArray> queue {node};
    while (!queue.isEmpty()) {
        const QByteArray next = queue.takeLast();
        for (const QByteArray &parent : nodes.value(next).parents) {
            if (!found.contains(parent)) {
                found.insert(parent);
                queue << parent;
            }
        }
    }
    return found;
}

// Those of a set of versions closed under ancestry that nothing else in it went on from.
QVector<QByteArray> VersionGraph::newest(const QSet<QByteArray> &closed) const
{
    QVector<QByteArray> found;
    for (const QByteArray &node : closed) {
        const QVector<QByteArray> &children = nodes.value(node).children;
        if (std::none_of(children.cbegin(), children.cend(), [&closed](const QByteArray &child) {
                return closed.contains(child);
            })) {
            found << node;
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

QVector<QByteArray> VersionGraph::newestCommon(const QVector<QByteArray> &merged, const QByteArray &next) const
{
    return idsOf(newest(ancestry(nodesOf(merged)).intersect(ancestry(nodeOf(next)))));
}

QVector<QByteArray> VersionGraph::mergedAgainst(const QVector<QByteArray> &merged, const QByteArray &next) const
{
    const QSet<QByteArray> mergedSide = ancestry(nodesOf(merged));
    const QSet<QByteArray> nextSide = ancestry(nodeOf(next));
    const QSet<QByteArray> common = QSet<QByteArray>(mergedSide).intersect(nextSide);
    const QVector<QByteArray> bases = newest(common);
    return bases.isEmpty() ? QVector<QByteArray>() : idsOf(bases + meetings(mergedSide, nextSide, bases, common));
}

QVector<QByteArray> VersionGraph::editsAfter(const QVector<QByteArray> &versions, const QVector<QByteArray> &side,
                                            const QSet<QByteArray> &laterNames) const
{
    if (versions.isEmpty())
        return {};
    const QByteArray writer = writerOf(versions.first());
    quint64 last = 0;
    for (const QByteArray &id : versions) {
        if (writerOf(id) != writer)
            return {};
        last = qMax(last, counterOf(id));
    }
    QVector<QByteArray> edits;
    for (const QByteArray &node : ancestry(nodesOf(side))) {
        for (const QByteArray &id : nodes.value(node).ids) {
            const bool later = (writerOf(id) == writer && counterOf(id) > last) || laterNames.contains(writerOf(id));
            if (later && version(id).kind == Version::Written)
                edits << id;
        }
    }
    std::sort(edits.begin(), edits.end());
    return edits;
}

bool VersionGraph::awaitsRecord(const QVector<QByteArray> &versions, qint64 now, qint64 wait) const
{
    QSet<QByteArray> past;
    for (const QByteArray &node : nodesOf(versions))
        past.unite(ancestry(node));
    return std::any_of(past.cbegin(), past.cend(), [&](const QByteArray &node) {
        const QVector<QByteArray> &ids = nodes.value(node).ids;
        return !ids.isEmpty() && !isLadlewise(node) && now - version(ids.first()).readAt < wait;
    });
}

bool VersionGraph::mergedInto(const QByteArray &node) const
{
    const QVector<QByteArray> &children = nodes.value(node).children;
    return std::any_of(children.cbegin(), children.cend(), [this](const QByteArray &child) {
        const QVector<QByteArray> &ids = nodes.value(child).ids;
        return std::any_of(ids.cbegin(), ids.cend(), [this](const QByteArray &id) { return version(id).kind == Version::Merged; });
    });
}

bool VersionGraph::mergedAlikeBySeveral(const QVector<QByteArray> &nodeKeys) const
{
    QSet<QByteArray> writers;
    for (const QByteArray &node : nodeKeys) {
        for (const QByteArray &id : nodes.value(node).ids) {
            if (version(id).kind != Version::Merged)
                return false;
            writers.insert(writerOf(id));
        }
    }
    return writers.size() > 1;
}

bool VersionGraph::isLadlewise(const QByteArray &node) const
{
    const QVector<QByteArray> &ids = nodes.value(node).ids;
    return std::any_of(ids.cbegin(), ids.cend(), [this](const QByteArray &id) { return version(id).isLadlewise(); });
}

// In past, or a merge of versions all taken in there: a merge adds nothing of its own.
bool VersionGraph::takenIn(const QByteArray &node, const QSet<QByteArray> &past) const
{
    if (past.contains(node))
        return true;
    const Node &entry = nodes.value(node);
    const bool merge = !entry.ids.isEmpty() && std::all_of(entry.ids.cbegin(), entry.ids.cend(), [this](const QByteArray &id) {
        return version(id).kind == Version::Merged;
    });
    return merge && std::all_of(entry.parents.cbegin(), entry.parents.cend(), [&](const QByteArray &parent) {
               return takenIn(parent, past);
           });
}

QVector<QByteArray> VersionGraph::nodesOf(const QVector<QByteArray> &ids) const
{
    QVector<QByteArray> found;
    for (const QByteArray &id : ids) {
        if (!found.contains(nodeOf(id)))
            found << nodeOf(id);
    }
    return found;
}

// A file holds what was last written to it, and a copy what its machine last wrote:
// of versions with the same bytes, those nothing went on from yet, where there are any.
QVector<QByteArray> VersionGraph::newestOf(const QVector<QByteArray> &candidates) const
{
    QVector<QByteArray> heads;
    for (const QByteArray &node : candidates) {
        if (nodes.value(node).children.isEmpty())
            heads << node;
    }
    return heads.isEmpty() ? candidates : heads;
}

// A node no record names stands for the id it was named by.
QVector<QByteArray> VersionGraph::idsOf(const QVector<QByteArray> &nodeKeys) const
{
    QVector<QByteArray> ids;
    for (const QByteArray &node : nodeKeys)
        ids << (nodes.value(node).ids.isEmpty() ? node.mid(1) : nodes.value(node).ids.first());
    return ids;
}

// A file and a copy are concurrent versions: of the candidates for each side, those
// that are neither side's ancestor. A copy that some file candidate went on from is
// already in the file, unless another reading makes them concurrent.
// Versions alike that nothing went on from yet are one side together, as a writer
// over them takes them all for its parents: their pasts join.
MergePlan VersionGraph::plan(const QVector<QByteArray> &file, const QVector<QByteArray> &copy,
                             const QVector<QVector<QByteArray>> &mergedSoFar) const
{
    if (file.isEmpty() || copy.isEmpty())
        return MergePlan();
    return plan(newestOf(nodesOf(file)), newestOf(nodesOf(copy)), mergedSoFar, false);
}

MergePlan VersionGraph::planFrom(const QByteArray &version, const QVector<QByteArray> &copy) const
{
    if (!contains(version) || copy.isEmpty())
        return MergePlan();
    return plan({nodeOf(version)}, newestOf(nodesOf(copy)), {}, true);
}

MergePlan VersionGraph::plan(const QVector<QByteArray> &fileNodes, const QVector<QByteArray> &copyNodes,
                             const QVector<QVector<QByteArray>> &mergedSoFar, bool fileKnown) const
{
    MergePlan plan;
    QSet<QByteArray> fileSide = ancestry(fileNodes);
    for (const QVector<QByteArray> &merged : mergedSoFar)
        fileSide.unite(ancestry(newestOf(nodesOf(merged))));
    const QSet<QByteArray> copySide = ancestry(copyNodes);
    const bool copyIsHead = nodes.value(copyNodes.first()).children.isEmpty();
    // A copy that a merge took in is done with, as one whose merges the file holds, or
    // one of the merges that several machines made alike and the file went on from: a
    // sync tool may set such alike files aside, though nothing changed.
    const auto inPast = [&](const QByteArray &node) { return fileSide.contains(node); };
    const bool inFile = copyIsHead ? std::all_of(copyNodes.cbegin(), copyNodes.cend(), [&](const QByteArray &node) {
                                         return takenIn(node, fileSide);
                                     })
                                   : std::any_of(copyNodes.cbegin(), copyNodes.cend(), [&](const QByteArray &node) {
                                         return inPast(node) && mergedInto(node);
                                     }) || (std::all_of(copyNodes.cbegin(), copyNodes.cend(), inPast)
                                            && mergedAlikeBySeveral(copyNodes));
    if (inFile) {
        plan.kind = MergePlan::AlreadyMerged;
        return plan;
    }
    // A file or a copy holds what a machine last wrote, which nothing went on from but
    // a merge of it: bytes only versions long replaced had, or only reads, are a new
    // version whose record may be on its way. So are bytes the copy went on from, as
    // another machine may have come to them anew, unless they are a merge several
    // machines made alike: the file is another's, which the copy went on from too.
    for (const QVector<QByteArray> &side : {fileNodes, copyNodes}) {
        if (fileKnown && side == fileNodes)
            continue;
        const QVector<QByteArray> &children = nodes.value(side.first()).children;
        const bool replacedByCopy = side == fileNodes && mergedAlikeBySeveral({side.first()})
                && std::all_of(children.cbegin(), children.cend(), [&](const QByteArray &child) {
                       return copySide.contains(child);
                   });
        if ((!children.isEmpty() && !replacedByCopy)
                || std::none_of(side.cbegin(), side.cend(), [this](const QByteArray &node) { return isLadlewise(node); })) {
            return plan;
        }
    }
    const QSet<QByteArray> common = QSet<QByteArray>(fileSide).intersect(copySide);
    const QVector<QByteArray> bases = newest(common);
    plan.kind = MergePlan::Merge;
    // An empty id: the empty version, which every file began from.
    plan.bases = bases.isEmpty() ? QVector<QByteArray> {QByteArray()} : idsOf(bases);
    plan.meetings = idsOf(meetings(fileSide, copySide, bases, common));
    plan.foreignSince = readSince(fileSide, bases);
    plan.parents = idsOf(fileNodes + copyNodes);
    return plan;
}

// Where the two sides came to the same bytes since the bases, each on its way, a line
// the bases hold and those bytes lack was deleted on both sides: held again now, it
// was added again. (A sync tool that finds a file alike on two machines merges
// nothing, so both go on from their own versions.) The newest such versions on the
// file's side; what they and the bases share is the merge's base.
QVector<QByteArray> VersionGraph::meetings(const QSet<QByteArray> &fileSide, const QSet<QByteArray> &copySide,
                                           const QVector<QByteArray> &bases, const QSet<QByteArray> &common) const
{
    // Versions of a side's past since the bases.
    auto since = [&](const QSet<QByteArray> &side) {
        QVector<QByteArray> found;
        for (const QByteArray &node : side) {
            if (common.contains(node) || nodes.value(node).ids.isEmpty())
                continue;
            const QSet<QByteArray> before = ancestry(QVector<QByteArray> {node});
            if (std::all_of(bases.cbegin(), bases.cend(), [&before](const QByteArray &base) { return before.contains(base); }))
                found << node;
        }
        return found;
    };
    // A meeting is a version on each side with the same bytes; each tells what both
    // had deleted by then. A later one may be alike by chance, an item added again on
    // one side and there on the other since long, so none hides an earlier one.
    const QVector<QByteArray> fileSince = since(fileSide), copySince = since(copySide);
    QVector<QByteArray> met;
    for (const QByteArray &fileNode : fileSince) {
        for (const QByteArray &copyNode : copySince) {
            if (version(nodes.value(fileNode).ids.first()).hash == version(nodes.value(copyNode).ids.first()).hash
                    && !met.contains(fileNode))
                met << fileNode;
        }
    }
    std::sort(met.begin(), met.end());
    return met;
}

bool VersionGraph::readSince(const QSet<QByteArray> &side, const QVector<QByteArray> &bases) const
{
    const QSet<QByteArray> before = ancestry(bases);
    return std::any_of(side.cbegin(), side.cend(), [&](const QByteArray &node) {
        return !before.contains(node) && !nodes.value(node).ids.isEmpty() && !isLadlewise(node);
    });
}

// An empty id stands for the empty version, which every file began from.
QByteArray VersionGraph::readableThrough(const QByteArray &version, const QVector<QByteArray> &edits,
                                         const std::function<bool(const QByteArray &)> &hasBytes) const
{
    QByteArray at = version;
    while (contains(at) && !hasBytes(this->version(at).hash)) {
        const QVector<QByteArray> &parents = this->version(at).parents;
        if (!edits.contains(at) || parents.size() != 1)
            return QByteArray();
        at = parents.first();
    }
    return contains(at) ? at : QByteArray();
}

QVector<QByteArray> VersionGraph::reachableBases(const QVector<QByteArray> &bases,
                                                 const std::function<bool(const QByteArray &)> &hasBytes) const
{
    QVector<QByteArray> reachable;
    QSet<QByteArray> seen;
    QVector<QByteArray> queue = nodesOf(bases);
    while (!queue.isEmpty()) {
        const QByteArray node = queue.takeFirst();
        if (seen.contains(node))
            continue;
        seen.insert(node);
        const Node entry = nodes.value(node);
        QByteArray found;
        if (!entry.ids.isEmpty() && hasBytes(version(entry.ids.first()).hash))
            found = entry.ids.first();
        else if (!entry.parents.isEmpty())
            queue += entry.parents;
        if (!found.isEmpty() || entry.parents.isEmpty() || entry.ids.isEmpty()) {
            if (!reachable.contains(found))
                reachable << found;
        }
    }
    return reachable;
}
