// SPDX-License-Identifier: GPL-3.0-or-later
// The versions of the shared files that Ladlewise installations wrote or read, each
// named by its writer and a counter and linked to the versions it replaced, as the
// installations' records tell (see VersionRecord). A merge takes its base from here:
// the newest versions both sides are proven to descend from, as git's merge-base
// finds them. A file's bytes name no version, so a side is known by the versions
// whose bytes hash alike; where that leaves a doubt, the base is one every candidate
// descends from, which can only make a merge keep more.
#ifndef VERSIONGRAPH_H
#define VERSIONGRAPH_H

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>

#include <functional>

struct Version
{
    // Read: as another program left it. Merged: the merge of its parents, nothing more.
    enum Kind { Written, Read, Merged };

    QByteArray id;               // "<writer>:<counter>"
    QString file;                // the file's path in the data folder
    QByteArray hash;             // SHA-1 of its bytes
    QVector<QByteArray> parents; // the versions it replaced; none for a new file
    Kind kind = Written;
    qint64 readAt = 0;           // a read's time by its reader's clock
    // A read's: what its reader's file held before it, which the read did not go on
    // from (the sync tool set it aside). The read is none of those nor of their past:
    // a file's bytes never go back to a version it went on from but as a new one.
    QVector<QByteArray> cameAfter;

    bool isLadlewise() const { return kind != Read; }
};

struct MergePlan
{
    // Unproven: a side no record names. AlreadyMerged: the copy is an ancestor of the
    // file. Merge: against the bases (see mergeBaseParts); an empty id is the empty
    // version, which every file began from.
    enum Kind { Unproven, AlreadyMerged, Merge };
    Kind kind = Unproven;
    QVector<QByteArray> bases;
    // Versions since the bases where the two sides came to the same bytes.
    QVector<QByteArray> meetings;
    // What the merged text replaces: the versions each side may be, which hold the
    // same bytes and so are one.
    QVector<QByteArray> parents;
    // The file went on from a version another program left since the bases: what it
    // lacks of them may have been deleted there, or never have reached it.
    bool foreignSince = false;
};

class VersionGraph
{
public:
    VersionGraph() = default;
    explicit VersionGraph(const QVector<Version> &versions);

    bool contains(const QByteArray &id) const { return index.contains(id); }
    const Version &version(const QByteArray &id) const { return versions.at(index.value(id)); }
    QVector<Version> all() const { return versions; }

    // Every version of file with these bytes.
    QVector<QByteArray> withHash(const QString &file, const QByteArray &hash) const;
    // The versions a file holding these bytes holds: of those with the bytes, the ones
    // nothing went on from yet.
    QVector<QByteArray> identify(const QString &file, const QByteArray &hash) const;
    // The versions a text with these bytes stands for, of versions: those nothing went
    // on from yet, where there are any, as a file holds what was last written to it.
    QVector<QByteArray> sideOf(const QVector<QByteArray> &versions) const { return idsOf(newestOf(nodesOf(versions))); }
    // Of versions, those a file may hold that held replaced: none of its past, since a
    // file's bytes never go back to a version it went on from but as a new one.
    QVector<QByteArray> notBefore(const QVector<QByteArray> &versions, const QByteArray &replaced) const;
    // later is earlier, or went on from it.
    bool descendsFrom(const QByteArray &later, const QByteArray &earlier) const;
    // The versions id went on from, one for each version however many name it.
    QVector<QByteArray> parentsOf(const QByteArray &id) const { return idsOf(nodes.value(nodeOf(id)).parents); }
    bool sameVersion(const QByteArray &a, const QByteArray &b) const { return nodeOf(a) == nodeOf(b); }
    // The versions ids are or went on from, named as parentsOf names them.
    QSet<QByteArray> pastOf(const QVector<QByteArray> &ids) const;
    // How many versions both a and b are or went on from: the more, the later the
    // two parted.
    int sharedPast(const QVector<QByteArray> &a, const QVector<QByteArray> &b) const;
    // Whether no version went on from id.
    bool isHead(const QByteArray &id) const { return nodes.value(nodeOf(id)).children.isEmpty(); }

