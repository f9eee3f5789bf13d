// Merges back the copies a sync tool sets aside when two machines changed a file at
// the same time, so that nothing either machine saved stays hidden in a copy. A copy
// holding exactly what this machine last wrote is this machine's change that lost:
// it is merged at once against what the file held before. Another machine's copy is
// left for that machine, and merged here only when it is still there after a wait.
#ifndef CONFLICTMERGER_H
#define CONFLICTMERGER_H

#include <QElapsedTimer>
#include <QFileInfoList>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class ConflictMerger : public QObject
{
    Q_OBJECT

public:
    explicit ConflictMerger(QObject *parent = nullptr);

    // Merges the copies among files, a listing of folder; with original given, only
    // the copies of that file.
    void mergeCopies(const QString &folder, const QFileInfoList &files,
                     const QString &original = QString());

    static void setForeignCopyWait(qint64 milliseconds) { foreignCopyWait = milliseconds; }

private:
    void mergeCopy(const QString &copyPath, const QString &originalPath);
    bool waitedForForeignCopy(const QString &copyPath, const QString &folder);

    static qint64 foreignCopyWait;
    QHash<QString, QElapsedTimer> firstSeen;
    QSet<QString> foldersToRecheck;
};

#endif // CONFLICTMERGER_H
