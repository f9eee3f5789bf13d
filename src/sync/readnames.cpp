// SPDX-License-Identifier: GPL-3.0-or-later
#include "readnames.h"

#include <QPair>
#include <QSet>
#include <QString>

#include <algorithm>

namespace {

// Versions by their place in the list, so that a record of a year, with reads of
// bytes that recur thousands of times, is walked in a few passes over integers.
class ReadNaming
{
public:
    explicit ReadNaming(const QVector<Version> &versions);
    ReadNames names();

private:
    int oldestAlike(int read);
    QVector<int> candidateRoots(int read);
    bool nameAlikeTogether(const QVector<int> &reads);
    bool nameTogether(QVector<int> group);
    QVector<int> sharedPast(const QVector<int> &candidates);
    bool goesOnFrom(int read, const QVector<int> &past);
    bool sameMergeAsAny(int version, const QVector<int> &others) const;
    QVector<int> sortedParents(int version) const;
    void name(int read, int version);
    // Marks with stamp every version reached from the starts, the starts too.
    void reachBack(int start, QVector<int> &marks, int stamp) const;
    void reachForward(const QVector<int> &starts, QVector<int> &marks, int stamp) const;

    const QVector<Version> &versions;
    QVector<QVector<int>> parents;
    QVector<QVector<int>> children;
    QVector<int> alias;
    QVector<QVector<int>> proven;
    QVector<int> candidatesOf;
    // The versions alike that the last read looked at may be.
    QVector<int> lastCandidates;
    QHash<QPair<QString, QByteArray>, QVector<int>> ladlewiseAlike;
    // What each read's file held before it, by place.
    QVector<QVector<int>> cameAfter;
    QVector<int> before, after, later, passed;
    int stamp = 0;
};

ReadNaming::ReadNaming(const QVector<Version> &versions)
    : versions(versions)
    , parents(versions.size())
    , children(versions.size())
    , alias(versions.size(), -1)
    , proven(versions.size())
    , candidatesOf(versions.size(), 0)
    , cameAfter(versions.size())
    , before(versions.size(), 0)
    , after(versions.size(), 0)
    , later(versions.size(), 0)
    , passed(versions.size(), 0)
{
    QHash<QByteArray, int> index;
    for (int i = 0; i < versions.size(); ++i)
        index.insert(versions.at(i).id, i);
    for (int i = 0; i < versions.size(); ++i) {
        for (const QByteArray &parent : versions.at(i).parents) {
            const int p = index.value(parent, -1);
            if (p >= 0) {
                parents[i] << p;
                children[p] << i;
            }
        }
        for (const QByteArray &earlier : versions.at(i).cameAfter) {
            const int e = index.value(earlier, -1);
            if (e >= 0)
                cameAfter[i] << e;
        }
        if (versions.at(i).isLadlewise())
            ladlewiseAlike[{versions.at(i).file, versions.at(i).hash}] << i;
    }
}

ReadNames ReadNaming::names()
{
    QVector<int> reads;
    for (int i = 0; i < versions.size(); ++i) {
        if (!versions.at(i).isLadlewise())
            reads << i;
    }
    std::sort(reads.begin(), reads.end(), [this](int a, int b) { return versions.at(a).id < versions.at(b).id; });
    for (bool named = true; named;) {
        named = false;
        for (int read : qAsConst(reads)) {
            if (alias.at(read) >= 0)
                continue;
            const int version = oldestAlike(read);
            if (version >= 0) {
                name(read, version);
                named = true;
            } else if (proven.at(read).isEmpty()) {
                named |= goesOnFrom(read, sharedPast(lastCandidates));
            }
        }
        if (!named)
            named = nameAlikeTogether(reads);
    }
    ReadNames found;
    for (int read : qAsConst(reads)) {
        if (alias.at(read) >= 0)
            found.versionOf.insert(versions.at(read).id, versions.at(alias.at(read)).id);
        for (int parent : proven.at(read))
            found.provenParents[versions.at(read).id] << versions.at(parent).id;
    }
    return found;
}

// The newest versions every candidate went on from, where there are few enough
// candidates to walk each one's past.
QVector<int> ReadNaming::sharedPast(const QVector<int> &candidates)
{
    const int mostCandidates = 8;
    if (candidates.size() < 2 || candidates.size() > mostCandidates)
        return {};
    std::fill(candidatesOf.begin(), candidatesOf.end(), 0);
    for (int candidate : candidates) {
        ++stamp;
        reachBack(candidate, later, stamp);
        for (int i = 0; i < versions.size(); ++i)
            candidatesOf[i] += later.at(i) == stamp && !candidates.contains(i);
    }
    QVector<int> newest;
    for (int i = 0; i < versions.size(); ++i) {
        const QVector<int> &next = children.at(i);
        if (candidatesOf.at(i) == candidates.size()
                && std::none_of(next.cbegin(), next.cend(), [&](int child) {
                       return candidatesOf.at(child) == candidates.size();
                   })) {
            newest << i;
        }
    }
    return newest;
}

// True when the read gained a parent.
bool ReadNaming::goesOnFrom(int read, const QVector<int> &past)
{
    for (int parent : past) {
        if (!parents.at(read).contains(parent)) {
            proven[read] << parent;
            parents[read] << parent;
            children[parent] << read;
        }
    }
    return !proven.at(read).isEmpty();
}

int ReadNaming::oldestAlike(int read)
{
    const QVector<int> roots = candidateRoots(read);
    return roots.size() == 1 ? roots.first() : -1;
}

// The versions alike the read may be, but for those that went on from another of them.
QVector<int> ReadNaming::candidateRoots(int read)
{
    lastCandidates.clear();
    const QVector<int> alike = ladlewiseAlike.value({versions.at(read).file, versions.at(read).hash});
    if (alike.isEmpty())
        return {};
    ++stamp;
    reachBack(read, before, stamp);
    reachForward({read}, after, stamp);
    for (int earlier : cameAfter.at(read))
        reachBack(earlier, passed, stamp);
    QVector<int> candidates;
    for (int version : alike) {
        if (before.at(version) != stamp && after.at(version) != stamp && passed.at(version) != stamp
                && !sameMergeAsAny(version, candidates))
            candidates << version;
    }
    lastCandidates = candidates;
    // Those no other candidate went on to: one, where it is the oldest of a chain.
    QVector<int> next;
    for (int candidate : qAsConst(candidates))
        next += children.at(candidate);
    reachForward(next, later, stamp);
    QVector<int> roots;
    for (int candidate : qAsConst(candidates)) {
        if (later.at(candidate) != stamp)
            roots << candidate;
    }
    return roots;
}

// Where reads of the same bytes stand in each other's way, as where two machines read
// a version and later wrote those bytes themselves, they are named together: one group
// at a time, in the order of their reads, so that every machine comes to the same names.
bool ReadNaming::nameAlikeTogether(const QVector<int> &reads)
{
    QHash<QPair<QString, QByteArray>, QVector<int>> groups;
    for (int read : reads) {
        if (alias.at(read) < 0)
            groups[{versions.at(read).file, versions.at(read).hash}] << read;
    }
    for (int read : reads) {
        const QVector<int> group = groups.take({versions.at(read).file, versions.at(read).hash});
        if (group.size() > 1 && nameTogether(group))
            return true;
    }
    return false;
}

// Each read of the group is the oldest version alike or one that went on from it, where
// every other version it may be went on from a read of the group: a chain of reads,
// each one a version that went on from the one before, has a first, which can only be
// that oldest. Reads that may be some other version leave the group, one at a time.
bool ReadNaming::nameTogether(QVector<int> group)
{
    QHash<int, QVector<int>> rootsOf;
    for (int read : qAsConst(group))
        rootsOf.insert(read, candidateRoots(read));
    QSet<int> oldest;
    for (int count = 0; count != group.size();) {
        count = int(group.size());
        ++stamp;
        reachForward(group, later, stamp);
        oldest.clear();
        for (auto read = group.begin(); read != group.end();) {
            QVector<int> own = rootsOf.value(*read);
            own.erase(std::remove_if(own.begin(), own.end(), [&](int root) { return later.at(root) == stamp; }),
                      own.end());
            if (own.size() == 1)
                oldest.insert(own.first());
            read = own.size() == 1 ? read + 1 : group.erase(read);
        }
    }
    if (group.isEmpty() || oldest.size() != 1)
        return false;
    for (int read : qAsConst(group))
        name(read, *oldest.cbegin());
    return true;
}

// Machines that merged the same copies at once made the same version: one of them
// stands for all.
bool ReadNaming::sameMergeAsAny(int version, const QVector<int> &others) const
{
    const auto sameMerge = [this, version](int other) {
        return versions.at(version).kind == Version::Merged && versions.at(other).kind == Version::Merged
               && sortedParents(version) == sortedParents(other);
    };
    return std::any_of(others.cbegin(), others.cend(), sameMerge);
}

QVector<int> ReadNaming::sortedParents(int version) const
{
    QVector<int> found = parents.at(version);
    std::sort(found.begin(), found.end());
    return found;
}

// The read goes on from its version alone.
void ReadNaming::name(int read, int version)
{
    for (int parent : qAsConst(parents[read]))
        children[parent].removeAll(read);
    alias[read] = version;
    children[version] << read;
}

void ReadNaming::reachBack(int start, QVector<int> &marks, int stamp) const
{
    QVector<int> queue {start};
    marks[start] = stamp;
    while (!queue.isEmpty()) {
        const int next = queue.takeLast();
        const QVector<int> up = alias.at(next) >= 0 ? QVector<int> {alias.at(next)} : parents.at(next);
        for (int parent : up) {
            if (marks.at(parent) != stamp) {
                marks[parent] = stamp;
                queue << parent;
            }
        }
    }
}

void ReadNaming::reachForward(const QVector<int> &starts, QVector<int> &marks, int stamp) const
{
    QVector<int> queue;
    for (int start : starts) {
        if (marks.at(start) != stamp) {
            marks[start] = stamp;
            queue << start;
        }
    }
    while (!queue.isEmpty()) {
        const int next = queue.takeLast();
        for (int child : children.at(next)) {
            if (marks.at(child) != stamp) {
                marks[child] = stamp;
                queue << child;
            }
        }
    }
}

} // namespace

ReadNames namesOfReads(const QVector<Version> &versions)
{
    return ReadNaming(versions).names();
}
