// SPDX-License-Identifier: GPL-3.0-or-later
#include "conflictmerger.h"

#include "folderlock.h"
#include "groceryitems.h"
#include "linemerge.h"
#include "mergebase.h"
#include "syncedfile.h"
#include "textdecoding.h"
#include "versionrecord.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <algorithm>

namespace {

// Whether one of the later versions went on from one of the earlier.
bool seenBy(const VersionGraph &graph, const QVector<QByteArray> &earlier, const QVector<QByteArray> &later)
{
    return std::any_of(later.cbegin(), later.cend(), [&](const QByteArray &version) {
        return std::any_of(earlier.cbegin(), earlier.cend(), [&](const QByteArray &before) {
            return graph.descendsFrom(version, before);
        });
    });
}

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

QStringList lines(const QString &text)
{
    return text.split(QLatin1Char('\n'));
}

// A list's items are compared by their text: a tick changes an item, not which it is.
QStringList keyed(ConflictMerger::Content content, const QStringList &lines)
{
    return content == ConflictMerger::Items ? groceryItemTexts(lines) : lines;
}

// What of a the b holds too; a tick changes an item, not which it is.
QStringList shared(ConflictMerger::Content content, const QStringList &a, const QStringList &b)
{
    return content == ConflictMerger::Items ? sharedItems(a, b) : sharedLines(a, b);
}

QStringList parts(ConflictMerger::Content content, const QString &text)
{
    if (content == ConflictMerger::Items)
        return groceryItems(text);
    return text.isEmpty() ? QStringList() : lines(text);
}

QStringList mergeInto(ConflictMerger::Content content, const QStringList &base, const QStringList &merged,
                      const QStringList &copy)
{
    if (content == ConflictMerger::Items)
        return mergeItems(base, merged, copy);
    return mergeLines(base, copy, merged);
}

} // namespace

ConflictMerger::ConflictMerger(VersionRecord *record, QObject *parent)
    : QObject(parent)
    , record(record)
{
}

QString ConflictMerger::lockFolder(const QString &folder) const
{
    return record ? record->dataFolder() : folder;
}

// The file as it is now, its versions told to the record.
void ConflictMerger::lookAt(SyncedFile *file, const QString &path) const
{
    file->setRecord(record);
    file->setPath(path);
    file->refresh();
}

// A write that failed is tried again once the files have settled, not before the
// lock may be free.
qint64 ConflictMerger::retryDelay() const
{
    return qMax<qint64>(settleTime, FolderLock::retryInterval);
}

void ConflictMerger::mergeListCopies(const QString &listPath)
{
    const QFileInfo list(listPath);
    // Nothing is there to merge before the first write; a first start looks once.
    if (!list.dir().exists())
        return;
    const auto lookAgain = [this, listPath] { mergeListCopies(listPath); };
    mergeCopies(list.path(), list.dir().entryList({QStringLiteral("*.txt")}, QDir::Files), Items,
                list.fileName(), lookAgain);
    if (record) {
        const QString key = record->fileKey(listPath);
        recoverDropped(listPath, record->ownHeads(key) + abandonedHeads(list.path(), key, lookAgain), Items,
                       lookAgain);
    }
}

bool ConflictMerger::mergeNoteCopies(const QString &folder, const QStringList &fileNames)
{
    if (fileNames.isEmpty() && !QFileInfo(folder).isDir())
        return false;
    const auto lookAgain = [this, folder] {
        mergeNoteCopies(folder, QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files));
    };
    mergeCopies(folder, fileNames, Lines, QString(), lookAgain);
    if (record) {
        const QString prefix = record->fileKey(folder) + QLatin1Char('/');
        QMap<QString, QVector<Version>> heads;
        for (const QString &key : record->recentlyWritten(prefix, recentNotes))
            heads[key] += record->ownHeads(key);
        for (const Version &head : abandonedHeads(folder, prefix, lookAgain))
            heads[head.file] << head;
        for (auto note = heads.cbegin(); note != heads.cend(); ++note)
            recoverDropped(record->dataFolder() + QLatin1Char('/') + note.key(), *note, Lines, lookAgain);
    }
    bool joined = false;
    if (joinable) {
        for (const QStringList &names : joinable(fileNames))
            joined |= joinNamesOfOneNote(folder, names, lookAgain);
    }
    return joined;
}

