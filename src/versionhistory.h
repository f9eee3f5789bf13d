// The versions of one shared file that this machine has seen, every one it read from
// disk or wrote, in the order seen, and the conflict copies already merged into it.
// Kept outside the synced folder, so that a copy a sync tool sets aside can be merged
// against what both sides had before they diverged, on whichever machine, after a
// restart too. A few dozen versions are kept, a month's worth at most.
#ifndef VERSIONHISTORY_H
#define VERSIONHISTORY_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

class VersionHistory
{
public:
    struct Version
    {
        QByteArray bytes;
        qint64 seen; // first seen, in milliseconds since the epoch
    };
    // A version on disk with the time its writer gave it; sync tools keep that time.
    struct Written
    {
        QByteArray bytes;
        qint64 modified;
    };

    explicit VersionHistory(const QString &filePath);

    void recordSeen(const QByteArray &bytes);
    // The file was not there: what a file created later began from.
    void recordMissing();
    void recordMerged(const QByteArray &copy);
    bool wasMerged(const QByteArray &copy) const;
    QVector<Version> versions() const;

    // The newest of versions, oldest first, that both copy and file plausibly descend
    // from, or -1 when none does.
    static int chooseBase(const QVector<Version> &versions, const Written &copy, const Written &file);
    // The same choice among the versions recorded, which are read only as needed.
    bool findBase(const Written &copy, const Written &file, QByteArray *base) const;

    static constexpr int keptVersions = 50;
    static constexpr qint64 keptMilliseconds = 30LL * 24 * 60 * 60 * 1000;

private:
    // A version seen, or a copy merged; a version's bytes stand in the pack file.
    struct Entry
    {
        QByteArray hash;
        qint64 seen;
        qint64 offset;
        qint32 size;
    };
    struct Index
    {
        QVector<Entry> seen;
        QVector<Entry> merged;
    };

    void record(const QByteArray &bytes, qint64 seen);
    void update(const std::function<bool(Index *)> &change) const;
    bool appendToPack(const QByteArray &bytes, qint64 *offset) const;
    QByteArray readVersion(const Entry &entry) const;
    void rewritePack(Index *index) const;
    Index readIndex() const;
    bool writeIndex(const Index &index) const;
    void prune(Index *index) const;
    QString indexPath() const;
    QString packPath() const;

    QString filePath;
    QString folder;
};

#endif // VERSIONHISTORY_H
