// SPDX-License-Identifier: GPL-3.0-or-later
#include "syncedfile.h"

#include "folderlock.h"
#include "textdecoding.h"
#include "versionrecord.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// A file device takes a write cut short (say by a full disk) for success, so write
// unbuffered and keep writing until the rest goes through or the device says why not.
bool writeAll(QIODevice &device, const QByteArray &data)
{
    qint64 written = 0;
    while (written < data.size()) {
        const qint64 chunk = device.write(data.constData() + written, data.size() - written);
        if (chunk <= 0)
            return false;
        written += chunk;
    }
    return true;
}

// Creates folder and the missing folders above it. On failure the reason is the
// one mkdir gave, not a later call's complaint about a missing folder.
bool makeFolders(const QString &folder, QString *error)
{
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0777) == 0 || errno == EEXIST)
        return true;
    const QString parent = QFileInfo(folder).path();
    if (errno == ENOENT && parent != folder && makeFolders(parent, error)
            && (::mkdir(name.constData(), 0777) == 0 || errno == EEXIST)) {
        return true;
    }
    if (error->isEmpty())
        *error = qt_error_string(errno);
    return false;
}

// The folder that holds path, or its nearest ancestor that exists, however far up,
// so that the file is noticed when it appears together with its folders. One look a
// level: on a first start none of them exists yet.
QString nearestExistingFolder(const QString &path)
{
    QString folder = QFileInfo(path).path();
    while (!QFileInfo(folder).isDir()) {
        const int slash = folder.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            break;
        folder.truncate(qMax(slash, 1));
    }
    return folder;
}

} // namespace

SyncedFile::SyncedFile(QObject *parent, Watching watching)
    : QObject(parent)
    , watcher(watching == Watched ? new QFileSystemWatcher(this) : nullptr)
{
    // One change on disk often comes as several events; they are handled as one. A
    // folder that may keep changing (a sync tool bringing many files) can be handled
    // at most once an interval, and once more after it settles.
    settleTimer.setSingleShot(true);
    sinceHandled.start();
    if (!watcher)
        return;
    connect(watcher, &QFileSystemWatcher::fileChanged, this, [this] { settle(0); });
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        settle(qMax<qint64>(0, busyFolderInterval - sinceHandled.elapsed()));
    });
    connect(&settleTimer, &QTimer::timeout, this, [this] {
        sinceHandled.restart();
        watch();
        emit changedOnDisk();
    });
}

void SyncedFile::settle(qint64 delay)
{
    if (!settleTimer.isActive() || settleTimer.remainingTime() > delay)
        settleTimer.start(int(delay));
}

// Until the file is read, it counts as missing.
void SyncedFile::setPath(const QString &path, const QStringList &alsoWatched)
{
    filePath = path;
    alsoWatchedPaths = alsoWatched;
    refusal.clear();
    held.clear();
    heldBefore.clear();
    cameAfter.clear();
    unnamedBefore.clear();
    remember(Content());
    watch();
}

// Reads the file again; true when it no longer holds what this window last saw.
// Bytes that came in place of the version this window held went on from it, as the
// sync tool or an editor judged, unless a conflict copy holds what they replaced.
bool SyncedFile::refresh()
{
    const Content onDisk = readContent(filePath);
    if (onDisk == seen)
        return false;
    takeMergeOfSameBytes();
    QVector<QByteArray> before = held;
    unnamedBefore.clear();
    if (before.isEmpty() && record && seen.state == Content::Read) {
        const QByteArray hash = sha1(seen.bytes);
        const QByteArray written = record->lastAdded(record->fileKey(filePath), hash);
        if (written.isEmpty())
            unnamedBefore = hash;
        else
            before << written;
    }
    wentOnFromBefore = seen.state == Content::Read && onDisk.state == Content::Read && !setAside(seen.bytes);
    heldBefore = wentOnFromBefore ? before : QVector<QByteArray>();
    cameAfter = wentOnFromBefore ? QVector<QByteArray>() : before;
    held.clear();
    remember(onDisk);
    return true;
}

bool SyncedFile::setAside(const QByteArray &bytes) const
{
    const QFileInfo file(filePath);
    const QStringList names = file.dir().entryList({file.completeBaseName() + QLatin1Char('*')}, QDir::Files);
    return std::any_of(names.cbegin(), names.cend(), [&](const QString &name) {
        QByteArray copy;
        return conflictCopyOriginal(name) == file.fileName() && readConflictCopy(file.dir().filePath(name), &copy)
               && copy == bytes;
    });
}