// Milliseconds until the files have been left alone for settleTime, going by the time
// of their last change of any kind, which a sync tool's rename sets and cannot carry
// over from another machine.
qint64 ConflictMerger::untilSettled(const QStringList &paths) const
{
    const QDateTime at = now();
    qint64 remaining = 0;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.exists())
            remaining = qMax(remaining, settleTime - info.metadataChangeTime().msecsTo(at));
    }
    return remaining;
}

// In name order, so that machines merging the same copies come to the same text. A
// copy whose file is missing becomes the file.
void ConflictMerger::mergeCopies(const QString &folder, const QStringList &fileNames, Content content,
                                 const QString &onlyCopiesOf, const std::function<void()> &lookAgain)
{
    QMap<QString, QStringList> copiesOf;
    const QString folderPath = QDir(folder).path() + QLatin1Char('/');
    for (const QString &fileName : fileNames) {
        const QString copyOf = SyncedFile::conflictCopyOriginal(fileName);
        if (!copyOf.isEmpty() && (onlyCopiesOf.isEmpty() || copyOf == onlyCopiesOf))
            copiesOf[folderPath + copyOf] << folderPath + fileName;
    }
    for (auto copies = copiesOf.begin(); copies != copiesOf.end(); ++copies) {
        std::sort(copies->begin(), copies->end());
        const qint64 unsettled = untilSettled(*copies + QStringList(copies.key()));
        if (unsettled > 0)
            lookAgainIn(folder, unsettled, lookAgain);
        else
            mergeCopiesOf(copies.key(), *copies, content, lookAgain);
    }
}

// Under the lock every Ladlewise process takes to write into the folder, so that one
// copy is merged once: another window that had it in view finds it gone. The copies
// go into the file's text one after another and the file is written once, going on
// from the file and from each copy.
void ConflictMerger::mergeCopiesOf(const QString &originalPath, const QStringList &copyPaths, Content content,
                                   const std::function<void()> &lookAgain)
{
    const QString folder = QFileInfo(originalPath).path();
    const FolderLock lock(lockFolder(folder));
    if (!lock.isHeld()) {
        lookAgainIn(folder, FolderLock::retryInterval, lookAgain);
        return;
    }
    SyncedFile file(nullptr, SyncedFile::NotWatched);
    lookAt(&file, originalPath);
    if (!file.isReadable() && !file.readError().isEmpty())
        return;
    Merged merged {parts(content, file.text()), {}, {}, {}};
    for (const CopyRead &copy : inOrderOfSharedPast(originalPath, file.bytes(), readCopies(copyPaths))) {
        if (decodeText(copy.bytes) == file.text() && file.isReadable()) {
            takeInAlike(originalPath, file.bytes(), copy.path, &merged);
            continue;
        }
        mergeCopy(originalPath, file.isReadable() ? file.bytes() : QByteArray(), copy.bytes, copy.path, content, lock,
                  &merged, lookAgain);
    }
    if (merged.copyPaths.isEmpty())
        return;
    const QString text = merged.parts.join(QLatin1Char('\n'));
    if (file.write(text, lock, merged.replaced) != SyncedFile::Written) {
        lookAgainIn(folder, retryDelay(), lookAgain);
        return;
    }
    for (const QString &copyPath : qAsConst(merged.copyPaths)) {
        firstSeenUnproven.remove(copyPath);
        QFile::remove(copyPath);
    }
}