    // mergedSoFar: the versions of copies merged into the file's text before this one,
    // whose past the text holds too.
    MergePlan plan(const QVector<QByteArray> &file, const QVector<QByteArray> &copy,
                   const QVector<QVector<QByteArray>> &mergedSoFar = {}) const;
    // As plan, for a version a record names rather than bytes on disk: one others went
    // on from is that version all the same, not a new one alike.
    MergePlan planFrom(const QByteArray &version, const QVector<QByteArray> &copy) const;
    // The newest versions that next and one of merged went on from: the base for
    // merging next into the merge of merged, as git finds it for a merge commit.
    QVector<QByteArray> newestCommon(const QVector<QByteArray> &merged, const QByteArray &next) const;
    // What merging next into the merge of merged went against: the newest common
    // versions and where the two came to the same bytes since (see MergePlan::meetings).
    // None where they have no version in common: the empty one is the base then.
    QVector<QByteArray> mergedAgainst(const QVector<QByteArray> &merged, const QByteArray &next) const;
    // The edits that the writer of versions saved after all of them, in the past of
    // side, by the writer's own count, which no clock sets, or under laterNames, which
    // it took after: what such an edit deleted was deleted after versions were written,
    // though side never went on from them.
    QVector<QByteArray> editsAfter(const QVector<QByteArray> &versions, const QVector<QByteArray> &side,
                                   const QSet<QByteArray> &laterNames) const;
    // Whether the past of any of versions holds bytes read less than wait ago that no
    // record names yet: the record of their writer may be on its way. A wrong clock
    // only makes a merge wait longer or shorter, never take a wrong base.
    bool awaitsRecord(const QVector<QByteArray> &versions, qint64 now, qint64 wait) const;
    // Bases whose bytes cannot be had give way to the newest of their ancestors that
    // can: an older base only keeps more.
    QVector<QByteArray> reachableBases(const QVector<QByteArray> &bases,
                                       const std::function<bool(const QByteArray &hash)> &hasBytes) const;

    // version, or where its bytes cannot be had and it is one of edits with one parent,
    // the nearest before it along such edits whose bytes can: what was deleted on the
    // way, those edits deleted. An empty id where there is none.
    QByteArray readableThrough(const QByteArray &version, const QVector<QByteArray> &edits,
                               const std::function<bool(const QByteArray &hash)> &hasBytes) const;

    static QByteArray writerOf(const QByteArray &id) { return id.left(id.indexOf(':')); }
    static quint64 counterOf(const QByteArray &id) { return id.mid(id.indexOf(':') + 1).toULongLong(); }

private:
    // Merges with the same bytes and the same parents are one: two machines that merged
    // the same copy at once made the same version.
    struct Node
    {
        QVector<QByteArray> parents;
        QVector<QByteArray> children;
        QVector<QByteArray> ids;
    };
    void classify();
    QVector<QByteArray> judgedBefore(const Version &saved, const QHash<QByteArray, QByteArray> &aliases) const;
    MergePlan plan(const QVector<QByteArray> &fileNodes, const QVector<QByteArray> &copyNodes,
                   const QVector<QVector<QByteArray>> &mergedSoFar, bool fileKnown) const;
    QByteArray nodeOf(const QByteArray &id) const { return nodeKeys.value(id, "?" + id); }
    QSet<QByteArray> ancestry(const QByteArray &node) const;
    QSet<QByteArray> ancestry(const QVector<QByteArray> &nodeKeys) const;
    QVector<QByteArray> meetings(const QSet<QByteArray> &fileSide, const QSet<QByteArray> &copySide,
                                 const QVector<QByteArray> &bases, const QSet<QByteArray> &common) const;
    bool readSince(const QSet<QByteArray> &side, const QVector<QByteArray> &bases) const;
    QVector<QByteArray> nodesOf(const QVector<QByteArray> &ids) const;
    bool isLadlewise(const QByteArray &node) const;
    bool mergedInto(const QByteArray &node) const;
    bool mergedAlikeBySeveral(const QVector<QByteArray> &nodeKeys) const;
    QVector<QByteArray> newest(const QSet<QByteArray> &closed) const;
    bool takenIn(const QByteArray &node, const QSet<QByteArray> &past) const;
    QVector<QByteArray> newestOf(const QVector<QByteArray> &candidates) const;
    QVector<QByteArray> idsOf(const QVector<QByteArray> &nodes) const;

    QVector<Version> versions;
    QHash<QByteArray, int> index;
    QHash<QByteArray, QByteArray> nodeKeys;
    QHash<QByteArray, Node> nodes;
    QMultiHash<QByteArray, int> byHash;
};

#endif // VERSIONGRAPH_H
