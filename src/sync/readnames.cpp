// SPDX-License-Identifier: GPL-3.0-or-later
#include "readnames.h"

#include <QPair>
#include <QString>

#include <algorithm>

namespace {

// Versions by their place in the list, so that a record of a year, with reads of
// bytes that recur thousands of times, is walked in a few passes over integers.
class ReadNaming
{
public:
    explicit ReadNaming(const QVector<Version> &versions);
    QHash<QByteArray, QByteArray> names();

private:
    int oldestAlike(int read);
    void name(int read, int version);
    // Marks with stamp every version reached from the starts, the starts too.
    void reachBack(int start, QVector<int> &marks, int stamp) const;
    void reachForward(const QVector<int> &starts, QVector<int> &marks, int stamp) const;

    const QVector<Version> &versions;
    QVector<QVector<int>> parents;
    QVector<QVector<int>> children;
    QVector<int> alias;
    QHash<QPair<QString, QByteArray>, QVector<int>> ladlewiseAlike;
    QVector<int> before, after, later;
    int stamp = 0;
};

ReadNaming::ReadNaming(const QVector<Version> &versions)
    : versions(versions)
    , parents(versions.size())
    , children(versions.size())
    , alias(versions.size(), -1)
    , before(versions.size(), 0)
    , after(versions.size(), 0)
    , later(versions.size(), 0)
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
        if (versions.at(i).isLadlewise())
            ladlewiseAlike[{versions.at(i).file, versions.at(i).hash}] << i;
    }
}

QHash<QByteArray, QByteArray> ReadNaming::names()
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
            const int version = alias.at(read) < 0 ? oldestAlike(read) : -1;
            if (version >= 0) {
                name(read, version);
                named = true;
            }
        }
    }
    QHash<QByteArray, QByteArray> found;
    for (int read : qAsConst(reads)) {
        if (alias.at(read) >= 0)
            found.insert(versions.at(read).id, versions.at(alias.at(read)).id);
    }
    return found;
}

int ReadNaming::oldestAlike(int read)
{
    const QVector<int> alike = ladlewiseAlike.value({versions.at(read).file, versions.at(read).hash});
    if (alike.isEmpty())
        return -1;
    ++stamp;
    reachBack(read, before, stamp);
    reachForward({read}, after, stamp);
    QVector<int> candidates;
    for (int version : alike) {
        if (before.at(version) != stamp && after.at(version) != stamp)
            candidates << version;
    }
    // Those no other candidate went on to: one, where it is the oldest of a chain.
    QVector<int> next;
    for (int candidate : qAsConst(candidates))
        next += children.at(candidate);
    reachForward(next, later, stamp);
    int oldest = -1;
    for (int candidate : qAsConst(candidates)) {
        if (later.at(candidate) == stamp)
            continue;
        if (oldest >= 0)
            return -1;
        oldest = candidate;
    }
    return oldest;
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

QHash<QByteArray, QByteArray> namesOfReads(const QVector<Version> &versions)
{
    return ReadNaming(versions).names();
}