// The versions of the file these bytes may be, as far as the records tell.
QVector<QByteArray> ConflictMerger::versionsWithBytes(const QString &originalPath, const VersionGraph &graph,
                                                      const QByteArray &bytes) const
{
    return record ? graph.withHash(record->fileKey(originalPath), sha1(bytes)) : QVector<QByteArray>();
}

// A copy with the file's bytes adds no line, but where those bytes are versions that
// went on apart (the same item added on two machines, say), the file stands for all of
// them from here on: a deletion made where only one was seen leaves the others' lines.
void ConflictMerger::takeInAlike(const QString &originalPath, const QByteArray &fileBytes, const QString &copyPath,
                                 Merged *merged) const
{
    const VersionGraph graph = record ? record->graph() : VersionGraph();
    const QVector<QByteArray> alike = graph.sideOf(versionsWithBytes(originalPath, graph, fileBytes));
    if (alike.size() < 2) {
        QFile::remove(copyPath);
        return;
    }
    merged->replaced += alike;
    merged->copyPaths << copyPath;
}

// Copies that share more of the file's past go in first: a deletion made since a
// version both had then goes in before an alike item another machine added, which the
// deleting one never saw and which would otherwise have become one line with what it
// deleted. Ties keep name order, so that machines come to the same text.
QVector<ConflictMerger::CopyRead> ConflictMerger::inOrderOfSharedPast(const QString &originalPath,
                                                                      const QByteArray &fileBytes,
                                                                      QVector<CopyRead> copies) const
{
    if (!record)
        return copies;
    const VersionGraph graph = record->graph();
    const QVector<QByteArray> fileVersions = versionsWithBytes(originalPath, graph, fileBytes);
    QHash<QString, int> shared;
    for (const CopyRead &copy : qAsConst(copies))
        shared.insert(copy.path, graph.sharedPast(fileVersions, versionsWithBytes(originalPath, graph, copy.bytes)));
    std::stable_sort(copies.begin(), copies.end(), [&shared](const CopyRead &a, const CopyRead &b) {
        return shared.value(a.path) > shared.value(b.path);
    });
    return copies;
}

// Those that can be read whole; the others wait for their next look.
QVector<ConflictMerger::CopyRead> ConflictMerger::readCopies(const QStringList &copyPaths)
{
    QVector<CopyRead> copies;
    for (const QString &copyPath : copyPaths) {
        QByteArray bytes;
        if (SyncedFile::readConflictCopy(copyPath, &bytes))
            copies << CopyRead {copyPath, bytes};
    }
    return copies;
}

