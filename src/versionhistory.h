// The versions of one shared file that this machine has seen, every one it read from
// disk or wrote, in the order seen, and the conflict copies merged into it. Kept
// outside the synced folder, so that a copy a sync tool sets aside can be merged
// against what both sides had before they diverged (see MergeBaseChooser), on whichever
// machine, after a restart too.
//
// Stored as one file the versions are appended to, each checked against its hash when
// read, and an index kept in two slots written in turn, so that a stop at any point
// leaves the old history or the new one. A version that cannot be read or proven
// counts as missing, never as empty.
#ifndef VERSIONHISTORY_H
#define VERSIONHISTORY_H

#include "mergebasechooser.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

class VersionHistory
{
public:
    explicit VersionHistory(const QString &filePath);

    // Read from disk, as another program left it.
    void recordSeen(const QByteArray &bytes);
    // Written by this machine where previous stood.
    void recordWritten(const QByteArray &bytes, const QByteArray &previous);
    // Written where no file was: a new file, whose history begins from nothing.
    void recordCreated(const QByteArray &bytes);

    // Made durable before the copies are removed, so that a merge cut short is not
    // done twice: the copies, told by their keys, go into the file as result.
    bool recordMerging(const QVector<QByteArray> &copyKeys, const QByteArray &result);
    // Whether copyKey's merge reached the file, now fileBytes or later.
    bool wasMerged(const QByteArray &copyKey, const QByteArray &fileBytes) const;

    // For each copy of the file, the base it shares with the file (see MergeBaseChooser).
    QVector<MergeBase> findBases(const QVector<MergeSide> &copies, const MergeSide &file,
                                 QVector<QByteArray> *bases) const;
    QVector<QByteArray> versions() const;

    // The first version always stays, as the base of last resort; of the rest, the
    // last keptVersions, or those of the last keptMilliseconds, within the caps.
    static constexpr int keptVersions = 50;
    static constexpr qint64 keptMilliseconds = 30LL * 24 * 60 * 60 * 1000;
    static constexpr int maximumVersions = 1000;
    static constexpr qint64 maximumBytes = 64LL * 1024 * 1024;

    // Milliseconds since the epoch; tests set another clock, and nullptr restores it.
    static void setClock(const std::function<qint64()> &clock);

private:
    struct Entry
    {
        QByteArray hash;
        qint64 seen;
        qint64 offset;
        qint32 size;
        bool writtenOverPrevious;
    };
    struct Merge
    {
        QByteArray copyKey;
        QByteArray result;
        qint64 at;
    };
    struct Index
    {
        quint64 sequence = 0;
        quint32 pack = 0;
        QVector<Entry> entries;
        QVector<Merge> merges;
    };

    void record(const QByteArray &bytes, bool overPrevious, const QByteArray &previous);
    bool update(const std::function<bool(Index *)> &change, bool durable = false) const;
    bool append(Index *index, const QByteArray &bytes, Entry *entry) const;
    bool readVersion(const Index &index, int i, QByteArray *bytes) const;
    void prune(Index *index) const;
    bool needsCompaction(const Index &index, qint64 used) const;
    void compactLater() const;
    void compact() const;
    Index readIndex() const;
    quint64 sequenceOf(const QByteArray &slot) const;
    bool parseIndex(const QByteArray &slot, Index *index) const;
    bool writeIndex(Index *index, bool durable) const;
    QString slotPath(quint64 sequence) const;
    QString packPath(quint32 pack) const;
    static qint64 now();

    QString filePath;
    QString folder;
};

#endif // VERSIONHISTORY_H
