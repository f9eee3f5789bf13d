#include "versionhistory.h"

#include "folderlock.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <string_view>
#include <vector>

namespace {

const quint32 indexMagic = 0x4c56'0003;
const int checksumSize = 20;

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// Renamed into place, so that a crash leaves the old file or the new one. Not synced
// to disk: a record lost with a power cut only means an older base, or none.
bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    const QString temporary = path + QLatin1String(".new");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return false;
    file.close();
    return std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0;
}

// A version's lines as a sorted list of their hashes, repeats kept: enough to tell
// which lines a step added or removed, and cheap for long lists.
using Lines = std::vector<std::size_t>;

// Sorted by their bits, eleven at a time: a merge sorts a long list several times.
void radixSort(Lines *lines)
{
    const int digitBits = 11;
    Lines sorted(lines->size());
    for (int shift = 0; shift < 64; shift += digitBits) {
        std::vector<std::size_t> starts((1 << digitBits) + 1, 0);
        for (std::size_t line : *lines)
            ++starts[((line >> shift) & ((1 << digitBits) - 1)) + 1];
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        for (std::size_t line : *lines)
            sorted[starts[(line >> shift) & ((1 << digitBits) - 1)]++] = line;
        lines->swap(sorted);
    }
}

Lines sortedLines(const QByteArray &bytes)
{
    Lines lines;
    lines.reserve(bytes.count('\n') + 1);
    const std::hash<std::string_view> hash;
    int start = 0;
    for (int end; (end = bytes.indexOf('\n', start)) >= 0; start = end + 1)
        lines.push_back(hash(std::string_view(bytes.constData() + start, end - start)));
    lines.push_back(hash(std::string_view(bytes.constData() + start, bytes.size() - start)));
    radixSort(&lines);
    return lines;
}

// How many times line stands in lines from at on, moving at past them; the lines
// before it must be smaller.
int take(const Lines &lines, std::size_t *at, std::size_t line)
{
    while (*at < lines.size() && lines[*at] < line)
        ++*at;
    const std::size_t first = *at;
    while (*at < lines.size() && lines[*at] == line)
        ++*at;
    return int(*at - first);
}

// True when x took on the step from before to after: it holds more than half of the
// lines the step added and lacks more than half of those it removed. Not all: the
// side that went on from after may have changed some of them since.
bool reflectsStep(const Lines &x, const Lines &before, const Lines &after)
{
    int added = 0, addedKept = 0, removed = 0, removedGone = 0;
    std::size_t inBefore = 0, inAfter = 0, inX = 0;
    while (inBefore < before.size() || inAfter < after.size()) {
        const std::size_t line = inAfter == after.size() ? before[inBefore]
                                 : inBefore == before.size() ? after[inAfter]
                                 : qMin(before[inBefore], after[inAfter]);
        const int was = take(before, &inBefore, line);
        const int became = take(after, &inAfter, line);
        if (was == became)
            continue;
        const int now = take(x, &inX, line);
        if (became > was) {
            added += became - was;
            addedKept += qBound(0, now - was, became - was);
        } else {
            removed += was - became;
            removedGone += qBound(0, was - now, was - became);
        }
    }
    return (added == 0 || 2 * addedKept > added) && (removed == 0 || 2 * removedGone > removed);
}

// Sync tools keep a file's time only to the second, and clocks differ a little.
const qint64 clockTolerance = 2000;

} // namespace

VersionHistory::VersionHistory(const QString &filePath)
    : filePath(QFileInfo(filePath).absoluteFilePath())
{
    const QByteArray key = sha1(this->filePath.toUtf8()).toHex();
    folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
             + QLatin1String("/ladlewise/versions/") + QString::fromLatin1(key);
}

void VersionHistory::recordSeen(const QByteArray &bytes)
{
    record(bytes, QDateTime::currentMSecsSinceEpoch());
}

// As an empty version older than any other, since whatever the file held later came
// after it.
void VersionHistory::recordMissing()
{
    record(QByteArray(), 0);
}