// False when the copy is left for later: it waits for a record that names it.
bool ConflictMerger::mergeCopy(const QString &originalPath, const QByteArray &fileBytes, const QByteArray &copy,
                               const QString &copyPath, Content content, const FolderLock &lock, Merged *merged,
                               const std::function<void()> &lookAgain)
{
    const VersionGraph graph = record ? record->graph() : VersionGraph();
    const QVector<QByteArray> copyVersions = versionsWithBytes(originalPath, graph, copy);
    const bool fileMissing = !QFileInfo::exists(originalPath);
    const QVector<QByteArray> fileVersions = versionsWithBytes(originalPath, graph, fileBytes);
    // A record on its way may name a read better; once it has had its time, the merge
    // goes by what the records prove.
    if (graph.awaitsRecord(fileVersions + copyVersions, now().toMSecsSinceEpoch(), unprovenWait) && !fileMissing
            && !waitedUnproven(copyPath, lookAgain)) {
        return false;
    }
    QVector<QVector<QByteArray>> mergedSoFar;
    for (const Side &side : qAsConst(merged->copies))
        mergedSoFar << side.versions;
    const MergePlan plan = graph.plan(fileVersions, copyVersions, mergedSoFar);
    if (plan.kind == MergePlan::AlreadyMerged && !fileMissing) {
        QFile::remove(copyPath);
        return true;
    }
    const Side side {plan.kind == MergePlan::Merge ? graph.sideOf(copyVersions) : QVector<QByteArray>(),
                     parts(content, decodeText(copy))};
    MergeTexts texts {{}, merged->parts, side.parts};
    if (plan.kind == MergePlan::Merge && !fileMissing) {
        // Parents of the merge, and so likely bases of this one and the next: the
        // file may be the very version another machine's merge went on from.
        record->keep(lock, originalPath, fileBytes);
        record->keep(lock, originalPath, copy);
        texts.base = mergeBase(originalPath, plan, content, merged->parts, side.parts);
        spareOthersAdditions(originalPath, fileBytes, plan, *merged, side, content, &texts);
        merged->replaced += plan.parents;
    } else {
        if (!fileMissing && !waitedUnproven(copyPath, lookAgain))
            return false;
        // The merge holds all of the copy, so it goes on from the versions the copy may
        // be, which would otherwise look dropped; bytes no record names are recorded as
        // read, so that the merge is of its parents alone.
        const QVector<QByteArray> copyMayBe = graph.sideOf(copyVersions);
        const QByteArray read = record && copyMayBe.isEmpty() ? record->add(lock, originalPath, copy, {}, Version::Read)
                                                              : QByteArray();
        merged->replaced += copyMayBe;
        if (!read.isEmpty())
            merged->replaced << read;
    }
    merged->parts = mergeInto(content, texts.base, texts.merged, texts.copy);
    merged->copyPaths << copyPath;
    merged->copies << side;
    return true;
}

// The base is the file's and the copy's. A line one side deleted or ticked since is
// changed in the merge only where the other side holds it as the base's: where it
// holds it only as its own addition, which the changing side never saw, a deletion is
// spared and a tick undone. A tick changes an item, not which item it is: a list is
// spared item by item. Each side is held as its versions since the bases tell.
void ConflictMerger::spareOthersAdditions(const QString &originalPath, const QByteArray &fileBytes,
                                          const MergePlan &plan, const Merged &merged, const Side &copy,
                                          Content content, MergeTexts *texts) const
{
    if (changesWhatOtherHolds(content, texts->base, copy.parts, merged.parts)) {
        const auto fileHeld = [&](Content keys) {
            return std::optional<HeldAsBase>(heldByMerged(originalPath, fileBytes, merged, copy, content, keys));
        };
        spareAdditionsOf(fileHeld, content, copy.parts, texts, &texts->copy, &texts->merged);
    }
    if (changesWhatOtherHolds(content, texts->base, merged.parts, copy.parts)) {
        const auto copyHeld = [&](Content keys) { return heldSince(originalPath, plan.bases, copy, content, keys); };
        spareAdditionsOf(copyHeld, content, merged.parts, texts, &texts->merged, &texts->copy);
    }
}

std::optional<HeldAsBase> ConflictMerger::heldSince(const QString &originalPath, const QVector<QByteArray> &bases,
                                                    const Side &side, Content content, Content keys) const
{
    HeldAsBase held;
    if (!heldSinceBases(record->graph(), bases, side.versions, keyedParts(originalPath, content, keys), &held))
        return std::nullopt;
    return held;
}

// Whether changer deleted or ticked since base a line that other holds. A note's
// lines are their own keys, so only a list needs the second look.
bool ConflictMerger::changesWhatOtherHolds(Content content, const QStringList &base, const QStringList &changer,
                                           const QStringList &other)
{
    return deletesFromMerged(keyed(content, base), keyed(content, other), keyed(content, changer))
            || (content == Items && deletesFromMerged(base, other, changer));
}

// Parts told apart by keys: a list's items by their text, or each line whole.
ReadParts ConflictMerger::keyedParts(const QString &originalPath, Content content, Content keys) const
{
    return [this, originalPath, content, keys](const QByteArray &hash, QStringList *found) {
        const bool had = partsOf(originalPath, hash, content, found);
        *found = keyed(keys, *found);
        return had;
    };
}

