// An advisory lock on a folder, shared by every Ladlewise process, held for as long as
// the object lives: writes take it from their last re-read to the rename, and a merge
// for the whole of its read, write and removal of the copy. Taken again by the same
// process it is already held, so a merge can write through the usual path.
#ifndef FOLDERLOCK_H
#define FOLDERLOCK_H

#include <QString>

class FolderLock
{
public:
    explicit FolderLock(const QString &folder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    QString key;
    int descriptor = -1;
};

#endif // FOLDERLOCK_H