QString SyncedFile::read()
{
    refresh();
    return seenText;
}

QString SyncedFile::lockFolder() const
{
    return record ? record->dataFolder() : QFileInfo(filePath).path();
}

// Writes through a temporary file that is renamed into place only when the file on
// disk still holds what this window last saw; otherwise writes nothing, and the
// caller decides, after refresh(), what to write instead. The check comes after the
// slow part, so that little time is left for another writer to slip in.
SyncedFile::WriteResult SyncedFile::write(const QString &text, const QVector<QByteArray> &alsoReplaced)
{
    const QByteArray bytes = encodeText(text);
    QSaveFile file(filePath);
    if (!prepare(&file, bytes))
        return Failed;
    // Other Ladlewise processes wait between this re-read and the rename.
    const FolderLock lock(lockFolder());
    if (!lock.isHeld()) {
        error = QStringLiteral("Another Ladlewise window is writing to its folder; try again in a moment");
        return Busy;
    }
    return commit(&file, bytes, text, lock, alsoReplaced);
}

SyncedFile::WriteResult SyncedFile::write(const QString &text, const FolderLock &lock,
                                          const QVector<QByteArray> &alsoReplaced)
{
    const QByteArray bytes = encodeText(text);
    QSaveFile file(filePath);
    if (!prepare(&file, bytes))
        return Failed;
    return commit(&file, bytes, text, lock, alsoReplaced);
}

bool SyncedFile::prepare(QSaveFile *file, const QByteArray &bytes)
{
    error.clear();
    if (!refusal.isEmpty()) {
        error = refusal;
        return false;
    }
    if (!makeFolders(QFileInfo(filePath).absolutePath(), &error))
        return false;
    if (!file->open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Unbuffered) || !writeAll(*file, bytes)) {
        error = file->errorString();
        return false;
    }
    if (::fdatasync(file->handle()) != 0) {
        error = qt_error_string(errno);
        return false;
    }
    return true;
}

SyncedFile::WriteResult SyncedFile::commit(QSaveFile *file, const QByteArray &bytes, const QString &text,
                                           const FolderLock &lock, const QVector<QByteArray> &alsoReplaced)
{
    const Content onDisk = readContent(filePath);
    if (onDisk.state == Content::Unreadable) {
        error = onDisk.error;
        return Failed;
    }
    if (!(onDisk == seen))
        return ChangedOnDisk;
    QVector<QByteArray> replaced = replacedVersions(lock);
    if (!file->commit()) {
        error = file->errorString();
        return Failed;
    }
    for (const QByteArray &version : alsoReplaced) {
        if (!replaced.contains(version))
            replaced << version;
    }
    held.clear();
    heldBefore.clear();
    cameAfter.clear();
    unnamedBefore.clear();
    if (record && seen.state == Content::Read)
        record->keep(lock, filePath, seen.bytes);
    if (record) {
        const QByteArray version = record->add(lock, filePath, bytes, replaced,
                                               alsoReplaced.isEmpty() ? Version::Written : Version::Merged);
        if (!version.isEmpty())
            held << version;
    }
    seen = {Content::Read, bytes, QString()};
    seenText = text;
    watch();
    emit written();
    return Written;
}

// What a write replaces: the version this window last saw or wrote, or else the one
// the records name for these bytes. Bytes no record names were left by another program
// and are recorded as read, going on from what this window held before them.
QVector<QByteArray> SyncedFile::replacedVersions(const FolderLock &lock)
{
    if (!record || seen.state != Content::Read)
        return {};
    takeMergeOfSameBytes();
    if (!held.isEmpty())
        return held;
    const QByteArray hash = sha1(seen.bytes);
    const QByteArray written = record->lastAdded(record->fileKey(filePath), hash);
    held = written.isEmpty() ? record->graph().identify(record->fileKey(filePath), hash) : QVector<QByteArray> {written};
    if (held.isEmpty()) {
        nameWhatCameBefore();
        held << record->add(lock, filePath, seen.bytes, heldBefore, Version::Read, cameAfter);
    }
    held.removeAll(QByteArray());
    return held;
}

