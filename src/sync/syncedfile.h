// SPDX-License-Identifier: GPL-3.0-or-later
// A text file that other programs may change while the window shows it: another
// Ladlewise window, a sync tool, an editor. SyncedFile reads it whole, remembers what
// this window last read or wrote, reads it again just before each write so that
// nothing saved elsewhere is replaced unseen, and says when the file, the files
// watched with it or their folder change on disk. Given a VersionRecord, it records
// each version it writes with the version it replaced, and the version another
// program left where it writes over one no record names.
#ifndef SYNCEDFILE_H
#define SYNCEDFILE_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

class FolderLock;
class QSaveFile;
class VersionRecord;

class SyncedFile : public QObject
{
    Q_OBJECT

public:
    // Busy: another Ladlewise process kept the folder's lock; try again shortly.
    enum WriteResult { Written, ChangedOnDisk, Busy, Failed };
    // A file only written, never shown, need not be watched; a watcher costs a few
    // milliseconds to close.
    enum Watching { Watched, NotWatched };

    explicit SyncedFile(QObject *parent = nullptr, Watching watching = Watched);

    QString path() const { return filePath; }
    void setPath(const QString &path, const QStringList &alsoWatched = QStringList());

    bool refresh();
    QString read();
    QString text() const { return seenText; }
    QByteArray bytes() const { return seen.bytes; }
    // alsoReplaced: versions besides the file's that the text is the merge of, as a
    // merge's copies. The first takes the folder's lock; the second writes under the
    // caller's.
    WriteResult write(const QString &text, const QVector<QByteArray> &alsoReplaced = {});
    WriteResult write(const QString &text, const FolderLock &lock, const QVector<QByteArray> &alsoReplaced = {});
    // Not owned; the lock is then the data folder's.
    void setRecord(VersionRecord *versionRecord) { record = versionRecord; }
    QString lockFolder() const;
    QString errorString() const { return error; }
    QString readError() const { return seen.error; }
    // Until the next setPath(), every write fails for this reason.
    void refuseWrites(const QString &reason) { refusal = reason; }

    bool isReadable() const { return seen.state == Content::Read; }
    void setBusyFolderInterval(qint64 milliseconds) { busyFolderInterval = milliseconds; }

    static QString readText(const QString &path);
    static QString listingError(const QString &folder);

    // A copy a sync tool set aside when two machines changed a file: the name of the
    // file it is a copy of, or an empty string for any other name.
    static QString conflictCopyOriginal(const QString &fileName);
    // The copy's bytes, when it is a regular file itself (a link is never followed).
    static bool readConflictCopy(const QString &path, QByteArray *bytes);

    // Larger files are refused whole rather than read in part.
    static constexpr qint64 maximumSize = 64 * 1024 * 1024;

signals:
    void changedOnDisk();
    void written();

private:
    struct Content
    {
        enum State { Missing, Read, Unreadable };
        State state = Missing;
        QByteArray bytes;
        QString error;

        bool operator==(const Content &other) const
        {
            return state == other.state && bytes == other.bytes;
        }
    };

    static Content readContent(const QString &path);
    bool prepare(QSaveFile *file, const QByteArray &bytes);
    WriteResult commit(QSaveFile *file, const QByteArray &bytes, const QString &text, const FolderLock &lock,
                       const QVector<QByteArray> &alsoReplaced);
    QVector<QByteArray> replacedVersions(const FolderLock &lock);
    void nameWhatCameBefore();
    void takeMergeOfSameBytes();
    bool setAside(const QByteArray &bytes) const;
    void remember(const Content &content);
    void watch();
    void settle(qint64 delay);

    QString filePath;
    QStringList alsoWatchedPaths;
    Content seen;
    QString seenText;
    QString error;
    QString refusal;
    VersionRecord *record = nullptr;
    // The version the file holds as this window last saw it, once known, and the one
    // that bytes no record names came in place of: went on from, or else set aside.
    QVector<QByteArray> held;
    QVector<QByteArray> heldBefore;
    QVector<QByteArray> cameAfter;
    // The hash of what came before, where no version of this window's had it yet.
    QByteArray unnamedBefore;
    bool wentOnFromBefore = false;
    QFileSystemWatcher *watcher;
    QTimer settleTimer;
    QElapsedTimer sinceHandled;
    qint64 busyFolderInterval = 0;
};

#endif // SYNCEDFILE_H
