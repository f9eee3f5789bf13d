#include "versionhistory.h"

#include "folderlock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <unistd.h>

namespace {

const quint32 indexMagic = 0x4c56'0004;
const int checksumSize = 20;
// Every hold of a history's lock is short, a compaction the longest.
const int historyLockWait = 2000;
// Below this, unused bytes in the versions file are not worth a rewrite.
const qint64 compactionFloor = 64 * 1024;

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

std::function<qint64()> &clockOverride()
{
    static std::function<qint64()> clock;
    return clock;
}

// Written from the start, cut to its size; on the disk itself before it returns when
// durable.
bool writeInPlace(const QString &path, const QByteArray &bytes, bool durable)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size() && file.resize(bytes.size())
           && file.flush() && (!durable || ::fdatasync(file.handle()) == 0);
}

} // namespace

VersionHistory::VersionHistory(const QString &filePath)
    : filePath(QDir::cleanPath(QFileInfo(filePath).absoluteFilePath()))
{
    const QByteArray key = sha1(this->filePath.toUtf8()).toHex();
    folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
             + QLatin1String("/ladlewise/versions/") + QString::fromLatin1(key);
}

void VersionHistory::setClock(const std::function<qint64()> &clock)
{
    clockOverride() = clock;
}

qint64 VersionHistory::now()
{
    return clockOverride() ? clockOverride()() : QDateTime::currentMSecsSinceEpoch();
}

void VersionHistory::recordSeen(const QByteArray &bytes)
{
    record(bytes, false, QByteArray());
}

void VersionHistory::recordWritten(const QByteArray &bytes, const QByteArray &previous)
{
    record(bytes, true, previous);
}

// Another window may read what this one wrote before this one records it: the
// version is then known as written all the same.
void VersionHistory::record(const QByteArray &bytes, bool overPrevious, const QByteArray &previous)
{
    const QByteArray hash = sha1(bytes);
    const QByteArray previousHash = sha1(previous);
    update([&](Index *index) {
        QVector<Entry> &entries = index->entries;
        const int count = entries.size();
        if (count > 0 && entries.last().hash == hash) {
            const bool readFirst = overPrevious && count > 1 && !entries.last().writtenOverPrevious
                                   && entries.at(count - 2).hash == previousHash;
            entries.last().writtenOverPrevious = entries.last().writtenOverPrevious || readFirst;
            return readFirst;
        }
        Entry entry;
        if (!append(index, bytes, &entry))
            return false;
        entry.writtenOverPrevious = overPrevious && count > 0 && entries.last().hash == previousHash;
        entries.append(entry);
        return true;
    });
}

// Whatever a file of this name held before is not this file's past. The empty
// version dated at the epoch is what another machine creating it too began from.
void VersionHistory::recordCreated(const QByteArray &bytes)
{
    update([&](Index *index) {
        index->entries.clear();
        Entry nothing;
        Entry created;
        if (!append(index, QByteArray(), &nothing) || !append(index, bytes, &created))
            return false;
        nothing.seen = 0;
        created.writtenOverPrevious = true;
        index->entries << nothing << created;
        return true;
    });
}

// The index is rewritten under the history's lock; change says whether there is
// anything to write.
bool VersionHistory::update(const std::function<bool(Index *)> &change, bool durable) const
{
    if (!QDir().mkpath(folder))
        return false;
    const FolderLock lock(folder, historyLockWait);
    if (!lock.isHeld())
        return false;
    Index index = readIndex();
    if (!change(&index))
        return false;
    prune(&index);
    return writeIndex(&index, durable);
}

