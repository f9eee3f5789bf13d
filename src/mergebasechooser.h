// The base a conflict copy and its file are merged against: what both sides surely had
// before they diverged. A base that is too new makes the merge delete what one side
// added and the other never saw; one that is too old only brings a deletion back. So
// a version counts for a side only with proof: the side's own bytes, a version this
// machine wrote over one the side is known to hold, or the oldest version, and from
// there every line added since must be in the side, or the line is left out of the
// base and so kept. Clocks only ever rule versions out.
#ifndef MERGEBASECHOOSER_H
#define MERGEBASECHOOSER_H

#include <QByteArray>
#include <QVector>

#include <functional>
#include <memory>

struct MergeSide
{
    QByteArray bytes;
    qint64 written; // by its writer's clock, which sync tools keep
    qint64 arrived; // by this machine's clock: when it last changed here
};

struct KnownVersion
{
    QByteArray hash; // SHA-1 of its bytes
    qint64 size;
    qint64 seen;     // first seen here, by this machine's clock
    bool writtenOverPrevious; // this machine wrote it where the version before it stood
};

// Doubtful: the base leaves out lines that came here from another machine, which may
// have deleted them; that machine can tell, and this one had better let it merge.
enum class MergeBase { None, Doubtful, Sure };

// Chooses among versions, oldest first, the oldest the first this machine had of
// the file; readVersion(i, bytes) reads version i, false when it cannot be had. The
// versions read and their lines are kept, for all the copies of one file.
class MergeBaseChooser
{
public:
    MergeBaseChooser(const QVector<KnownVersion> &versions, const std::function<bool(int, QByteArray *)> &readVersion,
                     const MergeSide &file);
    ~MergeBaseChooser();

    // None when neither side is known to hold any version.
    MergeBase choose(const MergeSide &copy, QByteArray *base);

private:
    struct Cache;
    const QVector<KnownVersion> versions;
    std::function<bool(int, QByteArray *)> readVersion;
    std::unique_ptr<Cache> cache;
};

// Milliseconds by which a side may seem older than a version it went on from: sync
// tools keep times to the second, and clocks differ a little.
constexpr qint64 mergeClockTolerance = 2000;

#endif // MERGEBASECHOOSER_H
