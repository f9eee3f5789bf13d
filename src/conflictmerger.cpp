#include "conflictmerger.h"

#include "linemerge.h"
#include "syncedfile.h"
#include "textdecoding.h"

#include <QDir>
#include <QFile>
#include <QTimer>

namespace {

QStringList lines(const QString &text)
{
    return text.split(QLatin1Char('\n'));
}

} // namespace

qint64 ConflictMerger::foreignCopyWait = 10 * 60 * 1000;

ConflictMerger::ConflictMerger(QObject *parent)
    : QObject(parent)
{
}

void ConflictMerger::mergeCopies(const QString &folder, const QFileInfoList &files,
                                 const QString &original)
{
    const QString folderPath = QDir(folder).path() + QLatin1Char('/');
    for (const QFileInfo &file : files) {
        const QString copyOf = SyncedFile::conflictCopyOriginal(file.fileName());
        if (copyOf.isEmpty() || (!original.isEmpty() && copyOf != original))
            continue;
        const QString copyPath = folderPath + file.fileName();
        // The sync tool may be half-way, the copy set aside and the new file not yet
        // in; its arrival brings the next look.
        if (QFileInfo::exists(folderPath + copyOf))
            mergeCopy(copyPath, folderPath + copyOf);
    }
}

// True when a copy from another machine has waited long enough to be merged here;
// otherwise the folder is looked at again when its wait is up.
bool ConflictMerger::waitedForForeignCopy(const QString &copyPath, const QString &folder)
{
    auto seen = firstSeen.find(copyPath);
    if (seen == firstSeen.end()) {
        seen = firstSeen.insert(copyPath, QElapsedTimer());
        seen->start();
    }
    const qint64 remaining = foreignCopyWait - seen->elapsed();
    if (remaining <= 0)
        return true;
    if (!foldersToRecheck.contains(folder)) {
        foldersToRecheck.insert(folder);
        QTimer::singleShot(int(remaining), this, [this, folder] {
            foldersToRecheck.remove(folder);
            mergeCopies(folder, QDir(folder).entryInfoList({QStringLiteral("*.txt")}, QDir::Files));
        });
    }
    return false;
}

// Written through the usual re-read before writing; the copy goes only once its
// lines are safely in the file.
void ConflictMerger::mergeCopy(const QString &copyPath, const QString &originalPath)
{
    QByteArray copy;
    if (!SyncedFile::readConflictCopy(copyPath, &copy))
        return;
    SyncedFile::LastWrite ours;
    const bool fromThisMachine = SyncedFile::lastWrite(originalPath, &ours) && ours.written == copy;
    if (!fromThisMachine && !waitedForForeignCopy(copyPath, QFileInfo(copyPath).path()))
        return;

    SyncedFile file;
    file.setPath(originalPath);
    SyncedFile::WriteResult result = SyncedFile::ChangedOnDisk;
    for (int attempt = 0; attempt < 5 && result == SyncedFile::ChangedOnDisk; ++attempt) {
        file.refresh();
        if (!file.isReadable())
            return;
        const QStringList merged = fromThisMachine
                ? mergeLines(lines(decodeText(ours.before)), lines(decodeText(copy)), lines(file.text()))
                : mergeLinesWithoutBase(lines(file.text()), lines(decodeText(copy)));
        const QString text = merged.join(QLatin1Char('\n'));
        result = text == file.text() ? SyncedFile::Written : file.write(text);
    }
    if (result == SyncedFile::Written) {
        firstSeen.remove(copyPath);
        QFile::remove(copyPath);
    }
}