// All versions live in one file they are appended to: a file system slows down making
// files while many were freed a moment before, as happens while a list is saved. What
// a write cut short leaves at its end is never referred to.
bool VersionHistory::append(Index *index, const QByteArray &bytes, Entry *entry) const
{
    const QByteArray hash = sha1(bytes);
    *entry = {hash, now(), 0, bytes.size(), false};
    const auto stored = std::find_if(index->entries.cbegin(), index->entries.cend(),
                                     [&hash](const Entry &other) { return other.hash == hash && other.offset >= 0; });
    if (stored != index->entries.cend()) {
        entry->offset = stored->offset;
        return true;
    }
    QFile pack(packPath(index->pack));
    if (!pack.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    entry->offset = pack.size();
    return pack.write(bytes) == bytes.size() && pack.flush();
}

// Only bytes that match the hash recorded for them count.
bool VersionHistory::readVersion(const Index &index, int i, QByteArray *bytes) const
{
    const Entry &entry = index.entries.at(i);
    QFile pack(packPath(index.pack));
    if (!pack.open(QIODevice::ReadOnly) || !pack.seek(entry.offset))
        return false;
    *bytes = pack.read(entry.size);
    return bytes->size() == entry.size && sha1(*bytes) == entry.hash;
}

bool VersionHistory::recordMerging(const QVector<QByteArray> &copyKeys, const QByteArray &result)
{
    const QByteArray resultHash = sha1(result);
    return update([&](Index *index) {
        for (const QByteArray &copyKey : copyKeys)
            index->merges.append({copyKey, resultHash, now()});
        return true;
    }, true);
}

// The merge reached the file when its result is the file, or was recorded after it:
// an older version with the same bytes says nothing of this merge.
bool VersionHistory::wasMerged(const QByteArray &copyKey, const QByteArray &fileBytes) const
{
    const FolderLock lock(folder, historyLockWait);
    if (!lock.isHeld())
        return false;
    const Index index = readIndex();
    const QByteArray fileHash = sha1(fileBytes);
    auto reached = [&index, &fileHash](const Merge &merge) {
        return merge.result == fileHash
               || std::any_of(index.entries.cbegin(), index.entries.cend(), [&merge](const Entry &entry) {
                      return entry.hash == merge.result && entry.seen >= merge.at;
                  });
    };
    return std::any_of(index.merges.cbegin(), index.merges.cend(), [&](const Merge &merge) {
        return merge.copyKey == copyKey && reached(merge);
    });
}

// Under the lock, so that the index and the versions it points at are one state.
QVector<MergeBase> VersionHistory::findBases(const QVector<MergeSide> &copies, const MergeSide &file,
                                             QVector<QByteArray> *bases) const
{
    QVector<MergeBase> found(copies.size(), MergeBase::None);
    bases->fill(QByteArray(), copies.size());
    const FolderLock lock(folder, historyLockWait);
    if (!lock.isHeld())
        return found;
    const Index index = readIndex();
    QVector<KnownVersion> known;
    known.reserve(index.entries.size());
    for (const Entry &entry : index.entries)
        known.append({entry.hash, entry.size, entry.seen, entry.writtenOverPrevious});
    auto read = [this, &index](int i, QByteArray *bytes) { return readVersion(index, i, bytes); };
    MergeBaseChooser chooser(known, read, file);
    for (int i = 0; i < copies.size(); ++i)
        found[i] = chooser.choose(copies.at(i), &(*bases)[i]);
    return found;
}

QVector<QByteArray> VersionHistory::versions() const
{
    const FolderLock lock(folder, historyLockWait);
    QVector<QByteArray> versions;
    if (!lock.isHeld())
        return versions;
    const Index index = readIndex();
    QByteArray bytes;
    for (int i = 0; i < index.entries.size(); ++i) {
        if (readVersion(index, i, &bytes))
            versions.append(bytes);
    }
    return versions;
}

namespace {

template<typename Entry>
qint64 distinctBytes(const QVector<Entry> &entries)
{
    QSet<QByteArray> counted;
    qint64 bytes = 0;
    for (const Entry &entry : entries) {
        if (!counted.contains(entry.hash)) {
            counted.insert(entry.hash);
            bytes += entry.size;
        }
    }
    return bytes;
}

} // namespace

void VersionHistory::prune(Index *index) const
{
    const qint64 monthAgo = now() - keptMilliseconds;
    QVector<Merge> &merges = index->merges;
    while (!merges.isEmpty() && (merges.first().at < monthAgo || merges.size() > maximumVersions))
        merges.removeFirst();

    QVector<Entry> &entries = index->entries;
    qint64 used = distinctBytes(entries);
    auto dropSecond = [&entries, &used] {
        const Entry dropped = entries.takeAt(1);
        entries[1].writtenOverPrevious = false;
        if (std::none_of(entries.cbegin(), entries.cend(), [&dropped](const Entry &entry) {
                return entry.hash == dropped.hash;
            })) {
            used -= dropped.size;
        }
    };
    while (entries.size() > keptVersions + 1 && entries.at(1).seen < monthAgo)
        dropSecond();
    while (entries.size() > 2 && (entries.size() > maximumVersions || used > maximumBytes))
        dropSecond();

    if (needsCompaction(*index, used))
        compactLater();
}

// When the bytes no longer referred to outweigh the rest, so that each byte is
// rewritten a few times at most.
bool VersionHistory::needsCompaction(const Index &index, qint64 used) const
{
    const qint64 unused = QFileInfo(packPath(index.pack)).size() - used;
    return unused > compactionFloor && unused > used;
}

// Out of the save that asked for it, where there is an event loop to wait for.
void VersionHistory::compactLater() const
{
    const QString path = filePath;
    if (QCoreApplication::instance())
        QTimer::singleShot(0, QCoreApplication::instance(), [path] { VersionHistory(path).compact(); });
    else
        compact();
}

// Into a new versions file, which the index then names: a stop in between leaves the
// old index and the old file.
void VersionHistory::compact() const
{
    const FolderLock lock(folder, historyLockWait);
    if (!lock.isHeld())
        return;
    Index index = readIndex();
    if (!needsCompaction(index, distinctBytes(index.entries)))
        return;
    QByteArray pack;
    QHash<QByteArray, qint64> offsets;
    QVector<Entry> kept;
    QByteArray bytes;
    for (int i = 0; i < index.entries.size(); ++i) {
        Entry entry = index.entries.at(i);
        if (!offsets.contains(entry.hash)) {
            // Kept as missing: dropping the first version would make another the oldest.
            offsets.insert(entry.hash, readVersion(index, i, &bytes) ? pack.size() : -1);
            if (offsets.value(entry.hash) >= 0)
                pack += bytes;
        }
        entry.offset = offsets.value(entry.hash);
        kept.append(entry);
    }
    const quint32 old = index.pack;
    index.pack = old + 1;
    index.entries = kept;
    if (writeInPlace(packPath(index.pack), pack, true) && writeIndex(&index, true))
        QFile::remove(packPath(old));
}

// The newer slot first: the older is read only when the newer is damaged.
VersionHistory::Index VersionHistory::readIndex() const
{
    QByteArray stored[2];
    for (int slot : {0, 1}) {
        QFile file(slotPath(slot));
        if (file.open(QIODevice::ReadOnly))
            stored[slot] = file.readAll();
    }
    const int newer = sequenceOf(stored[1]) > sequenceOf(stored[0]) ? 1 : 0;
    Index index;
    if (parseIndex(stored[newer], &index) || parseIndex(stored[1 - newer], &index))
        return index;
    return Index();
}

quint64 VersionHistory::sequenceOf(const QByteArray &slot) const
{
    QDataStream stream(slot);
    quint32 magic = 0;
    QString recordedPath;
    quint64 sequence = 0;
    stream >> magic >> recordedPath >> sequence;
    return magic == indexMagic && recordedPath == filePath ? sequence : 0;
}

// A damaged slot, or one whose writing was cut short, counts as none.
bool VersionHistory::parseIndex(const QByteArray &slot, Index *index) const
{
    const int contentSize = slot.size() - checksumSize;
    if (contentSize <= 0 || sequenceOf(slot) == 0 || sha1(slot.left(contentSize)) != slot.mid(contentSize))
        return false;
    QDataStream stream(slot.left(contentSize));
    quint32 magic = 0;
    QString recordedPath;
    *index = Index();
    stream >> magic >> recordedPath >> index->sequence >> index->pack;
    qint32 count = 0;
    stream >> count;
    for (qint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        Entry entry;
        stream >> entry.hash >> entry.seen >> entry.offset >> entry.size >> entry.writtenOverPrevious;
        index->entries.append(entry);
    }
    stream >> count;
    for (qint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        Merge merge;
        stream >> merge.copyKey >> merge.result >> merge.at;
        index->merges.append(merge);
    }
    return stream.status() == QDataStream::Ok;
}

// Into the slot that does not hold the newest index, in place: a file system slows
// down making files while many were freed a moment before, and the index changes
// with every version. The checksum at its end tells a write that was cut short.
bool VersionHistory::writeIndex(Index *index, bool durable) const
{
    ++index->sequence;
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << indexMagic << filePath << index->sequence << index->pack;
    stream << qint32(index->entries.size());
    for (const Entry &entry : qAsConst(index->entries))
        stream << entry.hash << entry.seen << entry.offset << entry.size << entry.writtenOverPrevious;
    stream << qint32(index->merges.size());
    for (const Merge &merge : qAsConst(index->merges))
        stream << merge.copyKey << merge.result << merge.at;
    bytes += sha1(bytes);
    return writeInPlace(slotPath(index->sequence), bytes, durable);
}

QString VersionHistory::slotPath(quint64 sequence) const
{
    return folder + QLatin1String(sequence % 2 ? "/index-1" : "/index-0");
}

QString VersionHistory::packPath(quint32 pack) const
{
    return folder + QLatin1String("/versions-") + QString::number(pack);
}