// How the file, with the copies merged into it so far, holds each line it shares with
// changer: the file as its versions since then tell, or else as the texts its merge
// went on from do.
HeldAsBase ConflictMerger::heldByMerged(const QString &originalPath, const QByteArray &fileBytes,
                                        const Merged &merged, const Side &changer, Content content,
                                        Content keys) const
{
    const VersionGraph graph = record->graph();
    const QVector<QByteArray> fileVersions = graph.sideOf(versionsWithBytes(originalPath, graph, fileBytes));
    SidesHeldAsBase held;
    HeldAsBase fileHeld;
    if (heldSinceBases(graph, graph.plan(fileVersions, changer.versions).bases, fileVersions,
                       keyedParts(originalPath, content, keys), &fileHeld))
        held.add(keyed(keys, parts(content, decodeText(fileBytes))), fileHeld);
    else
        holdSides(&held, originalPath, sidesOf(originalPath, graph, fileVersions, fileBytes, content), changer,
                  content, keys);
    holdSides(&held, originalPath, merged.copies, changer, content, keys);
    return held.held();
}

// Of each line of the base, how many times each of sides holds it as what it shares
// with changer, not as its own addition.
void ConflictMerger::holdSides(SidesHeldAsBase *held, const QString &originalPath, const QVector<Side> &sides,
                               const Side &changer, Content content, Content keys) const
{
    const VersionGraph graph = record->graph();
    for (const Side &side : sides) {
        const MergePlan plan = side.named ? graph.planFrom(side.versions.first(), changer.versions)
                                          : graph.plan(side.versions, changer.versions);
        QStringList sideBase;
        if (seenBy(graph, side.versions, changer.versions))
            sideBase = side.parts;
        else if (plan.kind == MergePlan::Merge)
            sideBase = mergeBase(originalPath, plan, content, side.parts, changer.parts);
        else if (plan.kind == MergePlan::AlreadyMerged)
            sideBase = changer.parts;
        held->add(keyed(keys, sideBase), keyed(keys, side.parts));
    }
}

// The changer's deletions of lines the other side holds none of as the base's leave
// the base, and its ticks of them are undone in changed. An item of a list so spared
// is ticked in other as other's own addition of it was.
void ConflictMerger::spareAdditionsOf(const HeldBy &heldBy, Content content, const QStringList &changer,
                                      MergeTexts *texts, QStringList *changed, QStringList *other)
{
    const std::optional<HeldAsBase> held = heldBy(content);
    if (!held)
        return;
    if (content == Lines) {
        texts->base = sparingAdditions(texts->base, changer, held->byEvery);
        return;
    }
    *changed = ticksOfDeletedUndone(texts->base, changer, held->byAny);
    const QStringList baseItems = groceryItemTexts(texts->base);
    const QStringList kept = sparingAdditions(baseItems, groceryItemTexts(changer), held->byEvery);
    if (kept.size() == baseItems.size())
        return;
    texts->base = linesOfItems(texts->base, kept);
    QHash<QString, int> spared = counted(baseItems);
    for (const QString &item : kept)
        --spared[item];
    if (const std::optional<HeldAsBase> heldLines = heldBy(Lines))
        *other = sparedItemsAsAdded(*other, spared, heldLines->byEvery);
}

// The texts the file is made of: the parents of the merge it holds, where their bytes
// are at hand, for each brings lines of its own; otherwise the file itself.
QVector<ConflictMerger::Side> ConflictMerger::sidesOf(const QString &originalPath, const VersionGraph &graph,
                                                      const QVector<QByteArray> &versions,
                                                      const QByteArray &fileBytes, Content content) const
{
    const Side file {versions, parts(content, decodeText(fileBytes))};
    if (versions.size() != 1 || graph.version(versions.first()).kind != Version::Merged)
        return {file};
    QVector<Side> parents;
    for (const QByteArray &parent : graph.version(versions.first()).parents) {
        QByteArray bytes;
        if (!graph.contains(parent) || !record->bytesOf(originalPath, graph.version(parent).hash, &bytes))
            return {file};
        parents << Side {{parent}, parts(content, decodeText(bytes)), true};
    }
    return parents;
}

