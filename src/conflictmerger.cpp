#include "conflictmerger.h"

#include "daynotefiles.h"
#include "folderlock.h"
#include "grocerycommands.h"
#include "linemerge.h"
#include "syncedfile.h"
#include "textdecoding.h"
#include "versionhistory.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTimer>

#include <algorithm>

namespace {

// Milliseconds until both files have been left alone for settleTime, going by the
// time of their last change of any kind, which a sync tool's rename sets and cannot
// carry over from another machine.
qint64 untilSettled(const QStringList &paths, qint64 settleTime)
{
    const QDateTime now = QDateTime::currentDateTime();
    qint64 remaining = 0;
    for (const QString &path : paths)
        remaining = qMax(remaining, settleTime - QFileInfo(path).metadataChangeTime().msecsTo(now));
    return remaining;
}

QStringList lines(const QString &text)
{
    return text.split(QLatin1Char('\n'));
}

QStringList parts(ConflictMerger::Content content, const QString &text)
{
    return content == ConflictMerger::Items ? groceryItems(text) : lines(text);
}

QStringList mergeInto(ConflictMerger::Content content, const QStringList &merged, const QString &copy,
                      MergeBase found, const QByteArray &base)
{
    if (found == MergeBase::None)
        return mergeLinesWithoutBase(merged, parts(content, copy));
    if (content == ConflictMerger::Items)
        return mergeItems(groceryItems(decodeText(base)), merged, groceryItems(copy));
    return mergeLines(lines(decodeText(base)), lines(copy), merged);
}

MergeSide side(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    return {bytes, info.lastModified().toMSecsSinceEpoch(), info.metadataChangeTime().toMSecsSinceEpoch()};
}

// One conflict, told from a later one that set aside the same bytes under the same
// name: by the time its writer gave it too.
QByteArray copyKey(const QString &copyPath, const MergeSide &copy)
{
    QCryptographicHash key(QCryptographicHash::Sha1);
    key.addData(QFileInfo(copyPath).fileName().toUtf8());
    key.addData(QByteArray::number(copy.written));
    key.addData(copy.bytes);
    return key.result();
}

} // namespace

qint64 ConflictMerger::settleTime = defaultSettleTime;
qint64 ConflictMerger::baselessCopyWait = 10 * 60 * 1000;

ConflictMerger::ConflictMerger(QObject *parent)
    : QObject(parent)
{
}

void ConflictMerger::mergeListCopies(const QString &listPath)
{
    const QFileInfo list(listPath);
    mergeCopies(list.path(), list.dir().entryList({QStringLiteral("*.txt")}, QDir::Files), Items,
                list.fileName(), [this, listPath] { mergeListCopies(listPath); });
}

bool ConflictMerger::mergeNoteCopies(const QString &folder, const QStringList &fileNames)
{
    const auto lookAgain = [this, folder] {
        mergeNoteCopies(folder, QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files));
    };
    mergeCopies(folder, fileNames, Lines, QString(), lookAgain);
    bool joined = false;
    for (const QStringList &names : noteNamesToJoin(fileNames))
        joined |= joinNamesOfOneNote(folder, names, lookAgain);
    return joined;
}

// In name order, so that machines merging the same copies come to the same text.
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
        // The sync tool may be half-way, the copy set aside and the new file not yet
        // in; its arrival brings the next look.
        if (!QFileInfo::exists(copies.key()))
            continue;
        std::sort(copies->begin(), copies->end());
        const qint64 unsettled = untilSettled(*copies + QStringList(copies.key()), settleTime);
        if (unsettled > 0)
            lookAgainIn(folder, unsettled, lookAgain);
        else
            mergeCopiesOf(copies.key(), *copies, content, lookAgain);
    }
}