// A merge by this window that came to the bytes it holds went on from the version it
// held, with what the merge took in: the file is that merge now.
void SyncedFile::takeMergeOfSameBytes()
{
    if (held.isEmpty() || !record || seen.state != Content::Read)
        return;
    const Version last = record->lastAdded(record->fileKey(filePath));
    if (!last.id.isEmpty() && !held.contains(last.id) && last.hash == sha1(seen.bytes))
        held = {last.id};
}

// The version of the bytes this window saw before these, named by their bytes only now
// that a write needs it, so that a change from outside costs no look at the records.
void SyncedFile::nameWhatCameBefore()
{
    if (unnamedBefore.isEmpty())
        return;
    (wentOnFromBefore ? heldBefore : cameAfter) = record->graph().identify(record->fileKey(filePath), unnamedBefore);
    unnamedBefore.clear();
}

QString SyncedFile::readText(const QString &path)
{
    return decodeText(readContent(path).bytes);
}

// Opened without blocking and read only when it is a regular file, so that a named
// pipe or a device in its place can neither hold the window up nor flood it.
SyncedFile::Content SyncedFile::readContent(const QString &path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(),
                                  O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOENT)
            return Content();
        return {Content::Unreadable, QByteArray(), qt_error_string(errno)};
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return {Content::Unreadable, QByteArray(), QStringLiteral("Not a regular file")};
    }
    const Content tooLarge = {Content::Unreadable, QByteArray(), QStringLiteral("File too large")};
    if (status.st_size > maximumSize) {
        ::close(descriptor);
        return tooLarge;
    }
    QFile file;
    file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {Content::Unreadable, QByteArray(), file.errorString()};
    // It may have grown since it was measured.
    if (bytes.size() > maximumSize)
        return tooLarge;
    return {Content::Read, bytes, QString()};
}

// Syncthing:  list.sync-conflict-20261207-093353-BCFD7CS.txt
// Nextcloud:  list (conflicted copy 2026-12-07 093353).txt
// Dropbox:    list (Ann's conflicted copy 2026-12-07).txt, and (1) and on after it
// A copy of a copy carries both tags; the original is the name without any.
QString SyncedFile::conflictCopyOriginal(const QString &fileName)
{
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("^(.+)\\.sync-conflict-\\d{8}-\\d{6}-[A-Z0-9]+(\\.[^.]*)?$")),
        QRegularExpression(QStringLiteral("^(.+) \\(conflicted copy [^()]*\\)(\\.[^.]*)?$")),
        QRegularExpression(QStringLiteral("^(.+) \\([^()]*['\u2019]s conflicted copy[^()]*\\)(?: \\(\\d+\\))?(\\.[^.]*)?$")),
    };
    if (!fileName.contains(QLatin1String("conflict")))
        return QString();
    QString original = fileName;
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (const QRegularExpression &pattern : patterns) {
            const QRegularExpressionMatch match = pattern.match(original);
            if (match.hasMatch()) {
                original = match.captured(1) + match.captured(2);
                stripped = true;
            }
        }
    }
    return original == fileName ? QString() : original;
}

bool SyncedFile::readConflictCopy(const QString &path, QByteArray *bytes)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    const Content content = readContent(path);
    *bytes = content.bytes;
    return content.state == Content::Read;
}

// Empty when the folder can be listed or is not there at all.
QString SyncedFile::listingError(const QString &folder)
{
    DIR *listing = ::opendir(QFile::encodeName(folder).constData());
    if (listing) {
        ::closedir(listing);
        return QString();
    }
    return errno == ENOENT ? QString() : qt_error_string(errno);
}

void SyncedFile::remember(const Content &content)
{
    seen = content;
    seenText = decodeText(content.bytes);
}

// A file replaced by rename is a new file to the watcher, so the files are watched
// afresh each time; the folder shows a file that appears or goes away.
void SyncedFile::watch()
{
    if (!watcher)
        return;
    const QStringList watchedFiles = watcher->files();
    if (!watchedFiles.isEmpty())
        watcher->removePaths(watchedFiles);
    QStringList files;
    for (const QString &path : alsoWatchedPaths + QStringList(filePath)) {
        if (QFileInfo::exists(path) && !files.contains(path))
            files << path;
    }
    if (!files.isEmpty())
        watcher->addPaths(files);

    const QString folder = nearestExistingFolder(filePath);
    const QStringList watchedFolders = watcher->directories();
    if (watchedFolders == QStringList(folder))
        return;
    if (!watchedFolders.isEmpty())
        watcher->removePaths(watchedFolders);
    watcher->addPath(folder);
}