// A version the sync tool dropped, while its user added one of its items again and
// deleted it: the deletion came after, by its writer's own count.
QStringList ConflictMerger::laterDeletionsApplied(const QString &originalPath, const VersionGraph &graph,
                                                  const Side &side, const QVector<QByteArray> &textVersions,
                                                  const QStringList &textParts, Content content) const
{
    QVector<QPair<QStringList, QStringList>> edits;
    const QSet<QByteArray> laterNames = record->namesAfter(VersionGraph::writerOf(side.versions.value(0)));
    const QVector<QByteArray> later = graph.editsAfter(side.versions, textVersions, laterNames);
    const auto hasBytes = [&](const QByteArray &hash) {
        QByteArray bytes;
        return record->bytesOf(originalPath, hash, &bytes);
    };
    for (const QByteArray &edit : later) {
        QStringList after;
        if (!partsOf(originalPath, graph.version(edit).hash, content, &after))
            continue;
        for (const QByteArray &parent : graph.version(edit).parents) {
            const QByteArray readable = graph.readableThrough(parent, later, hasBytes);
            QStringList before;
            if (!readable.isEmpty() && partsOf(originalPath, graph.version(readable).hash, content, &before))
                edits.append({keyed(content, before), keyed(content, after)});
        }
    }
    if (edits.isEmpty())
        return side.parts;
    return withoutLaterDeletions(side.parts, keyed(content, side.parts), keyed(content, textParts), edits);
}

bool ConflictMerger::partsOf(const QString &originalPath, const QByteArray &hash, Content content,
                             QStringList *found) const
{
    QByteArray bytes;
    if (!record->bytesOf(originalPath, hash, &bytes))
        return false;
    *found = parts(content, decodeText(bytes));
    return true;
}

// What all the bases share, the newest whose bytes can be had standing in for those
// that cannot; a stand-in counts only with the lines both sides hold, as what one side
// lacks of it may have been added again since on the other.
QStringList ConflictMerger::mergeBase(const QString &originalPath, const MergePlan &plan, Content content,
                                      const QStringList &ours, const QStringList &theirs) const
{
    const auto read = [&](const QByteArray &hash, QStringList *found) {
        return partsOf(originalPath, hash, content, found);
    };
    const auto merge = [content](const QStringList &base, const QStringList &ours, const QStringList &theirs) {
        return mergeInto(content, base, ours, theirs);
    };
    bool whole = true;
    const auto share = [content](const QStringList &a, const QStringList &b) { return shared(content, a, b); };
    const QStringList base = mergeBaseParts(record->graph(), plan, read, merge, &whole, share);
    return whole ? base : shared(content, shared(content, base, ours), theirs);
}

// A version this installation wrote that nothing went on from, once the file, its
// copies and the record have settled: the sync tool dropped it. It goes into the file
// as a copy would.
void ConflictMerger::recoverDropped(const QString &originalPath, const QVector<Version> &heads, Content content,
                                    const std::function<void()> &lookAgain)
{
    if (heads.isEmpty())
        return;
    const QString key = record->fileKey(originalPath);
    SyncedFile file(nullptr, SyncedFile::NotWatched);
    lookAt(&file, originalPath);
    const QByteArray fileHash = sha1(file.bytes());
    if (!file.isReadable() || (heads.size() == 1 && heads.first().hash == fileHash))
        return;
    const QString folder = QFileInfo(originalPath).path();
    const qint64 unsettled = untilSettled({originalPath, record->ownRecordPath()});
    if (unsettled > 0) {
        lookAgainIn(folder, unsettled, lookAgain);
        return;
    }
    const VersionGraph graph = record->graph();
    if (graph.awaitsRecord(graph.withHash(key, fileHash), now().toMSecsSinceEpoch(), unprovenWait)) {
        lookAgainIn(folder, settleTime + FolderLock::retryInterval, lookAgain);
        return;
    }
    for (const Version &head : heads) {
        if (head.hash != fileHash && graph.contains(head.id) && !graph.isHead(head.id)) {
            record->markContinued(head.id);
        } else if (head.hash != fileHash && graph.contains(head.id)
                   && !copyWaiting(originalPath) && recover(originalPath, head, content, graph, lookAgain)) {
            return;
        }
    }
}