// Under the lock every Ladlewise process takes to write into the folder, so that one
// copy is merged once: another window that had it in view finds it gone. The copies
// go into the file's text one after another, each against the base it shares with
// the file, and the file is written once.
void ConflictMerger::mergeCopiesOf(const QString &originalPath, const QStringList &copyPaths, Content content,
                                   const std::function<void()> &lookAgain)
{
    const QString folder = QFileInfo(originalPath).path();
    const FolderLock lock(folder);
    if (!lock.isHeld()) {
        lookAgainIn(folder, FolderLock::defaultWait, lookAgain);
        return;
    }
    SyncedFile file(nullptr, SyncedFile::NotWatched);
    file.setPath(originalPath);
    file.refresh();
    if (!file.isReadable())
        return;
    VersionHistory history(originalPath);
    const Copies copies = copiesToMerge(copyPaths, file, history);
    QVector<QByteArray> bases;
    const QVector<MergeBase> found = history.findBases(copies.sides, side(originalPath, file.bytes()), &bases);
    QStringList merged = parts(content, file.text());
    QVector<QByteArray> mergedKeys;
    QStringList mergedPaths;
    for (int i = 0; i < copies.paths.size(); ++i) {
        if (found.at(i) != MergeBase::Sure && !waitedWithoutBase(copies.paths.at(i), lookAgain))
            continue;
        merged = mergeInto(content, merged, copies.texts.at(i), found.at(i), bases.at(i));
        mergedKeys << copies.keys.at(i);
        mergedPaths << copies.paths.at(i);
    }
    if (mergedPaths.isEmpty())
        return;
    const QString text = merged.join(QLatin1Char('\n'));
    // Changed meanwhile, or the history or the file could not be had: another look
    // after a while.
    if (!history.recordMerging(mergedKeys, encodeText(text))
            || (text != file.text() && file.write(text) != SyncedFile::Written)) {
        lookAgainIn(folder, qMax<qint64>(settleTime, FolderLock::defaultWait), lookAgain);
        return;
    }
    for (const QString &copyPath : qAsConst(mergedPaths)) {
        firstSeenWithoutBase.remove(copyPath);
        QFile::remove(copyPath);
    }
}

// The copies that hold something the file lacks; the others, already in it, go.
ConflictMerger::Copies ConflictMerger::copiesToMerge(const QStringList &copyPaths, const SyncedFile &file,
                                                     const VersionHistory &history)
{
    Copies copies;
    for (const QString &copyPath : copyPaths) {
        QByteArray copy;
        if (!SyncedFile::readConflictCopy(copyPath, &copy))
            continue;
        const MergeSide copySide = side(copyPath, copy);
        const QByteArray key = copyKey(copyPath, copySide);
        const QString text = decodeText(copy);
        if (text == file.text() || history.wasMerged(key, file.bytes())) {
            QFile::remove(copyPath);
            continue;
        }
        copies.paths << copyPath;
        copies.keys << key;
        copies.sides << copySide;
        copies.texts << text;
    }
    return copies;
}

// Under the lock, so that two windows join the names once: the second finds the
// others gone, which tells it too that its listing is out of date.
bool ConflictMerger::joinNamesOfOneNote(const QString &folder, const QStringList &names,
                                        const std::function<void()> &lookAgain)
{
    const FolderLock lock(folder);
    if (!lock.isHeld()) {
        lookAgainIn(folder, FolderLock::defaultWait, lookAgain);
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
    kept.setPath(paths.first());
    kept.refresh();
    if (!kept.isReadable())
        return false;
    QStringList merged = kept.text().isEmpty() ? QStringList() : lines(kept.text());
    for (const QString &path : paths.mid(1)) {
        SyncedFile other(nullptr, SyncedFile::NotWatched);
        other.setPath(path);
        other.refresh();
        if (!other.isReadable())
            return false;
        if (!other.text().isEmpty())
            merged = merged.isEmpty() ? lines(other.text()) : mergeLinesWithoutBase(merged, lines(other.text()));
    }
    const QString text = merged.join(QLatin1Char('\n'));
    if (text != kept.text() && kept.write(text) != SyncedFile::Written)
        return false;
    for (const QString &path : paths.mid(1))
        QFile::remove(path);
    return true;
}

// True when a copy with no sure base has waited long enough for the machines that
// know one; otherwise it is looked at again when its wait is up.
bool ConflictMerger::waitedWithoutBase(const QString &copyPath, const std::function<void()> &lookAgain)
{
    auto seen = firstSeenWithoutBase.find(copyPath);
    if (seen == firstSeenWithoutBase.end()) {
        seen = firstSeenWithoutBase.insert(copyPath, QElapsedTimer());
        seen->start();
    }
    const qint64 remaining = baselessCopyWait - seen->elapsed();
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
