// Merges back the copies a sync tool sets aside when two machines changed a file at
// the same time, so that nothing either machine saved stays hidden in a copy. It
// decides when and what: once the file and all its copies have stopped changing for a
// moment, the copies are merged one after another under one hold of the folder lock,
// three-way against what both sides surely had (see MergeBaseChooser), whichever
// machine made them. With no such base (a machine that never saw the file before they
// diverged), or one that would keep lines another machine may have deleted, a copy
// waits for the machines that can tell, and is then merged keeping those lines.
#ifndef CONFLICTMERGER_H
#define CONFLICTMERGER_H

#include "mergebasechooser.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

class SyncedFile;
class VersionHistory;

class ConflictMerger : public QObject
{
    Q_OBJECT

public:
    explicit ConflictMerger(QObject *parent = nullptr);

    void mergeListCopies(const QString &listPath);
    // fileNames: a listing of folder. A note saved under several names (in two
    // languages, while apart) is joined too: the lines of all go into the name that
    // sorts first, and the others are removed once that is written. True when names
    // were joined or found gone, so that the listing is out of date.
    bool mergeNoteCopies(const QString &folder, const QStringList &fileNames);

    static constexpr qint64 defaultSettleTime = 2000;
    static void setSettleTime(qint64 milliseconds) { settleTime = milliseconds; }
    static void setBaselessCopyWait(qint64 milliseconds) { baselessCopyWait = milliseconds; }

    enum Content { Items, Lines };

private:

    void mergeCopies(const QString &folder, const QStringList &fileNames, Content content,
                     const QString &onlyCopiesOf, const std::function<void()> &lookAgain);
    void mergeCopiesOf(const QString &originalPath, const QStringList &copyPaths, Content content,
                       const std::function<void()> &lookAgain);
    struct Copies
    {
        QStringList paths;
        QVector<QByteArray> keys;
        QVector<MergeSide> sides;
        QStringList texts;
    };
    static Copies copiesToMerge(const QStringList &copyPaths, const SyncedFile &file, const VersionHistory &history);
    bool joinNamesOfOneNote(const QString &folder, const QStringList &names,
                            const std::function<void()> &lookAgain);
    bool waitedWithoutBase(const QString &copyPath, const std::function<void()> &lookAgain);
    void lookAgainIn(const QString &folder, qint64 milliseconds, const std::function<void()> &lookAgain);

    static qint64 settleTime;
    static qint64 baselessCopyWait;
    QHash<QString, QElapsedTimer> firstSeenWithoutBase;
    QHash<QString, QTimer *> pendingLooks;
};

#endif // CONFLICTMERGER_H
