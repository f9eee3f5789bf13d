// SPDX-License-Identifier: GPL-3.0-or-later
// The record of versions that travels with the files: in the data folder's "versions"
// folder, one file per Ladlewise installation, written by that installation alone and
// only ever appended to (or rewritten whole when it grows large), so that a sync tool
// carries it to the other machines like any file and never makes a conflict copy of
// it. Each version a window writes is recorded with the versions it replaced, and a
// version another program left is recorded when a window writes over it. Together the
// records make the VersionGraph that merges take their base from.
//
// A line of a record:
//   v <counter> <w|r|m> <file> <SHA-1> <parents or -> [<time read>] <check>
//   b <SHA-1> <bytes, compressed, in base64> <check>
//   a <writer> <check>
// where the check is the start of the line's own SHA-1. An "a" line names an earlier
// name of the same installation, whose store was lost while a window ran: everything
// the record holds came after all that writer wrote. A record that is cut short,
// damaged, too large or not Ladlewise's counts as absent: its versions are unproven,
// and merges keep the lines they cannot account for.
//
// The bytes of versions are kept in this machine's own store (VersionHistory) and, for
// the versions merges are likely to need, in the record, so that a new or reinstalled
// machine merges exactly too.
#ifndef VERSIONRECORD_H
#define VERSIONRECORD_H

#include "versiongraph.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>

#include <functional>

class FolderLock;

class VersionRecord
{
public:
    // dataFolder holds the shared files; storeFolder is this machine's own, which
    // holds the installation's name and the store of versions.
    VersionRecord(const QString &dataFolder, const QString &storeFolder);

    QString dataFolder() const { return data; }
    // Where a new installation's name comes from: the system's random numbers, unless
    // a test gives names it can replay.
    void setNameSource(const std::function<quint64()> &source) { nameSource = source; }
    // Milliseconds since the epoch, for the time a read is recorded at.
    void setClock(const std::function<qint64()> &clock) { now = clock; }
    QString recordFolder() const { return data + QLatin1String("/versions"); }
    // The path of a file relative to the data folder, which names it in the records.
    QString fileKey(const QString &path) const;

    // Under the data folder's lock. The new version's id, or an empty one when it could
    // not be recorded (it then counts as another program's).
    QByteArray add(const FolderLock &lock, const QString &path, const QByteArray &bytes,
                   const QVector<QByteArray> &parents, Version::Kind kind, const QVector<QByteArray> &cameAfter = {});
    // Bytes kept in this machine's store only: those a write replaced, which merges
    // may need as their base.
    void keep(const FolderLock &lock, const QString &path, const QByteArray &bytes);
    // The version this object last recorded of a file, when it has these bytes: what
    // another SyncedFile of this window, a merge, wrote last.
    QByteArray lastAdded(const QString &fileKey, const QByteArray &hash) const;
    Version lastAdded(const QString &fileKey) const { return added.value(fileKey); }
    // This installation's writer name, or an empty one before its first version.
    QByteArray writer() const;

    VersionGraph graph() const;
    // This installation's recent versions of a file that no later one of its own went
    // on from and that nothing is yet known to have gone on from: its latest, and any
    // the sync tool may have dropped. Newest first.
    QVector<Version> ownHeads(const QString &fileKey) const;
    // Other installations' versions of the files under prefix that no version of any
    // record names as replaced, of the records consider lets through.
    QVector<Version> othersHeads(const QString &prefix,
                                 const std::function<bool(const QString &recordPath)> &consider) const;
    // The names taken after writer by its installation: while this object lived, or as
    // the records tell. All that was written under them came later.
    QSet<QByteArray> namesAfter(const QByteArray &writer) const;
    // Another version went on from this one: it is no head again.
    void markContinued(const QByteArray &id) const { continued.insert(id); }
    // The files under prefix that this installation wrote last, newest first.
    QStringList recentlyWritten(const QString &prefix, int count) const;
    // Of each file, the versions looked at for a drop.
    static constexpr int recentOwnVersions = 50;
    QString recordPath(const QByteArray &writer) const;
    QString ownRecordPath() const { return recordPath(writer()); }
    bool bytesOf(const QString &path, const QByteArray &hash, QByteArray *bytes) const;

    // Out of a save, under the lock: the bytes of the versions merges may need put into
    // the record, and the record and the store made small again where they have grown.
    void maintain(const FolderLock &lock);

    // A record holds at most this many versions and bytes; a rewrite keeps what the
    // other installations' latest versions still need, and no more than the caps.
    static constexpr int maximumVersions = 50000;
    static constexpr qint64 maximumSize = 32LL * 1024 * 1024;
    static constexpr int compactAtVersions = 20000;
    static constexpr qint64 compactAtSize = 8LL * 1024 * 1024;
    static constexpr int keptPerFile = 1000;
    static constexpr qint64 keptBytes = 4LL * 1024 * 1024;
    static constexpr int bytesPerFile = 4;

    struct Parsed
    {
        QByteArray writer;
        QVector<Version> versions;
        QHash<QByteArray, QByteArray> bytes; // by SHA-1, still encoded
        QVector<QByteArray> after;           // earlier names of the installation
        bool valid = false;
    };
    static Parsed parse(const QByteArray &record, const QByteArray &writer);
    static QByteArray versionLine(quint64 counter, const Version &version);
    static QByteArray bytesLine(const QByteArray &hash, const QByteArray &bytes);
    static QByteArray earlierNameLine(const QByteArray &name);

private:
    struct Loaded
    {
        qint64 size = -1;
        QDateTime modified;
        Parsed parsed;
    };
    QByteArray ownWriter(quint64 *nextCounter);
    QByteArray newWriter();
    bool append(const QByteArray &writer, const QByteArray &lines);
    QHash<QString, Parsed> records(QByteArray *state = nullptr) const;
    static QHash<QByteArray, QString> bytesWanted(const Parsed &own, const VersionGraph &graph);
    void addMissingBytes(const QByteArray &writer, const Parsed &own, const VersionGraph &graph);
    void compact(const QByteArray &writer, const Parsed &own, const VersionGraph &graph);
    QString idPath() const { return store + QLatin1String("/installation"); }

    QByteArray ownRecordsState() const;
    QByteArray earlierNamesLines(const QByteArray &name) const;
    void loadOwnVersions() const;
    void rememberOwn(const Version &version) const;

    QString data;
    QString store;
    std::function<quint64()> nameSource;
    std::function<qint64()> now = [] { return QDateTime::currentMSecsSinceEpoch(); };
    mutable QHash<QString, Loaded> loaded;
    mutable QByteArray graphState;
    mutable VersionGraph cachedGraph;
    // Kept up to date by add(), so that a look after each save reads no record.
    mutable QVector<QByteArray> ownNames;
    mutable QByteArray ownState;
    mutable QHash<QString, QVector<Version>> ownVersions;
    mutable QSet<QByteArray> continued;
    QHash<QString, Version> added;
};

#endif // VERSIONRECORD_H
