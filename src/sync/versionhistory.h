// SPDX-License-Identifier: GPL-3.0-or-later
// This machine's own store of the versions of one shared file that it wrote or read,
// found by the hash of their bytes: the bases merges need, kept outside the synced
// folder so that they are at hand whatever the sync tool does.
//
// Stored as one file the versions are appended to, each checked against its hash when
// read, and an index kept in two slots written in turn, each on the disk before the
// next is begun, so that a stop at any point leaves the old index or the new one. A
// version that cannot be read or proven counts as missing, never as empty. Every
// change happens under the data folder's lock, which the caller holds.
#ifndef VERSIONHISTORY_H
#define VERSIONHISTORY_H

#include <QByteArray>
#include <QString>
#include <QVector>

class FolderLock;

class VersionHistory
{
public:
    VersionHistory(const QString &storeFolder, const QString &filePath);

    bool keep(const FolderLock &lock, const QByteArray &bytes);
    bool find(const QByteArray &hash, QByteArray *bytes) const;
    QVector<QByteArray> versions() const;
    // Out of a save: the versions file rewritten without what the index no longer
    // names, once that outweighs the rest.
    void compact(const FolderLock &lock) const;

    // The last keptVersions, within maximumBytes.
    static constexpr int keptVersions = 1000;
    static constexpr qint64 maximumBytes = 64LL * 1024 * 1024;

private:
    struct Entry
    {
        QByteArray hash;
        qint64 offset;
        qint32 size;
    };
    struct Index
    {
        quint64 sequence = 0;
        quint32 pack = 0;
        QVector<Entry> entries;
    };

    static qint64 usedBytes(const QVector<Entry> &entries);
    bool append(Index *index, const QByteArray &bytes, Entry *entry) const;
    bool readVersion(const Index &index, const Entry &entry, QByteArray *bytes) const;
    void prune(Index *index) const;
    bool needsCompaction(const Index &index) const;
    Index readIndex() const;
    quint64 sequenceOf(const QByteArray &slot) const;
    bool parseIndex(const QByteArray &slot, Index *index) const;
    bool writeIndex(Index *index) const;
    QString slotPath(quint64 sequence) const;
    QString packPath(quint32 pack) const;

    QString filePath;
    QString folder;
};

#endif // VERSIONHISTORY_H
