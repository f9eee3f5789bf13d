// SPDX-License-Identifier: GPL-3.0-or-later
// Merges back the copies a sync tool sets aside when two machines changed a file at
// the same time, so that nothing either machine saved stays hidden in a copy. It
// decides when and what: once the file and all its copies have stopped changing for a
// moment, the copies are merged one after another under one hold of the folder lock,
// each three-way against the newest version both sides are proven to have had (see
// VersionGraph). A copy no record names yet waits for the records, at most
// unprovenWait, and is then merged keeping every line either side holds.
//
// It also merges back a version this installation wrote that the sync tool dropped:
// one that neither the file, nor a copy, nor another installation went on from once
// everything has settled; and, after the unproven wait, such a version of an
// installation that wrote nothing since, which may be gone.
#ifndef CONFLICTMERGER_H
#define CONFLICTMERGER_H

#include "heldasbase.h"
#include "mergebase.h"
#include "versiongraph.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>
#include <optional>

class FolderLock;
class SyncedFile;
class VersionRecord;

class ConflictMerger : public QObject
{
    Q_OBJECT

public:
    enum Content { Items, Lines };
    using NamesToJoin = std::function<QVector<QStringList>(const QStringList &fileNames)>;
    using Clock = std::function<QDateTime()>;

    // record may be null: merges are then made with nothing in common.
    explicit ConflictMerger(VersionRecord *record, QObject *parent = nullptr);

    void mergeListCopies(const QString &listPath);
    // fileNames: a listing of folder. A note saved under several names (in two
    // languages, while apart) is joined too: the lines of all go into the name that
    // sorts first, and the others are removed once that is written. True when names
    // were joined or found gone, so that the listing is out of date.
    bool mergeNoteCopies(const QString &folder, const QStringList &fileNames);

    void setNamesToJoin(const NamesToJoin &namesToJoin) { joinable = namesToJoin; }
    void setSettleTime(qint64 milliseconds) { settleTime = milliseconds; }
    void setUnprovenWait(qint64 milliseconds)
    {
        unprovenWait = milliseconds;
        nextAbandonedLook.clear();
    }
    void setClock(const Clock &clock) { now = clock; }

    static constexpr qint64 defaultSettleTime = 2000;
    static constexpr qint64 defaultUnprovenWait = 10 * 60 * 1000;
    // A version of this installation's is looked at for a drop among this many of its
    // newest notes.
    static constexpr int recentNotes = 20;

private:
    // A text a merge is made of: its versions (none where unproven) and its lines.
    struct Side
    {
        QVector<QByteArray> versions;
        QStringList parts;
        // Named by a record, not found by its bytes: a parent of the file's merge.
        bool named = false;
    };
    // The texts of one three-way merge: the copy's goes into the merged text.
    struct MergeTexts
    {
        QStringList base;
        QStringList merged;
        QStringList copy;
    };
    struct CopyRead
    {
        QString path;
        QByteArray bytes;
    };
    struct Merged
    {
        QStringList parts;
        QVector<QByteArray> replaced;
        QStringList copyPaths;
        QVector<Side> copies;
    };

    void mergeCopies(const QString &folder, const QStringList &fileNames, Content content,
                     const QString &onlyCopiesOf, const std::function<void()> &lookAgain);
    void mergeCopiesOf(const QString &originalPath, const QStringList &copyPaths, Content content,
                       const std::function<void()> &lookAgain);
    QVector<QByteArray> versionsWithBytes(const QString &originalPath, const VersionGraph &graph,
                                          const QByteArray &bytes) const;
    void takeInAlike(const QString &originalPath, const QByteArray &fileBytes, const QString &copyPath,
                     Merged *merged) const;
    QVector<CopyRead> inOrderOfSharedPast(const QString &originalPath, const QByteArray &fileBytes,
                                          QVector<CopyRead> copies) const;
    static QVector<CopyRead> readCopies(const QStringList &copyPaths);
    bool mergeCopy(const QString &originalPath, const QByteArray &fileBytes, const QByteArray &copy,
                   const QString &copyPath, Content content, const FolderLock &lock, Merged *merged,
                   const std::function<void()> &lookAgain);
    QStringList mergeBase(const QString &originalPath, const MergePlan &plan, Content content,
                          const QStringList &ours, const QStringList &theirs) const;
    QStringList laterDeletionsApplied(const QString &originalPath, const VersionGraph &graph, const Side &side,
                                      const QVector<QByteArray> &textVersions, const QStringList &textParts,
                                      Content content) const;
    bool partsOf(const QString &originalPath, const QByteArray &hash, Content content, QStringList *found) const;
    void spareOthersAdditions(const QString &originalPath, const QByteArray &fileBytes, const MergePlan &plan,
                              const Merged &merged, const Side &copy, Content content, MergeTexts *texts) const;
    static bool changesWhatOtherHolds(Content content, const QStringList &base, const QStringList &changer,
                                      const QStringList &other);
    std::optional<HeldAsBase> heldSince(const QString &originalPath, const QVector<QByteArray> &bases,
                                        const Side &side, Content content, Content keys) const;
    ReadParts keyedParts(const QString &originalPath, Content content, Content keys) const;
    HeldAsBase heldByMerged(const QString &originalPath, const QByteArray &fileBytes, const Merged &merged,
                            const Side &changer, Content content, Content keys) const;
    void holdSides(SidesHeldAsBase *held, const QString &originalPath, const QVector<Side> &sides,
                   const Side &changer, Content content, Content keys) const;
    // How a side holds lines as the base's, its lines told apart by keys; nothing where
    // that cannot be told.
    using HeldBy = std::function<std::optional<HeldAsBase>(Content keys)>;
    static void spareAdditionsOf(const HeldBy &heldBy, Content content, const QStringList &changer,
                                 MergeTexts *texts, QStringList *changed, QStringList *other);
    QVector<Side> sidesOf(const QString &originalPath, const VersionGraph &graph, const QVector<QByteArray> &versions,
                          const QByteArray &fileBytes, Content content) const;
    void recoverDropped(const QString &originalPath, const QVector<Version> &heads, Content content,
                        const std::function<void()> &lookAgain);
    QVector<Version> abandonedHeads(const QString &folder, const QString &prefix,
                                    const std::function<void()> &lookAgain);
    bool copyWaiting(const QString &originalPath) const;
    bool recover(const QString &originalPath, const Version &head, Content content, const VersionGraph &graph,
                 const std::function<void()> &lookAgain);
    bool joinNamesOfOneNote(const QString &folder, const QStringList &names,
                            const std::function<void()> &lookAgain);
    bool waitedUnproven(const QString &copyPath, const std::function<void()> &lookAgain);
    qint64 untilSettled(const QStringList &paths) const;
    void lookAgainIn(const QString &folder, qint64 milliseconds, const std::function<void()> &lookAgain);
    QString lockFolder(const QString &folder) const;
    void lookAt(SyncedFile *file, const QString &path) const;
    qint64 retryDelay() const;

    VersionRecord *record;
    NamesToJoin joinable;
    qint64 settleTime = defaultSettleTime;
    qint64 unprovenWait = defaultUnprovenWait;
    Clock now = [] { return QDateTime::currentDateTime(); };
    QHash<QString, QDateTime> firstSeenUnproven;
    QHash<QString, QTimer *> pendingLooks;
    QHash<QString, QDateTime> nextAbandonedLook;
};

#endif // CONFLICTMERGER_H
