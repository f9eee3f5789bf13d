// SPDX-License-Identifier: GPL-3.0-or-later
#include "versionrecord.h"

#include "folderlock.h"
#include "versionhistory.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QByteArray header = "ladlewise versions 1 ";
const char *const readme =
        "This folder holds Ladlewise's record of versions: for each Ladlewise installation\n"
        "that shares this folder, one file listing the versions of the grocery list and the\n"
        "meal notes it wrote or read, and which versions each replaced.\n"
        "\n"
        "When two machines change a file while apart, Ladlewise merges the two versions\n"
        "against the last version both had, which this record tells. Each installation\n"
        "writes only its own file, so a sync tool never has to make a copy of one.\n"
        "\n"
        "Deleting this folder is safe: nothing of the list or the notes is lost. Merges\n"
        "made before the records grow back keep every line either side holds, so an item\n"
        "deleted on one machine may come back.\n";

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

QByteArray withCheck(const QByteArray &line)
{
    return line + ' ' + sha1(line).toHex().left(8) + '\n';
}

bool isWriterName(const QByteArray &name)
{
    return name.size() == 16 && std::all_of(name.cbegin(), name.cend(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// Of one writer's versions, in the order written, those no later one of them replaced:
// its latest of each file, and any the sync tool may have dropped. Newest first.
QVector<Version> unreplaced(const QVector<Version> &versions)
{
    QSet<QByteArray> replaced;
    QVector<Version> heads;
    for (auto version = versions.crbegin(); version != versions.crend(); ++version) {
        if (!replaced.contains(version->id))
            heads.append(*version);
        for (const QByteArray &parent : version->parents)
            replaced.insert(parent);
    }
    return heads;
}

// The versions of installations other than writer's that none of their own replaced,
// of versions in the order their records hold them.
QSet<QByteArray> othersUnreplaced(const QVector<Version> &versions, const QByteArray &writer)
{
    QHash<QByteArray, QVector<Version>> byWriter;
    for (const Version &version : versions) {
        const QByteArray other = VersionGraph::writerOf(version.id);
        if (other != writer)
            byWriter[other] << version;
    }
    QSet<QByteArray> heads;
    for (const QVector<Version> &written : qAsConst(byWriter)) {
        for (const Version &head : unreplaced(written))
            heads.insert(head.id);
    }
    return heads;
}

QSet<QByteArray> parentsNamed(const QHash<QString, VersionRecord::Parsed> &records)
{
    QSet<QByteArray> named;
    for (const VersionRecord::Parsed &record : records) {
        for (const Version &version : record.versions) {
            for (const QByteArray &parent : version.parents)
                named.insert(parent);
        }
    }
    return named;
}

bool isHash(const QByteArray &hex)
{
    return hex.size() == 40 && QByteArray::fromHex(hex).toHex() == hex;
}

QByteArray joined(const QVector<QByteArray> &ids)
{
    QByteArray all;
    for (const QByteArray &id : ids)
        all += (all.isEmpty() ? "" : ",") + id;
    return all;
}

bool parseIds(const QByteArray &field, QVector<QByteArray> *ids)
{
    for (const QByteArray &id : field.split(',')) {
        const int colon = id.indexOf(':');
        if (colon < 0 || !isWriterName(id.left(colon)) || id.mid(colon + 1).toULongLong() == 0)
            return false;
        *ids << id;
    }
    return true;
}

// A read carries its time and what came before it.
bool parseVersion(const QList<QByteArray> &fields, const QByteArray &writer, Version *version)
{
    static const QByteArray kinds[] = {"w", "r", "m"};
    const auto kind = std::find(std::begin(kinds), std::end(kinds), fields.value(2));
    const bool read = fields.value(2) == "r";
    if (fields.size() < (read ? 7 : 6) || fields.size() > (read ? 8 : 6) || kind == std::end(kinds)
            || !isHash(fields.at(4)))
        return false;
    bool ok = false;
    const quint64 counter = fields.at(1).toULongLong(&ok);
    if (!ok || counter == 0)
        return false;
    version->id = writer + ':' + QByteArray::number(counter);
    version->kind = Version::Kind(kind - std::begin(kinds));
    version->readAt = fields.value(6).toLongLong();
    version->file = QString::fromUtf8(QByteArray::fromPercentEncoding(fields.at(3)));
    version->hash = QByteArray::fromHex(fields.at(4));
    version->parents.clear();
    version->cameAfter.clear();
    if (fields.at(5) != "-" && !parseIds(fields.at(5), &version->parents))
        return false;
    if (fields.size() == 8 && !parseIds(fields.at(7), &version->cameAfter))
        return false;
    return !version->file.isEmpty();
}

// Into place whole and on the disk, the folder's entry too, or not at all.
bool replaceDurably(const QString &path, const QByteArray &bytes)
{
    const QString temporary = path + QLatin1String(".new");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
            || !file.flush() || ::fdatasync(file.handle()) != 0) {
        file.remove();
        return false;
    }
    file.close();
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0)
        return false;
    const int folder = ::open(QFile::encodeName(QFileInfo(path).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

// The counter of a record's last version, read from its end; 0 when there is none or
// the record's end is not sound.
quint64 lastCounter(QFile &record)
{
    const qint64 size = record.size();
    for (qint64 window = 64 * 1024;; window *= 4) {
        const qint64 from = qMax<qint64>(0, size - window);
        if (!record.seek(from))
            return 0;
        const QByteArray tail = record.read(size - from);
        if (!tail.endsWith('\n'))
            return 0;
        const int start = tail.lastIndexOf("\nv ");
        if (start >= 0) {
            const int end = tail.indexOf('\n', start + 1);
            const QByteArray line = tail.mid(start + 1, end - start - 1);
            const int check = line.lastIndexOf(' ');
            if (withCheck(line.left(check)) != line + '\n')
                return 0;
            return line.split(' ').value(1).toULongLong();
        }
        if (from == 0)
            return 0;
    }
}

} // namespace

VersionRecord::VersionRecord(const QString &dataFolder, const QString &storeFolder)
    : data(QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath()))
    , store(storeFolder)
{
}

QString VersionRecord::fileKey(const QString &path) const
{
    const QString relative = QDir(data).relativeFilePath(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    return relative.startsWith(QLatin1String("../")) ? QString() : relative;
}

QString VersionRecord::recordPath(const QByteArray &writer) const
{
    return recordFolder() + QLatin1Char('/') + QString::fromLatin1(writer) + QLatin1String(".record");
}

QByteArray VersionRecord::writer() const
{
    QFile file(idPath());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray name = file.readAll().trimmed();
    return isWriterName(name) ? name : QByteArray();
}

// A counter may name one version only: when the record it continues is gone or its end
// is not sound, the installation takes a new name rather than count again from where
// others may already have seen it.
QByteArray VersionRecord::ownWriter(quint64 *nextCounter)
{
    const QByteArray name = writer();
    QFile record(recordPath(name));
    if (!name.isEmpty() && record.open(QIODevice::ReadOnly)) {
        const quint64 last = lastCounter(record);
        if (last > 0) {
            *nextCounter = last + 1;
            return name;
        }
    }
    *nextCounter = 1;
    return newWriter();
}

QByteArray VersionRecord::newWriter()
{
    const quint64 number = nameSource ? nameSource() : QRandomGenerator::system()->generate64();
    const QByteArray name = QByteArray::number(number, 16).rightJustified(16, '0');
    QSaveFile file(idPath());
    if (!QDir().mkpath(store) || !file.open(QIODevice::WriteOnly) || file.write(name + '\n') < 0 || !file.commit())
        return QByteArray();
    return name;
}

bool VersionRecord::append(const QByteArray &writer, const QByteArray &lines)
{
    if (!QDir().mkpath(recordFolder()))
        return false;
    const QString readmePath = recordFolder() + QLatin1String("/README");
    if (!QFileInfo::exists(readmePath)) {
        QSaveFile file(readmePath);
        if (file.open(QIODevice::WriteOnly) && file.write(readme) >= 0)
            file.commit();
    }
    QFile record(recordPath(writer));
    const bool isNew = !record.exists();
    if (!record.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = (isNew ? header + writer + '\n' : QByteArray()) + lines;
    return record.write(bytes) == bytes.size() && record.flush();
}

QByteArray VersionRecord::add(const FolderLock &lock, const QString &path, const QByteArray &bytes,
                              const QVector<QByteArray> &parents, Version::Kind kind,
                              const QVector<QByteArray> &cameAfter)
{
    const QString key = fileKey(path);
    if (!lock.isHeld() || key.isEmpty())
        return QByteArray();
    // Another program's bytes go into the store only where a write replaces them.
    if (kind != Version::Read)
        VersionHistory(store, path).keep(lock, bytes);
    quint64 counter = 0;
    const QByteArray name = ownWriter(&counter);
    if (name.isEmpty())
        return QByteArray();
    loadOwnVersions();
    const Version version {QByteArray(), key, sha1(bytes), parents, kind, kind == Version::Read ? now() : 0, cameAfter};
    if (!append(name, (counter == 1 ? earlierNamesLines(name) : QByteArray()) + versionLine(counter, version)))
        return QByteArray();
    const QByteArray id = name + ':' + QByteArray::number(counter);
    added.insert(key, version);
    added[key].id = id;
    if (version.isLadlewise())
        rememberOwn(added.value(key));
    ownState = ownRecordsState();
    return id;
}

QByteArray VersionRecord::lastAdded(const QString &fileKey, const QByteArray &hash) const
{
    const Version last = lastAdded(fileKey);
    return last.hash == hash ? last.id : QByteArray();
}

void VersionRecord::keep(const FolderLock &lock, const QString &path, const QByteArray &bytes)
{
    VersionHistory(store, path).keep(lock, bytes);
}

QByteArray VersionRecord::versionLine(quint64 counter, const Version &version)
{
    const QByteArray parents = version.parents.isEmpty() ? QByteArray("-") : joined(version.parents);
    QByteArray readAt;
    if (version.kind == Version::Read) {
        readAt = ' ' + QByteArray::number(version.readAt);
        if (!version.cameAfter.isEmpty())
            readAt += ' ' + joined(version.cameAfter);
    }
    return withCheck("v " + QByteArray::number(counter) + (version.kind == Version::Read ? " r " : version.kind == Version::Merged ? " m " : " w ")
                     + version.file.toUtf8().toPercentEncoding("/") + ' ' + version.hash.toHex() + ' ' + parents + readAt);
}

QByteArray VersionRecord::bytesLine(const QByteArray &hash, const QByteArray &bytes)
{
    return withCheck("b " + hash.toHex() + ' ' + qCompress(bytes).toBase64());
}

QByteArray VersionRecord::earlierNameLine(const QByteArray &name)
{
    return withCheck("a " + name);
}

// Every line must be whole and sound, the counters rising: anything else may be a
// record cut short by a stop, or damaged, and a record that cannot be trusted whole
// proves nothing.
VersionRecord::Parsed VersionRecord::parse(const QByteArray &record, const QByteArray &writer)
{
    Parsed parsed;
    parsed.writer = writer;
    if (!isWriterName(writer) || record.size() > maximumSize || !record.startsWith(header + writer + '\n')
            || !record.endsWith('\n')) {
        return parsed;
    }
    quint64 last = 0;
    for (int start = record.indexOf('\n') + 1; start < record.size();) {
        const int end = record.indexOf('\n', start);
        // The bytes of a version are checked against its hash when they are used.
        if (record.at(start) == 'b') {
            const int hashEnd = record.indexOf(' ', start + 2);
            const int payloadEnd = record.lastIndexOf(' ', end);
            const QByteArray hash = record.mid(start + 2, hashEnd - start - 2);
            if (hashEnd < 0 || payloadEnd <= hashEnd || !isHash(hash))
                return parsed;
            parsed.bytes.insert(QByteArray::fromHex(hash), record.mid(hashEnd + 1, payloadEnd - hashEnd - 1));
            start = end + 1;
            continue;
        }
        const QByteArray line = record.mid(start, end - start);
        start = end + 1;
        const int check = line.lastIndexOf(' ');
        if (check < 0 || withCheck(line.left(check)) != line + '\n')
            return parsed;
        if (line.startsWith("a ")) {
            const QByteArray earlier = line.mid(2, check - 2);
            if (!isWriterName(earlier) || earlier == writer)
                return parsed;
            parsed.after << earlier;
            continue;
        }
        Version version;
        if (!line.startsWith("v ") || !parseVersion(line.left(check).split(' '), writer, &version)
                || VersionGraph::counterOf(version.id) <= last || parsed.versions.size() >= maximumVersions) {
            return parsed;
        }
        last = VersionGraph::counterOf(version.id);
        parsed.versions << version;
    }
    parsed.valid = true;
    return parsed;
}

// Read again only where a record changed since.
QHash<QString, VersionRecord::Parsed> VersionRecord::records(QByteArray *state) const
{
    QHash<QString, Parsed> found;
    QHash<QString, Loaded> stillThere;
    const QFileInfoList files = QDir(recordFolder()).entryInfoList({QStringLiteral("*.record")}, QDir::Files);
    for (const QFileInfo &info : files) {
        Loaded entry = loaded.value(info.fileName());
        if (entry.size != info.size() || entry.modified != info.lastModified()) {
            QFile file(info.filePath());
            entry.size = info.size();
            entry.modified = info.lastModified();
            entry.parsed = Parsed();
            if (info.size() <= maximumSize && file.open(QIODevice::ReadOnly))
                entry.parsed = parse(file.readAll(), info.completeBaseName().toLatin1());
        }
        stillThere.insert(info.fileName(), entry);
        if (state) {
            *state += info.fileName().toUtf8() + ' ' + QByteArray::number(entry.size) + ' '
                      + QByteArray::number(entry.modified.toMSecsSinceEpoch()) + '\n';
        }
        if (entry.parsed.valid)
            found.insert(info.fileName(), entry.parsed);
    }
    loaded = stillThere;
    return found;
}

// Made again only where a record changed since.
VersionGraph VersionRecord::graph() const
{
    QByteArray state;
    const QHash<QString, Parsed> all = records(&state);
    if (state == graphState)
        return cachedGraph;
    QVector<Version> versions;
    for (const Parsed &record : all)
        versions += record.versions;
    cachedGraph = VersionGraph(versions);
    graphState = state;
    return cachedGraph;
}

// The names this installation wrote under while this object lived, with the sizes of
// their records: a store lost while the window runs gives it a new name, and what it
// wrote before is still its own.
QByteArray VersionRecord::ownRecordsState() const
{
    const QByteArray name = writer();
    if (!name.isEmpty() && !ownNames.contains(name))
        ownNames << name;
    QByteArray state;
    for (const QByteArray &own : qAsConst(ownNames))
        state += own + ' ' + QByteArray::number(QFileInfo(recordPath(own)).size()) + '\n';
    return state;
}

// A new name's record says which names the window wrote under before it, so that
// every machine knows what came later, even once this one's store is lost again.
QByteArray VersionRecord::earlierNamesLines(const QByteArray &name) const
{
    ownRecordsState();
    QByteArray lines;
    for (const QByteArray &earlier : qAsConst(ownNames)) {
        if (earlier != name)
            lines += earlierNameLine(earlier);
    }
    return lines;
}

QSet<QByteArray> VersionRecord::namesAfter(const QByteArray &writer) const
{
    ownRecordsState();
    const int at = int(ownNames.indexOf(writer));
    QSet<QByteArray> later = at < 0 ? QSet<QByteArray>() : QSet<QByteArray>(ownNames.cbegin() + at + 1, ownNames.cend());
    const QHash<QString, Parsed> all = records();
    QVector<QByteArray> toFollow {writer};
    while (!toFollow.isEmpty()) {
        const QByteArray earlier = toFollow.takeLast();
        for (const Parsed &record : all) {
            if (record.after.contains(earlier) && !later.contains(record.writer)) {
                later.insert(record.writer);
                toFollow << record.writer;
            }
        }
    }
    return later;
}

// Read again where another window of this installation added to the record since.
void VersionRecord::loadOwnVersions() const
{
    const QByteArray state = ownRecordsState();
    if (state == ownState)
        return;
    ownState = state;
    ownVersions.clear();
    for (const QByteArray &name : qAsConst(ownNames)) {
        QFile file(recordPath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const Parsed own = parse(file.readAll(), name);
        for (const Version &version : own.versions) {
            if (version.isLadlewise())
                rememberOwn(version);
        }
    }
}

void VersionRecord::rememberOwn(const Version &version) const
{
    QVector<Version> &versions = ownVersions[version.file];
    versions.append(version);
    if (versions.size() > recentOwnVersions)
        versions.removeFirst();
}

QVector<Version> VersionRecord::ownHeads(const QString &fileKey) const
{
    loadOwnVersions();
    QVector<Version> heads = unreplaced(ownVersions.value(fileKey));
    heads.erase(std::remove_if(heads.begin(), heads.end(),
                               [this](const Version &head) { return continued.contains(head.id); }),
                heads.end());
    return heads;
}

QVector<Version> VersionRecord::othersHeads(const QString &prefix,
                                            const std::function<bool(const QString &recordPath)> &consider) const
{
    const QHash<QString, Parsed> all = records();
    const QByteArray own = writer();
    QVector<Version> heads;
    for (auto other = all.cbegin(); other != all.cend(); ++other) {
        if (ownNames.contains(other->writer) || other->writer == own || !consider(recordPath(other->writer)))
            continue;
        for (const Version &head : unreplaced(other->versions)) {
            if (head.isLadlewise() && head.file.startsWith(prefix))
                heads << head;
        }
    }
    const QSet<QByteArray> named = parentsNamed(all);
    heads.erase(std::remove_if(heads.begin(), heads.end(),
                               [&named](const Version &head) { return named.contains(head.id); }),
                heads.end());
    std::sort(heads.begin(), heads.end(), [](const Version &a, const Version &b) { return a.id < b.id; });
    return heads;
}

QStringList VersionRecord::recentlyWritten(const QString &prefix, int count) const
{
    loadOwnVersions();
    QVector<QPair<quint64, QString>> files;
    for (auto file = ownVersions.cbegin(); file != ownVersions.cend(); ++file) {
        if (file.key().startsWith(prefix))
            files.append({VersionGraph::counterOf(file.value().last().id), file.key()});
    }
    std::sort(files.begin(), files.end(), std::greater<QPair<quint64, QString>>());
    QStringList newest;
    for (int i = 0; i < files.size() && i < count; ++i)
        newest << files.at(i).second;
    return newest;
}

// This machine's store first; a version's bytes count only where they match its hash.
bool VersionRecord::bytesOf(const QString &path, const QByteArray &hash, QByteArray *bytes) const
{
    if (hash == sha1(QByteArray())) {
        bytes->clear();
        return true;
    }
    if (VersionHistory(store, path).find(hash, bytes))
        return true;
    const QHash<QString, Parsed> all = records();
    for (const Parsed &record : all) {
        const QByteArray encoded = record.bytes.value(hash);
        if (encoded.isEmpty())
            continue;
        *bytes = qUncompress(QByteArray::fromBase64(encoded));
        if (sha1(*bytes) == hash)
            return true;
    }
    return false;
}

void VersionRecord::maintain(const FolderLock &lock)
{
    const QByteArray name = writer();
    if (!lock.isHeld() || name.isEmpty())
        return;
    const QHash<QString, Parsed> all = records();
    const Parsed own = all.value(QString::fromLatin1(name) + QLatin1String(".record"));
    if (!own.valid)
        return;
    addMissingBytes(name, own, graph());
    const QFileInfo record(recordPath(name));
    if (record.size() >= compactAtSize || own.versions.size() >= compactAtVersions)
        compact(name, records().value(record.fileName()), graph());
    QSet<QString> files;
    for (const Version &version : own.versions)
        files.insert(version.file);
    for (const QString &file : qAsConst(files))
        VersionHistory(store, data + QLatin1Char('/') + file).compact(lock);
}

// Of each file, this installation's last few versions and those they replaced: a
// merge's base is always a version that one side replaced, and a machine whose store
// is lost, or new, finds it here.
QHash<QByteArray, QString> VersionRecord::bytesWanted(const Parsed &own, const VersionGraph &graph)
{
    QHash<QString, QVector<Version>> byFile;
    for (const Version &version : own.versions)
        byFile[version.file] << version;
    QHash<QByteArray, QString> wanted;
    for (auto file = byFile.cbegin(); file != byFile.cend(); ++file) {
        for (int i = qMax(0, int(file->size()) - bytesPerFile); i < file->size(); ++i) {
            const Version &version = file->at(i);
            wanted.insert(version.hash, version.file);
            for (const QByteArray &parent : version.parents) {
                if (graph.contains(parent))
                    wanted.insert(graph.version(parent).hash, version.file);
            }
        }
        // Those nothing went on from, which the sync tool may have dropped: they are
        // merged back from here once this machine's store is lost too.
        for (int i = qMax(0, int(file->size()) - recentOwnVersions); i < file->size(); ++i) {
            const Version &version = file->at(i);
            if (version.isLadlewise() && graph.contains(version.id) && graph.isHead(version.id))
                wanted.insert(version.hash, version.file);
        }
    }
    return wanted;
}

void VersionRecord::addMissingBytes(const QByteArray &writer, const Parsed &own, const VersionGraph &graph)
{
    const QHash<QByteArray, QString> wanted = bytesWanted(own, graph);
    QByteArray lines;
    QByteArray bytes;
    for (auto version = wanted.cbegin(); version != wanted.cend(); ++version) {
        if (!own.bytes.contains(version.key())
                && VersionHistory(store, data + QLatin1Char('/') + version.value()).find(version.key(), &bytes)) {
            lines += bytesLine(version.key(), bytes);
        }
    }
    if (!lines.isEmpty())
        append(writer, lines);
}

// Kept of each file: the versions from the newest one of this installation that every
// other installation's latest version went on from, up to the latest, at most
// keptPerFile; with their bytes for the latest and for those others went on from, as
// far as keptBytes goes. What goes is ancestry no latest version needs.
void VersionRecord::compact(const QByteArray &writer, const Parsed &own, const VersionGraph &graph)
{
    QHash<QString, QVector<Version>> ownByFile;
    for (const Version &version : own.versions)
        ownByFile[version.file] << version;
    QHash<QPair<QByteArray, QString>, QByteArray> othersLatest;
    for (const Version &version : graph.all()) {
        const QByteArray other = VersionGraph::writerOf(version.id);
        if (other != writer)
            othersLatest.insert({other, version.file}, version.id);
    }
    QSet<QByteArray> keptIds;
    QSet<QByteArray> keptBytes;
    const QHash<QByteArray, QString> wanted = bytesWanted(own, graph);
    for (auto version = wanted.cbegin(); version != wanted.cend(); ++version)
        keptBytes.insert(version.key());
    // However old, a version that went on from another installation's head stays:
    // without it that head would look dropped, and be merged back over all since.
    const QSet<QByteArray> othersHeads = othersUnreplaced(graph.all(), writer);
    for (const Version &version : own.versions) {
        if (std::any_of(version.parents.cbegin(), version.parents.cend(),
                        [&](const QByteArray &parent) { return othersHeads.contains(parent); }))
            keptIds.insert(version.id);
    }
    for (auto file = ownByFile.cbegin(); file != ownByFile.cend(); ++file) {
        const QVector<Version> &versions = file.value();
        int from = versions.size() - 1;
        for (auto latest = othersLatest.cbegin(); latest != othersLatest.cend(); ++latest) {
            if (latest.key().second != file.key())
                continue;
            for (int i = versions.size() - 1; i >= 0; --i) {
                if (graph.descendsFrom(latest.value(), versions.at(i).id)) {
                    from = qMin(from, i);
                    keptBytes.insert(versions.at(i).hash);
                    break;
                }
            }
        }
        for (int i = qMax(from, versions.size() - keptPerFile); i < versions.size(); ++i)
            keptIds.insert(versions.at(i).id);
    }
    QByteArray rewritten = header + writer + '\n';
    for (const QByteArray &earlier : own.after)
        rewritten += earlierNameLine(earlier);
    qint64 bytesKept = 0;
    for (auto version = own.versions.crbegin(); version != own.versions.crend(); ++version) {
        const QByteArray encoded = own.bytes.value(version->hash);
        if (keptBytes.contains(version->hash) && !encoded.isEmpty()
                && bytesKept + encoded.size() <= VersionRecord::keptBytes) {
            rewritten += withCheck("b " + version->hash.toHex() + ' ' + encoded);
            bytesKept += encoded.size();
            keptBytes.remove(version->hash);
        }
    }
    for (const Version &version : own.versions) {
        if (keptIds.contains(version.id))
            rewritten += versionLine(VersionGraph::counterOf(version.id), version);
    }
    replaceDurably(recordPath(writer), rewritten);
}