// Versions of other installations that nothing went on from, though their writers
// have left their records alone for the unproven wait: a reinstalled machine's former
// self, say, whose last version the sync tool dropped and which nobody else would
// merge back. Looked for a wait after the first look and once a wait at most, so
// that neither a start nor a save reads every record.
QVector<Version> ConflictMerger::abandonedHeads(const QString &folder, const QString &prefix,
                                                const std::function<void()> &lookAgain)
{
    const QDateTime at = now();
    QDateTime &next = nextAbandonedLook[QDir(folder).path()];
    if (next.isValid() && at < next)
        return {};
    const bool firstLook = !next.isValid();
    qint64 untilNext = unprovenWait;
    bool waiting = firstLook;
    QVector<Version> abandoned;
    if (!firstLook) {
        abandoned = record->othersHeads(prefix, [&](const QString &recordPath) {
            const qint64 leftAlone = QFileInfo(recordPath).metadataChangeTime().msecsTo(at);
            if (leftAlone < unprovenWait) {
                untilNext = qMin(untilNext, unprovenWait - leftAlone);
                waiting = true;
            }
            return leftAlone >= unprovenWait;
        });
    }
    next = at.addMSecs(untilNext);
    if (waiting)
        lookAgainIn(folder, untilNext, lookAgain);
    return abandoned;
}

bool ConflictMerger::copyWaiting(const QString &originalPath) const
{
    const QFileInfo file(originalPath);
    const QStringList names = file.dir().entryList({file.completeBaseName() + QLatin1String("*")}, QDir::Files);
    return std::any_of(names.cbegin(), names.cend(), [&](const QString &name) {
        return SyncedFile::conflictCopyOriginal(name) == file.fileName();
    });
}

// True when the head was merged into the file, or is in it already.
bool ConflictMerger::recover(const QString &originalPath, const Version &head, Content content,
                             const VersionGraph &graph, const std::function<void()> &lookAgain)
{
    const QString folder = QFileInfo(originalPath).path();
    const FolderLock lock(lockFolder(folder));
    SyncedFile file(nullptr, SyncedFile::NotWatched);
    lookAt(&file, originalPath);
    // Bytes like a version the head went on from are a new version whose record is on
    // its way, unless it no longer may come: then they are taken for what those had.
    const QVector<QByteArray> alike = graph.withHash(head.file, sha1(file.bytes()));
    const QVector<QByteArray> after = graph.notBefore(alike, head.id);
    if (after.isEmpty() && !alike.isEmpty()
            && QFileInfo(originalPath).metadataChangeTime().msecsTo(now()) < unprovenWait) {
        lookAgainIn(folder, settleTime + FolderLock::retryInterval, lookAgain);
        return false;
    }
    const QVector<QByteArray> fileVersions = after.isEmpty() ? alike : after;
    const MergePlan plan = graph.plan(fileVersions, {head.id});
    QByteArray bytes;
    if (plan.kind == MergePlan::AlreadyMerged) {
        record->markContinued(head.id);
        return false;
    }
    if (plan.kind != MergePlan::Merge || !record->bytesOf(originalPath, head.hash, &bytes))
        return false;
    if (!lock.isHeld()) {
        lookAgainIn(folder, retryDelay(), lookAgain);
        return false;
    }
    const QStringList fileParts = parts(content, file.text());
    const QStringList ours = laterDeletionsApplied(originalPath, graph, {{head.id}, parts(content, decodeText(bytes))},
                                                   graph.sideOf(fileVersions), fileParts, content);
    const Side side {{head.id}, ours};
    MergeTexts texts {mergeBase(originalPath, plan, content, fileParts, ours), fileParts, ours};
    spareOthersAdditions(originalPath, file.bytes(), plan, Merged {fileParts, {}, {}, {}}, side, content, &texts);
    // Where another program changed the file since, ours may have been taken in there
    // already, and what it deleted put back: only what it added is sure to be missing.
    if (plan.foreignSince)
        texts.base = shared(content, texts.base, texts.copy);
    const QStringList merged = mergeInto(content, texts.base, texts.merged, texts.copy);
    if (file.write(merged.join(QLatin1Char('\n')), lock, plan.parents) != SyncedFile::Written) {
        lookAgainIn(folder, retryDelay(), lookAgain);
        return false;
    }
    return true;
}

