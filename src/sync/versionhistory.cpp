// SPDX-License-Identifier: GPL-3.0-or-later
#include "versionhistory.h"

#include "folderlock.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <unistd.h>

namespace {

const quint32 indexMagic = 0x4c56'0005;
const int checksumSize = 20;
// Below this, unused bytes in the versions file are not worth a rewrite.
const qint64 compactionFloor = 64 * 1024;

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// Written from the start, cut to its size, and on the disk itself before it returns.
bool writeInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size() && file.resize(bytes.size())
           && file.flush() && ::fdatasync(file.handle()) == 0;
}

} // namespace

VersionHistory::VersionHistory(const QString &storeFolder, const QString &filePath)
    : filePath(QDir::cleanPath(QFileInfo(filePath).absoluteFilePath()))
{
    folder = storeFolder + QLatin1String("/versions/")
             + QString::fromLatin1(sha1(this->filePath.toUtf8()).toHex());
}

// A version kept again moves to the end, as the newest.
bool VersionHistory::keep(const FolderLock &lock, const QByteArray &bytes)
{
    if (!lock.isHeld() || !QDir().mkpath(folder))
        return false;
    Index index = readIndex();
    const QByteArray hash = sha1(bytes);
    if (!index.entries.isEmpty() && index.entries.last().hash == hash)
        return true;
    const auto stored = std::find_if(index.entries.cbegin(), index.entries.cend(),
                                     [&hash](const Entry &entry) { return entry.hash == hash; });
    Entry entry;
    if (stored != index.entries.cend()) {
        entry = *stored;
        index.entries.remove(int(stored - index.entries.cbegin()));
    } else if (!append(&index, bytes, &entry)) {
        return false;
    }
    index.entries.append(entry);
    prune(&index);
    return writeIndex(&index);
}

// All versions live in one file they are appended to: a file system slows down making
// files while many were freed a moment before, as happens while a list is saved. What
// a write cut short leaves at its end is never referred to; bytes a stop lost fail
// their hash and count as missing, so only the index waits for the disk.
bool VersionHistory::append(Index *index, const QByteArray &bytes, Entry *entry) const
{
    QFile pack(packPath(index->pack));
    if (!pack.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    *entry = {sha1(bytes), pack.size(), qint32(bytes.size())};
    return pack.write(bytes) == bytes.size() && pack.flush();
}

bool VersionHistory::find(const QByteArray &hash, QByteArray *bytes) const
{
    const Index index = readIndex();
    return std::any_of(index.entries.cbegin(), index.entries.cend(), [&](const Entry &entry) {
        return entry.hash == hash && readVersion(index, entry, bytes);
    });
}

// Only bytes that match the hash recorded for them count.
bool VersionHistory::readVersion(const Index &index, const Entry &entry, QByteArray *bytes) const
{
    QFile pack(packPath(index.pack));
    if (!pack.open(QIODevice::ReadOnly) || !pack.seek(entry.offset))
        return false;
    *bytes = pack.read(entry.size);
    return bytes->size() == entry.size && sha1(*bytes) == entry.hash;
}

QVector<QByteArray> VersionHistory::versions() const
{
    const Index index = readIndex();
    QVector<QByteArray> versions;
    QByteArray bytes;
    for (const Entry &entry : index.entries) {
        if (readVersion(index, entry, &bytes))
            versions.append(bytes);
    }
    return versions;
}

qint64 VersionHistory::usedBytes(const QVector<Entry> &entries)
{
    qint64 bytes = 0;
    for (const Entry &entry : entries)
        bytes += entry.size;
    return bytes;
}

void VersionHistory::prune(Index *index) const
{
    QVector<Entry> &entries = index->entries;
    qint64 used = usedBytes(entries);
    while (entries.size() > 1 && (entries.size() > keptVersions || used > maximumBytes))
        used -= entries.takeFirst().size;
}

// When the bytes no longer referred to outweigh the rest, so that each byte is
// rewritten a few times at most.
bool VersionHistory::needsCompaction(const Index &index) const
{
    const qint64 used = usedBytes(index.entries);
    const qint64 unused = QFileInfo(packPath(index.pack)).size() - used;
    return unused > compactionFloor && unused > used;
}

// Into a new versions file, which the index then names: a stop in between leaves the
// old index and the old file. Versions that cannot be read are dropped.
void VersionHistory::compact(const FolderLock &lock) const
{
    if (!lock.isHeld())
        return;
    Index index = readIndex();
    if (!needsCompaction(index))
        return;
    QByteArray pack;
    QVector<Entry> kept;
    QByteArray bytes;
    for (const Entry &entry : qAsConst(index.entries)) {
        if (readVersion(index, entry, &bytes)) {
            kept.append({entry.hash, pack.size(), entry.size});
            pack += bytes;
        }
    }
    const quint32 old = index.pack;
    index.pack = old + 1;
    index.entries = kept;
    if (writeInPlace(packPath(index.pack), pack) && writeIndex(&index))
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
        stream >> entry.hash >> entry.offset >> entry.size;
        index->entries.append(entry);
    }
    return stream.status() == QDataStream::Ok;
}

// Into the slot that does not hold the newest index, in place: a file system slows
// down making files while many were freed a moment before, and the index changes
// with every version. The checksum at its end tells a write that was cut short.
bool VersionHistory::writeIndex(Index *index) const
{
    ++index->sequence;
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << indexMagic << filePath << index->sequence << index->pack;
    stream << qint32(index->entries.size());
    for (const Entry &entry : qAsConst(index->entries))
        stream << entry.hash << entry.offset << entry.size;
    bytes += sha1(bytes);
    return writeInPlace(slotPath(index->sequence), bytes);
}

QString VersionHistory::slotPath(quint64 sequence) const
{
    return folder + QLatin1String(sequence % 2 ? "/index-1" : "/index-0");
}

QString VersionHistory::packPath(quint32 pack) const
{
    return folder + QLatin1String("/versions-") + QString::number(pack);
}
