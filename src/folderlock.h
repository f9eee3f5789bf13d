// An advisory lock on a folder, shared by every Ladlewise process, held for as long as
// the object lives: writes take it from their last re-read to the rename, and a merge
// for the whole of its read, write and removal of the copies. Taken again by the same
// process it is already held, so a merge can write through the usual path. Nothing is
// written without it: a lock that another process keeps past the wait is not held,
// and the caller fails or tries again.
#ifndef FOLDERLOCK_H
#define FOLDERLOCK_H

#include <QString>

class FolderLock
{
public:
    // Waits up to wait milliseconds for another process to let go; the window is
    // held up for as long, so the wait is short.
    explicit FolderLock(const QString &folder, int wait = defaultWait);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    bool isHeld() const { return held; }

    static constexpr int defaultWait = 250;

private:
    QString key;
    int descriptor = -1;
    bool held = false;
};

#endif // FOLDERLOCK_H