// Under the lock, so that two windows join the names once: the second finds the
// others gone, which tells it too that its listing is out of date.
bool ConflictMerger::joinNamesOfOneNote(const QString &folder, const QStringList &names,
                                        const std::function<void()> &lookAgain)
{
    const FolderLock lock(lockFolder(folder));
    if (!lock.isHeld()) {
        lookAgainIn(folder, FolderLock::retryInterval, lookAgain);
        return false;
    }
    QStringList paths;
    for (const QString &name : names) {
        if (QFileInfo::exists(QDir(folder).filePath(name)))
            paths << QDir(folder).filePath(name);
    }
    if (paths.size() < 2)
        return paths.size() < names.size();
    SyncedFile kept(nullptr, SyncedFile::NotWatched);
    lookAt(&kept, paths.first());
    if (!kept.isReadable())
        return false;
    QStringList merged = parts(Lines, kept.text());
    for (const QString &path : paths.mid(1)) {
        SyncedFile other(nullptr, SyncedFile::NotWatched);
        other.setPath(path);
        other.refresh();
        if (!other.isReadable())
            return false;
        merged = mergeLinesWithoutBase(merged, parts(Lines, other.text()));
    }
    const QString text = merged.join(QLatin1Char('\n'));
    if (text != kept.text() && kept.write(text, lock) != SyncedFile::Written)
        return false;
    for (const QString &path : paths.mid(1))
        QFile::remove(path);
    return true;
}

// True when a copy no record names has waited long enough for the records; otherwise
// it is looked at again when its wait is up.
bool ConflictMerger::waitedUnproven(const QString &copyPath, const std::function<void()> &lookAgain)
{
    const QDateTime at = now();
    const QDateTime seen = firstSeenUnproven.value(copyPath, at);
    firstSeenUnproven.insert(copyPath, seen);
    // A clock set back only makes the wait longer.
    const qint64 remaining = unprovenWait - qMax<qint64>(0, seen.msecsTo(at));
    if (remaining <= 0)
        return true;
    lookAgainIn(QFileInfo(copyPath).path(), remaining, lookAgain);
    return false;
}

// One look at a folder is pending at a time, the soonest asked for; it sees every
// copy there is by then.
void ConflictMerger::lookAgainIn(const QString &folder, qint64 milliseconds,
                                 const std::function<void()> &lookAgain)
{
    QTimer *&timer = pendingLooks[QDir(folder).path()];
    if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
    }
    if (timer->isActive() && timer->remainingTime() <= milliseconds)
        return;
    timer->disconnect();
    connect(timer, &QTimer::timeout, this, lookAgain);
    timer->start(int(milliseconds));
}