void VersionHistory::record(const QByteArray &bytes, qint64 seen)
{
    const QByteArray hash = sha1(bytes);
    update([&](Index *index) {
        if (!index->seen.isEmpty() && index->seen.last().hash == hash)
            return false;
        Entry entry {hash, seen, 0, bytes.size()};
        const auto stored = std::find_if(index->seen.cbegin(), index->seen.cend(),
                                         [&hash](const Entry &other) { return other.hash == hash; });
        if (stored != index->seen.cend())
            entry.offset = stored->offset;
        else if (!appendToPack(bytes, &entry.offset))
            return false;
        index->seen.append(entry);
        return true;
    });
}

// Changes the index under the lock; change says whether there is anything to write.
void VersionHistory::update(const std::function<bool(Index *)> &change) const
{
    if (!QDir().mkpath(folder))
        return;
    const FolderLock lock(folder);
    Index index = readIndex();
    if (!change(&index))
        return;
    prune(&index);
    writeIndex(index);
}

// All versions live in one file they are appended to: a file system slows down making
// files while many were freed a moment before, as happens while a list is saved.
// What a write cut short leaves at the end is never referred to.
bool VersionHistory::appendToPack(const QByteArray &bytes, qint64 *offset) const
{
    QFile pack(packPath());
    if (!pack.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    *offset = pack.size();
    return pack.write(bytes) == bytes.size() && pack.flush();
}

QByteArray VersionHistory::readVersion(const Entry &entry) const
{
    QFile pack(packPath());
    if (!pack.open(QIODevice::ReadOnly) || !pack.seek(entry.offset))
        return QByteArray("");
    const QByteArray bytes = pack.read(entry.size);
    return bytes.size() == entry.size ? bytes : QByteArray("");
}

void VersionHistory::recordMerged(const QByteArray &copy)
{
    const Entry merged {sha1(copy), QDateTime::currentMSecsSinceEpoch(), 0, 0};
    update([&merged](Index *index) {
        index->merged.append(merged);
        return true;
    });
}

bool VersionHistory::wasMerged(const QByteArray &copy) const
{
    const QByteArray hash = sha1(copy);
    const Index index = readIndex();
    return std::any_of(index.merged.cbegin(), index.merged.cend(),
                       [&hash](const Entry &entry) { return entry.hash == hash; });
}

QVector<VersionHistory::Version> VersionHistory::versions() const
{
    QVector<Version> versions;
    for (const Entry &entry : readIndex().seen)
        versions.append({readVersion(entry), entry.seen});
    return versions;
}

namespace {

struct Seen
{
    QByteArray hash;
    qint64 seen;
};

// A version is a plausible ancestor of a file when the file holds it, or was written
// after this machine first saw it and took on the step that led to it. The versions'
// bytes are asked for only where their steps must be compared, newest first.
int chooseBaseOf(const QVector<Seen> &seen, const std::function<QByteArray(int)> &bytesOf,
                 const VersionHistory::Written &copy, const VersionHistory::Written &file)
{
    QVector<QByteArray> bytes(seen.size());
    std::vector<Lines> sorted(seen.size());
    auto bytesAt = [&](int i) -> const QByteArray & {
        if (bytes.at(i).isNull())
            bytes[i] = bytesOf(i);
        return bytes.at(i);
    };
    auto linesOf = [&](int i) -> const Lines & {
        if (sorted[i].empty())
            sorted[i] = sortedLines(bytesAt(i));
        return sorted[i];
    };
    const Lines copyLines = sortedLines(copy.bytes);
    const Lines fileLines = sortedLines(file.bytes);
    const QByteArray copyHash = sha1(copy.bytes);
    const QByteArray fileHash = sha1(file.bytes);
    auto descends = [&](const VersionHistory::Written &x, const QByteArray &xHash, const Lines &xLines, int i) {
        if (xHash == seen.at(i).hash)
            return true;
        if (x.modified + clockTolerance < seen.at(i).seen)
            return false;
        return i == 0 || reflectsStep(xLines, linesOf(i - 1), linesOf(i));
    };
    for (int i = seen.size() - 1; i >= 0; --i) {
        if (descends(copy, copyHash, copyLines, i) && descends(file, fileHash, fileLines, i))
            return i;
    }
    return -1;
}

} // namespace

int VersionHistory::chooseBase(const QVector<Version> &versions, const Written &copy, const Written &file)
{
    QVector<Seen> seen;
    for (const Version &version : versions)
        seen.append({sha1(version.bytes), version.seen});
    return chooseBaseOf(seen, [&versions](int i) { return versions.at(i).bytes; }, copy, file);
}

bool VersionHistory::findBase(const Written &copy, const Written &file, QByteArray *base) const
{
    const Index index = readIndex();
    QVector<Seen> seen;
    for (const Entry &entry : index.seen)
        seen.append({entry.hash, entry.seen});
    auto bytesOf = [this, &index](int i) { return readVersion(index.seen.at(i)); };
    const int chosen = chooseBaseOf(seen, bytesOf, copy, file);
    if (chosen >= 0)
        *base = bytesOf(chosen);
    return chosen >= 0;
}

// Everything of the last month stays, and at least the last few dozen versions.
void VersionHistory::prune(Index *index) const
{
    const qint64 oldest = QDateTime::currentMSecsSinceEpoch() - keptMilliseconds;
    auto pruneEntries = [oldest](QVector<Entry> *entries) {
        int dropped = 0;
        while (dropped < entries->size() - keptVersions && entries->at(dropped).seen < oldest)
            ++dropped;
        entries->remove(0, dropped);
        return dropped > 0;
    };
    pruneEntries(&index->merged);
    if (pruneEntries(&index->seen))
        rewritePack(index);
}

// Keeps only the versions still referred to; rare, as a version stays a month.
void VersionHistory::rewritePack(Index *index) const
{
    QByteArray pack;
    QVector<Entry> seen = index->seen;
    QHash<QByteArray, qint64> offsets;
    for (Entry &entry : seen) {
        if (!offsets.contains(entry.hash)) {
            offsets.insert(entry.hash, pack.size());
            pack += readVersion(entry);
        }
        entry.offset = offsets.value(entry.hash);
    }
    if (writeAtomically(packPath(), pack))
        index->seen = seen;
}

// Under the lock, as it is written in place.
VersionHistory::Index VersionHistory::readIndex() const
{
    const FolderLock lock(folder);
    QFile file(indexPath());
    if (!file.open(QIODevice::ReadOnly))
        return Index();
    const QByteArray bytes = file.readAll();
    const int contentSize = bytes.size() - checksumSize;
    // A damaged index, or one whose writing was cut short, counts as none.
    if (contentSize <= 0 || sha1(bytes.left(contentSize)) != bytes.mid(contentSize))
        return Index();
    QDataStream stream(bytes.left(contentSize));
    quint32 magic = 0;
    QString recordedPath;
    stream >> magic >> recordedPath;
    if (magic != indexMagic || recordedPath != filePath)
        return Index();
    Index index;
    for (QVector<Entry> *entries : {&index.seen, &index.merged}) {
        qint32 count = 0;
        stream >> count;
        for (qint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
            Entry entry;
            stream >> entry.hash >> entry.seen >> entry.offset >> entry.size;
            entries->append(entry);
        }
    }
    return stream.status() == QDataStream::Ok ? index : Index();
}

// Written in place rather than renamed into place: a file system slows down making
// files while many were freed a moment before, and the index changes with every
// version. The checksum at its end tells a write that was cut short.
bool VersionHistory::writeIndex(const Index &index) const
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << indexMagic << filePath;
    for (const QVector<Entry> *entries : {&index.seen, &index.merged}) {
        stream << qint32(entries->size());
        for (const Entry &entry : *entries)
            stream << entry.hash << entry.seen << entry.offset << entry.size;
    }
    bytes += sha1(bytes);
    QFile file(indexPath());
    return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size() && file.resize(bytes.size());
}

QString VersionHistory::indexPath() const
{
    return folder + QLatin1String("/index");
}

QString VersionHistory::packPath() const
{
    return folder + QLatin1String("/versions");
}
